// The page's simulator under node, from the shipped site/zanfo.js:
// window.zanfo.simulate is zanfo-sim byte for byte (standard output,
// standard error, exit status, the files it writes) on every sim_ case of
// tests/e2e and on the examples' test files; the gutter's counts are those
// of zanfo-sim --coverage; a word's fields are zanfo-dump --fields'; and
// the datapath's tables agree with the machine on every cycle of the
// examples.
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {examples, nativeAssemble, nativeCommand, requireFromBuild, site, sourceDir} from './common.mjs';
import {bytesToText, makeToolchain} from '../src/toolchain.js';
import {drawingTables, usedPaths} from '../src/datapath.js';
import {countRows, shortCount} from '../src/coverage.js';

const createZanfo = requireFromBuild(path.join(site, 'zanfo.js'));
const toolchain = makeToolchain(await createZanfo());
const tables = drawingTables(toolchain.parts());

const read = file => fs.readFileSync(file, 'latin1');
const lines = file => read(file).split('\n').filter((l, i, all) => i < all.length - 1 || l !== '');

// zanfo-sim in the page and the native one, on the same files: the files
// it writes too.
function sameAsZanfoSim(mic, args, files, what) {
  const got = toolchain.simulate(mic, args, files);
  const inFolder = {...files};
  if (mic !== null) inFolder[args[args.length - 1]] = mic;
  const want = nativeCommand('zanfo-sim', args, inFolder);
  assert.deepEqual(got, want, what);
  return got;
}

// The files of an end-to-end case that zanfo-sim reads: not its expected
// outputs, its arguments or its folder of expected files.
function caseFiles(dir) {
  const files = {};
  for (const entry of fs.readdirSync(dir))
    if (!/^(args|command|expected.*|setup\.sh|README\.md)$/.test(entry)) files[entry] = read(path.join(dir, entry));
  return files;
}

test('simulate is zanfo-sim on every sim_ end-to-end case', async t => {
  const cases = path.join(sourceDir, 'tests', 'e2e');
  const names = fs.readdirSync(cases).filter(n => n.startsWith('sim_')).sort();
  assert.ok(names.length > 30, `only ${names.length} cases`);
  for (const name of names) {
    const dir = path.join(cases, name);
    await t.test(name, () => { sameAsZanfoSim(null, lines(path.join(dir, 'args')), caseFiles(dir), name); });
  }
});

test('simulate is zanfo-sim on the examples, their test files, traces and the .mic files', () => {
  for (const {name, source} of examples()) {
    const base = name.replace(/\.zan$/, '');
    const files = {};
    const extra = [];
    for (const [ext, option] of [['.map', '--map'], ['.hex', '--mem'], ['.test', '--test']]) {
      const file = path.join(sourceDir, 'examples', base + ext);
      if (!fs.existsSync(file)) continue;
      files[base + ext] = read(file);
      extra.push(option, base + ext);
    }
    sameAsZanfoSim(source, [...extra, name], files, name);
    sameAsZanfoSim(source, ['--trace', ...extra.filter((a, i) => extra[i - 1] !== '--test' && a !== '--test'), name],
      files, name + ' traced');
    // The microprogram as the .mic file, named so that only its first line tells.
    sameAsZanfoSim(nativeAssemble(source).mic, ['--max-cycles', '500', base + '.words'], {}, name + ' .mic');
  }
  // Files the arguments name but nobody gave.
  sameAsZanfoSim('PROGRAM p\nHALT\nEND\n', ['--mem', 'none.hex', 'p.zan'], {}, 'missing memory image');
});

// The gutter's rows against the native tracefile's DA and BRDA lines, on
// every example with a test file: the counts, "#####" for a line never
// run, and each conditional word's two ways.
test('the gutter\'s counts are zanfo-sim --coverage\'s on the examples with test files', () => {
  let conditional = 0;
  for (const {name, source} of examples()) {
    const base = name.replace(/\.zan$/, '');
    if (!fs.existsSync(path.join(sourceDir, 'examples', base + '.test'))) continue;
    const files = {[base + '.test']: read(path.join(sourceDir, 'examples', base + '.test'))};
    const args = ['--test', base + '.test', '--coverage', base + '.info'];
    for (const [ext, option] of [['.map', '--map'], ['.hex', '--mem']]) {
      const file = path.join(sourceDir, 'examples', base + ext);
      if (fs.existsSync(file)) {
        files[base + ext] = read(file);
        args.push(option, base + ext);
      }
    }
    const tracefile = sameAsZanfoSim(source, [...args, name], files, name).files[base + '.info'];
    const want = {lines: [], branches: []};
    for (const [, line, count] of tracefile.matchAll(/^DA:(\d+),(\d+)$/gm)) want.lines.push([Number(line), Number(count)]);
    for (const [, line, address, branch, taken] of tracefile.matchAll(/^BRDA:(\d+),(\d+),([01]),(\d+|-)$/gm))
      want.branches.push(`${line} ${address} ${branch === '0' ? 'passed' : 'failed'} ${taken}`);
    const rows = countRows(toolchain.coverage(tracefile, name));
    assert.deepEqual(rows.map(r => [r.line, r.count]), want.lines, name);
    for (const r of rows) assert.equal(r.text, r.count === 0 ? '#####' : String(r.count), name);
    const got = rows.flatMap(r => r.branches.flatMap(w => ['passed', 'failed'].map(way =>
      `${r.line} ${w.address} ${way} ${w[way] === null ? '-' : w[way]}`)));
    assert.deepEqual(got.sort(), want.branches.sort(), name);
    conditional += got.length;
  }
  assert.ok(conditional > 0, 'no conditional word in the examples');
  // Long counts in four characters at most, never rounded up.
  assert.deepEqual([9999, 10000, 19999, 999999, 1e6, 2 ** 53].map(shortCount), ['9999', '10k', '19k', '999k', '1M', '9P']);
  // A tracefile of another program is read as zanfo-dump --listing --coverage reads it.
  assert.match(toolchain.coverage('SF:other.zan\nDA:1,1\nend_of_record\n', 'p.zan').refused, /no record of p\.zan/);
});

// The fields exactly; the word's line as far as the notation, where the
// page names jump targets by the source's labels and zanfo-dump invents them.
test('a word\'s fields are those zanfo-dump --fields shows', () => {
  for (const {name, source} of examples()) {
    const mic = nativeAssemble(source).mic;
    toolchain.assemble(source);
    const dump = nativeCommand('zanfo-dump', ['--fields', 'p.mic'], {'p.mic': mic}).stdout.trimEnd().split('\n\n');
    const got = mic.split('\n').filter(Boolean).map(l => toolchain.wordText(parseInt(l.slice(0, 4), 16), l.slice(5)));
    assert.equal(got.length, dump.length, name);
    got.forEach((text, i) => {
      const [line, ...fields] = text.trimEnd().split('\n');
      const [dumpLine, ...dumpFields] = dump[i].split('\n');
      assert.equal(line.slice(0, 29), dumpLine.slice(0, 29), name);
      assert.deepEqual(fields, dumpFields, name);
    });
  }
  // With the source's labels, targets are named.
  toolchain.assemble('PROGRAM p\nagain: JUMP(again)\nEND\n');
  assert.match(toolchain.wordText(0, '4300009040000000'), /^0000 4300009040000000  CJP   JUMP\(again\)\n/);
});

// The datapath lights what each kind of word uses (web/src/datapath.js),
// read off the machine's parts (machine/parts.h): F goes around the
// shifter unless it shifts, and Q never passes it; a conditional word
// lights the condition select and the flag register it reads.
const litCases = [
  ['R1 = R1 + R2', 'a-r b-s f-bypass bypass-b y-b write-b seq-upc'],
  ['RQ = R3 + MEM', 'd-r a-s mar-mem mem-d d-r-bus f-bypass y-q write-q seq-upc'],
  ['R2 = MEM', 'd-r zero-s mar-mem mem-d d-r-bus f-bypass bypass-b y-b write-b seq-upc'],
  ['R1 = 1', 'd-r zero-s k-d d-r-bus f-bypass bypass-b y-b write-b seq-upc'],
  ['R4 = R4 + 7', 'd-r a-s k-d d-r-bus f-bypass bypass-b y-b write-b seq-upc'],
  ['R3 = R3 + 0, LDMAR', 'zero-r a-s f-mar f-bypass bypass-b y-b write-b seq-upc'],
  ['MEM = R5', 'zero-r a-s mar-mem f-mem seq-upc'],
  ['LDIR', 'mar-mem mem-ir seq-upc'],
  ['DECR(R2), LDUFLAG', 'zero-r b-s f-bypass bypass-b y-b write-b status-u seq-upc'],
  ['R1 = R1 + R1, LDMFLAG', 'a-r b-s f-bypass bypass-b y-b write-b status-m seq-upc'],
  ['R6 = R6 + 0, ASR', 'zero-r a-s f-shift shift-y y-b write-b shift-right seq-upc'],
  ['R6 = R6 + 0, LSL', 'zero-r a-s f-shift shift-y y-b write-b shift-left seq-upc'],
  ['R7 = UFLAG', 'd-r zero-s uflag-d d-r-bus f-bypass bypass-b y-b write-b seq-upc'],
  ['UFLAG = 9', 'k-flags bus-u seq-upc'],
  ['MFLAG = R3', 'zero-r a-s f-flags bus-m seq-upc'],
  ['R1 = R1 + IRA2', 'a-r b-s ir-a f-bypass bypass-b y-b write-b seq-upc'],
  ['JUMP(7, NUZ)', 'cond cond-cc uflag-cond seq-d'],
  ['RET(MSG)', 'cond cond-cc mflag-cond seq-top stack-pop'],
  ['JUMP(7)', 'seq-d'],
  ['CALL(5)', 'seq-d stack-push'],
  ['HALT', 'seq-upc halt'],
];

test('the datapath lights what a word uses', () => {
  for (const [items, want] of litCases) {
    const r = toolchain.assemble(`PROGRAM p\n${items}\nEND\n`);
    assert.equal(r.stderr, '', items);
    const word = r.mic.split('\n')[0].slice(5);
    const fields = toolchain.wordFields(word);
    const {paths} = usedPaths(tables, fields, {pass: true}, 1);
    const lit = [...paths].filter(p => !['alu', 'r-alu', 's-alu', 'seq-next'].includes(p)).sort();
    assert.deepEqual(lit, want.split(' ').sort(), items);
  }
});

// The condition select names the condition, the flag register and the
// bits it reads, as the machine's conditions do.
test('the condition select reads what the machine\'s conditions read', () => {
  const bits = name => Object.fromEntries(tables.conditions.map(c => [c.name, c.bits]))[name];
  assert.equal(bits('UZ'), 1);     // Z
  assert.equal(bits('NUZ'), 1);
  assert.equal(bits('MC'), 8);     // C
  assert.equal(bits('USG'), 7);    // Z, N and V
  assert.equal(bits('UUS'), 8);    // C
  assert.equal(bits('MUG'), 9);    // C and Z
  assert.deepEqual([...new Set(tables.conditions.map(c => c.reads))].sort(), ['mflag', 'uflag']);
  assert.equal(tables.conditions[4].reads, 'mflag');
  // Conditional: the instructions whose path hangs on the test.
  assert.deepEqual([...tables.conditional].sort((a, b) => a - b), [1, 3, 4, 5, 7, 10, 11, 13, 15]);
});

// Runs for the property below: the examples (with their mapping and
// memory image, and operands for the ones that need some), every sim_
// end-to-end case that runs, and a LOOP whose stack top is not its operand.
function runs() {
  const list = [];
  for (const {name, source} of examples()) {
    const base = name.replace(/\.zan$/, '');
    const files = {[name]: source};
    const args = ['--set', 'R1=300', '--set', 'R2=7', '--set', 'R6=3', '--set', 'R8=10'];
    for (const [ext, option] of [['.map', '--map'], ['.hex', '--mem']]) {
      const file = path.join(sourceDir, 'examples', base + ext);
      if (fs.existsSync(file)) {
        files[base + ext] = read(file);
        args.push(option, base + ext);
      }
    }
    list.push([name, [...args, name], files]);
  }
  const cases = path.join(sourceDir, 'tests', 'e2e');
  for (const name of fs.readdirSync(cases).filter(n => n.startsWith('sim_')).sort()) {
    const dir = path.join(cases, name);
    list.push([name, lines(path.join(dir, 'args')).filter(a => a !== '--trace'), caseFiles(dir)]);
  }
  const loop = 'PROGRAM t\n LDCOUNT(2);\n CALL(body);\n INCR(R2), LOOP(body);\n HALT;\n' +
    'body: INCR(R1), LOOP(body)\nEND\n';
  list.push(['loop', ['t.zan'], {'t.zan': loop}], ['loop to address', ['--loop-to-address', 't.zan'], {'t.zan': loop}]);
  return list;
}

// The sequencer's table, beside the drawing, against the machine: on every
// cycle, the source it lights holds the next address and the stack moves
// as it says.
test('the drawn next address and stack are the machine\'s on every cycle', () => {
  let checked = 0;
  for (const [name, args, files] of runs()) {
    if (!toolchain.openSession(args, files).ready) continue;
    for (let cycles = 0; cycles < 2000; cycles++) {
      const s = toolchain.state();
      if (s.ended || s.empty || !s.cycle.runs) break;
      const fields = toolchain.wordFields(s.word);
      const {sequencer} = usedPaths(tables, fields, s.cycle, s.counter, s.sequencer);
      const from = {
        'seq-zero': 0, 'seq-upc': (s.upc + 1) & 0xFFF, 'seq-d': fields.ConstantAddr & 0xFFF,
        'seq-r': s.counter, 'seq-top': s.stack[s.stack.length - 1], 'seq-map': s.cycle.next,
      }[sequencer.seq];
      const where = `${name} at ${s.upc.toString(16)}`;
      assert.equal(from, s.cycle.next, `${where}: ${sequencer.seq}`);
      toolchain.step();
      const after = toolchain.state();
      assert.equal(after.upc, s.cycle.next, where);
      const moved = {push: 1, pop: -1}[sequencer.stack] || 0;
      assert.equal(after.depth, sequencer.stack === 'clear' ? 0 : s.depth + moved, `${where}: stack`);
      checked++;
    }
  }
  assert.ok(checked > 500, `only ${checked} cycles`);
});

// Once halted, the drawing shows the HALT word's cycle: the state it ran
// from and what it did; reading the state changes nothing.
test('the drawn cycle after a HALT is the HALT word\'s', () => {
  const source = 'PROGRAM h\nR1 = 5;\nR2 = R2 + R1, HALT;\nR2 = 243\nEND\n';
  assert.ok(toolchain.openSession(['h.zan'], {'h.zan': source}).ready);
  toolchain.run(100);
  const s = toolchain.state(), again = toolchain.state();
  assert.equal(s.outcome, 'halted');
  assert.deepEqual(again, s);
  assert.equal(toolchain.trace(), toolchain.trace());
  assert.equal(s.drawn.halted, true);
  assert.equal(s.drawn.upc, 1);
  assert.equal(s.upc, 2);
  assert.equal(s.drawn.cycle.y, 5);  // R2 <- 0005, the HALT word's write, not the next word's 00F3
  assert.equal(s.r[2], 5);
  assert.equal(s.drawn.cycle.next, 2);
  toolchain.back();
  assert.equal(toolchain.state().drawn.halted, false);
});

// The words the run read, as the memory view marks them, against the
// cycles stepped one by one: the word at MAR of every cycle whose bus
// brings memory onto D or into IR.
test('the memory view marks the words the run read and wrote', () => {
  const dir = path.join(sourceDir, 'examples');
  const files = Object.fromEntries(['fetch_decode.zan', 'fetch_decode.map', 'fetch_decode.hex']
    .map(f => [f, read(path.join(dir, f))]));
  const args = ['--map', 'fetch_decode.map', '--mem', 'fetch_decode.hex', 'fetch_decode.zan'];
  assert.ok(toolchain.openSession(args, files).ready);
  const parts = toolchain.parts();
  const reads = new Set();
  for (let s = toolchain.state(); !s.ended; s = toolchain.state()) {
    const f = toolchain.wordFields(s.word);
    if (parts.buses[f.YBusCtrl].d === 'memory' || parts.buses[f.YBusCtrl].transfer === 'memory-to-ir') reads.add(s.mar);
    toolchain.step();
  }
  const marks = a => [...Array(65536).keys()].filter(i => a[i]);
  assert.deepEqual(marks(toolchain.memory().read), [...reads].sort((a, b) => a - b));
  assert.deepEqual(marks(toolchain.memory().written), [0x40]);
  // The same from a run at full speed, and none once reset.
  toolchain.reset();
  toolchain.run(1000);
  assert.deepEqual(marks(toolchain.memory().read), [...reads].sort((a, b) => a - b));
  toolchain.reset();
  assert.deepEqual(marks(toolchain.memory().read), []);
});

// A word set in the memory view is a line of the memory image.
test('a word set in the memory view becomes a line of the memory image', async () => {
  const {imageWithWord, parseWord} = await import('../src/memory.js');
  const once = imageWithWord('@0\n2000 0005\n', 0x40, 7);
  assert.equal(once, '@0\n2000 0005\n@0040 0007  // set in the memory view\n');
  assert.equal(imageWithWord(once, 0x40, 0xBEEF), '@0\n2000 0005\n@0040 BEEF  // set in the memory view\n');
  assert.equal(imageWithWord('', 1, 2), '@0001 0002  // set in the memory view\n');
  const r = toolchain.simulate('PROGRAM m\nLDMAR;\nR1 = MEM, HALT\nEND\n', ['--mem', 'm.hex', 'm.zan'],
    {'m.hex': imageWithWord('0005\n', 0, 9)});
  assert.match(bytesToText(r.stdout), /R1 +0x0009/);
  const cases = [['7', false, 7], ['beef', false, 0xBEEF], ['0x10', true, 16], ['$ff', false, 255], ['65535', true, 65535],
    ['-1', true, 65535], ['65536', true, null], ['12345', false, null], ['g', false, null], ['-1', false, null], ['', true, null]];
  for (const [text, decimal, want] of cases) assert.equal(parseWord(text, decimal), want, text);
});
