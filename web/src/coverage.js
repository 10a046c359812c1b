// The counts of the last Run tests, as the gutter shows them beside the
// lines: zanfo-sim --coverage's tracefile, read by zanfo-dump's reader in
// the WebAssembly (toolchain.coverage), made into what each line shows.

import {hex} from './toolchain.js';

// A count in at most four characters, never more than it is: 12345 is 12k.
export function shortCount(n) {
  if (n < 10000) return String(n);
  for (const [size, unit] of [[1e15, 'P'], [1e12, 'T'], [1e9, 'G'], [1e6, 'M'], [1e3, 'k']])
    if (n >= size) return Math.min(999, Math.floor(n / size)) + unit;
  return String(n);
}

const times = n => (n === 1 ? 'once' : n === 2 ? 'twice' : `${n} times`);
const went = (n, verb) => (n ? `${verb} ${times(n)}` : `never ${verb}`);

// What the gutter shows of `coverage` ({lines, branches} of
// toolchain.coverage): a row a line that holds the start of a microword,
// by line: {line, count, text ("#####" for a line never run, as
// zanfo-dump --listing shows it), branches: [{address, passed, failed}]
// (the cycles of each conditional word of the line whose test passed and
// failed; null when it never ran), title (all of it in words, for hover)}.
export function countRows(coverage) {
  const branches = new Map();  // line -> Map(address -> {address, passed, failed})
  for (const b of coverage.branches) {
    if (!branches.has(b.line)) branches.set(b.line, new Map());
    const words = branches.get(b.line);
    if (!words.has(b.address)) words.set(b.address, {address: b.address, passed: null, failed: null});
    words.get(b.address)[b.passed ? 'passed' : 'failed'] = b.taken;
  }
  return [...coverage.lines.keys()].sort((a, b) => a - b).map(line => {
    const count = coverage.lines.get(line);
    const words = [...(branches.get(line) || new Map()).values()];
    const title = [`line ${line}: ${went(count, 'run')} by the tests`,
      ...words.map(w => `${hex(w.address, 3)}, conditional: ` + (w.passed === null && w.failed === null ? 'never run' :
        `the test ${went(w.passed, 'passed')}, ${went(w.failed, 'failed')}`))];
    return {line, count, text: count === 0 ? '#####' : shortCount(count), branches: words, title: title.join('\n')};
  });
}
