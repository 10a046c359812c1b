// The toolchain in WebAssembly, as the page ships it (site/zanfo.js),
// against the native commands, byte for byte: zanfo (the .mic file,
// standard output, standard error and exit status) for every example and
// for every source that an end-to-end case hands zanfo; zanfo-rom in every
// format.
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {
  caseSource, examples, firstDifference, nativeAssemble, nativeCommand, requireFromBuild, site, sourceDir,
} from './common.mjs';
import {makeToolchain} from '../src/toolchain.js';
import {classifyWord} from '../src/language.js';

const createZanfo = requireFromBuild(path.join(site, 'zanfo.js'));
const toolchain = makeToolchain(await createZanfo());

function sameAsZanfo(source) {
  const got = toolchain.assemble(source);
  const difference = firstDifference(got, nativeAssemble(source));
  assert.equal(difference, null);
  return got;
}

test('every example assembles as zanfo assembles it', () => {
  for (const {name, source} of examples()) {
    const got = sameAsZanfo(source);
    assert.equal(got.stderr, '', name);
    // One source record per .mic line, at that line's address.
    const words = toolchain.lastWords();
    const lines = got.mic.trimEnd().split('\n');
    assert.equal(words.length, lines.length, name);
    words.forEach((w, i) => assert.equal(w.address, parseInt(lines[i].slice(0, 4), 16), name));
  }
});

test('every end-to-end input assembles as zanfo assembles it', async t => {
  const cases = path.join(sourceDir, 'tests', 'e2e');
  const seen = new Set();
  for (const name of fs.readdirSync(cases).sort()) {
    if (!fs.statSync(path.join(cases, name)).isDirectory()) continue;
    const source = caseSource(path.join(cases, name));
    if (source === null || seen.has(source)) continue;
    seen.add(source);
    await t.test(name, () => { sameAsZanfo(source); });
  }
  assert.ok(seen.size > 50, `only ${seen.size} inputs found`);
});

// The page's explanations and notes are the listing's: every "note:" and
// "hint:" line of zanfo-dump --listing, for every end-to-end input with
// something to say (and small enough to list).
test('the messages are explained as zanfo-dump --listing explains them', () => {
  const cases = path.join(sourceDir, 'tests', 'e2e');
  let compared = 0;
  for (const name of fs.readdirSync(cases).sort()) {
    if (!fs.statSync(path.join(cases, name)).isDirectory()) continue;
    const source = caseSource(path.join(cases, name));
    if (source === null || source.length > 65536) continue;
    const got = toolchain.assemble(source);
    if (!got.stderr && !got.stdout) continue;
    const lines = [];
    for (const m of toolchain.lastMessages()) {
      if (m.explanation) lines.push('note: ' + m.explanation);
      for (const n of m.notes) lines.push((n.hint ? 'hint: ' : 'note: ') + n.text);
    }
    const listing = Buffer.from(nativeCommand('zanfo-dump', ['--listing', 'p.zan'], {'p.zan': source}).stdout, 'latin1')
      .toString('utf8').split('\n').map(l => l.trim()).filter(l => /^(note|hint): /.test(l));
    assert.deepEqual(lines.sort(), listing.sort(), name);
    compared++;
  }
  assert.ok(compared > 40, `only ${compared} inputs with messages`);
});

// The page's warnings are zanfo-check's, line for line: on every example
// with its mapping (as the page loads it), and on every source that an
// end-to-end case runs zanfo-check on, with the case's --start, --map and
// --loop-to-address (zanfo-sim's options too, as the page passes them).
test('the checks warn as zanfo-check warns', async t => {
  const runs = examples().map(({name, source}) => {
    const map = path.join(sourceDir, 'examples', name.replace(/\.zan$/, '.map'));
    const files = {[name]: source};
    if (!fs.existsSync(map)) return {name, args: [name], files};
    files['x.map'] = fs.readFileSync(map, 'latin1');
    return {name, args: ['--map', 'x.map', name], files};
  });
  const cases = path.join(sourceDir, 'tests', 'e2e');
  for (const name of fs.readdirSync(cases).sort()) {
    const dir = path.join(cases, name);
    const command = path.join(dir, 'command');
    if (!fs.existsSync(command) || fs.readFileSync(command, 'latin1').trim() !== 'zanfo-check') continue;
    const argsFile = path.join(dir, 'args');
    const args = (fs.existsSync(argsFile) ? fs.readFileSync(argsFile, 'latin1').split('\n').filter(Boolean) : ['prog.zan'])
      .filter(a => !a.startsWith('-W'));  // the page makes every check
    if (!args.length || !args[args.length - 1].endsWith('.zan')) continue;  // the page's programs are sources
    const files = {};
    for (const f of fs.readdirSync(dir))
      if (!/^(args|command|expected_.*)$/.test(f)) files[f] = fs.readFileSync(path.join(dir, f), 'latin1');
    runs.push({name, args, files});
  }
  let warned = 0;
  for (const {name, args, files} of runs) {
    const native = nativeCommand('zanfo-check', args, files);
    if (native.status === 2) continue;  // a file it cannot read: nothing checked
    const program = args[args.length - 1];
    const want = Buffer.from(native.stdout, 'latin1').toString('utf8').split('\n').filter(l => l.includes(': warning: '));
    const got = toolchain.check(files[program], args, files);
    await t.test(name, () => {
      assert.equal(got.refused, '');
      assert.deepEqual(got.warnings.map(w => `${program}${w.line ? ':' + w.line : ''}: warning: ${w.message} [${w.check}]`), want);
    });
    warned += want.length ? 1 : 0;
  }
  assert.ok(runs.length > 20 && warned > 15, `${runs.length} programs, ${warned} with warnings`);
  // Options zanfo-sim cannot read check nothing, and say why.
  assert.match(toolchain.check('PROGRAM p\nHALT\nEND\n', ['--start', '5000', 'p.zan']).refused, /--start/);
  assert.match(toolchain.check('PROGRAM p\nHALT\nEND\n', ['--map', 'm', 'p.zan'], {m: '1\n'}).refused, /^m:1: /);
});

// Each check's explanation is the library's, as zanfo-check --explain gives it.
test('every check is explained as zanfo-check --explain explains it', () => {
  const checks = toolchain.checks();
  const listed = nativeCommand('zanfo-check', ['--list'], {}).stdout.split('\n').filter(Boolean).map(l => l.split(' ')[0]);
  assert.deepEqual(Object.keys(checks), listed);
  for (const [name, c] of Object.entries(checks)) {
    const explained = Buffer.from(nativeCommand('zanfo-check', ['--explain', name], {}).stdout, 'latin1').toString('utf8');
    assert.ok(explained.startsWith(`${name}: ${c.summary}\n\n${c.explanation}`), name);
    for (const example of [c.wrong, c.right])
      assert.ok(explained.includes(example.trimEnd().split('\n').map(l => '    ' + l).join('\n')), name);
  }
});

test('a string that is not bytes is refused, not cut', () => {
  assert.throws(() => toolchain.assemble('PROGRAM p\n{ \u20ac }\nEND'), RangeError);
  sameAsZanfo('PROGRAM p\n{ \xe2\x82\xac }\nEND');  // the same text as UTF-8 bytes
});

test('one run does not leak into the next', () => {
  // Labels, equates and a comment left open by a stopped run.
  sameAsZanfo('PROGRAM a\nEQU x R1;\nl: x = 0 { open\n');
  sameAsZanfo('PROGRAM b\n' + 'y'.repeat(9000) + '\nEND\n');
  sameAsZanfo('PROGRAM c\nl: JUMP(l);\nEQU x R2;\nx = 1\nEND\n');
});

test('zanfo-rom writes every format as the command does', () => {
  const formats = toolchain.romFormats().map(f => f.name);
  assert.ok(formats.includes('ihex') && formats.includes('bin'), formats.join());
  const runs = [['--help'], ['--version'], ['--format', 'nosuch', 'prog.mic'], ['prog.mic'],
    ['--format', 'c', '--depth', '16', 'prog.mic'], ['--format', 'vhdl', '--depth', '8', 'prog.mic'],
    ['--format', 'mif', '--lane', '1', '--lane-width', '8', '--fill', '0xFF', '-o', 'lane1.mif', 'prog.mic']];
  for (const f of formats) runs.push(['--format', f, 'prog.mic'], ['--format', f, '-o', 'image.' + f, 'prog.mic']);
  const mics = examples().map(e => nativeAssemble(e.source).mic);
  mics.push('0FFF 0000000000000001\n1000 0000000000000002\n', '0001 12\n');  // refused
  for (const mic of mics) {
    for (const args of runs) {
      const got = toolchain.rom(mic, args);
      assert.deepEqual(got, nativeCommand('zanfo-rom', args, {'prog.mic': mic}), args.join(' '));
    }
  }
});

test('the highlighter knows every keyword of the scanner', () => {
  const scanner = fs.readFileSync(path.join(sourceDir, 'lexyacc', 'zanfo.l'), 'latin1');
  const words = [...scanner.matchAll(/^"([A-Za-z0-9]+)"\s*\{\s*return\s+\w+\s*;\s*\}/gm)].map(m => m[1]);
  assert.ok(words.length > 50 && words.includes('PROGRAM'));
  for (const w of words) {
    assert.notEqual(classifyWord(w), 'name', w);
    assert.equal(classifyWord(w.toLowerCase()), classifyWord(w), w);
  }
  assert.equal(classifyWord('R63'), 'register');
  assert.equal(classifyWord('R6x'), 'name');
  assert.equal(classifyWord('PROGRAMS'), 'name');
});
