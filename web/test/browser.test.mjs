// The page in a real browser: headless Chromium, driven by puppeteer-core,
// loading the built page from a static server on 127.0.0.1.  A person's
// session in one run: the page starts on an example, a program is typed,
// its microwords and diagnostics are those of the native zanfo, the .mic
// download is zanfo's file, a share link opens the same program; the
// simulator steps an example to its HALT as zanfo-sim runs it, lights the
// paths of each word, stops at breakpoints, runs the unit tests, and a
// share link carries them; a screenshot of a fixed size is kept in the
// build tree (WEB_BUILD/screenshots/playground.png).
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {examples, firstDifference, nativeAssemble, nativeCommand, site, sourceDir} from './common.mjs';
import {
  allowDownloads, downloaded, foreign, newPage, openPage, readMachine, readPage, screenshot, serverUrl, settled,
  useBrowser,
} from './browser.mjs';
import {fragmentFor} from '../src/share.js';

useBrowser();

// A program with diagnostics of meaning, a multi-line microinstruction,
// two microinstructions on one line and a non-ASCII comment (UTF-8 bytes in
// the source, which zanfo skips inside comments).
const typed = [
  'PROGRAM typed',
  '{ Suma 10 + 9 + ... + 1 en R1 – con dos errores }',
  'EQU total R1;',
  'EQU n R2;',
  'total = 0; n = 10;',
  'again: total = total + n,',
  'LDUFLAG;',
  'total = n + R3;',
  'JUMP(again, NUZ);',
  'HALT, JUMP(nowhere)',
  'END',
].join('\n');

const utf8Bytes = text => Buffer.from(text, 'utf8').toString('latin1');

// What the page must show for `source`, from the native zanfo.
function expectedView(source) {
  const z = nativeAssemble(utf8Bytes(source));
  const mic = z.mic.split('\n').filter(Boolean).map(l => l.split(' '));
  const messages = z.stderr.split('\n').filter(Boolean).map(l => {
    const m = /^error:([0-9]+):(.*)$/.exec(l);
    return [`line ${m[1]}`, m[2]];
  });
  return {mic, messages, z};
}

test('window.zanfo.assemble is zanfo, in the browser too', async () => {
  const {page, errors} = await openPage();
  const sources = examples().map(e => e.source);
  sources.push('PROGRAM p\n{ \xe1\xff }\nR1 = R64 # \xe9\nEND\n', '', 'PROGRAM p\nR1 = ;\nEND\n');
  for (const source of sources) {
    const got = await page.evaluate(s => window.zanfo.assemble(s), source);
    assert.equal(firstDifference(got, nativeAssemble(source)), null);
  }
  assert.deepEqual(errors, []);
  await page.close();
});

test('a typed program shows zanfo\'s words, diagnostics and .mic file', async () => {
  const {page, errors} = await openPage();
  const start = await readPage(page);
  assert.equal(start.name, 'fetch_decode.zan');
  assert.deepEqual(start.rows.map(r => r.slice(0, 2)), expectedView(examples().find(e => e.name === 'fetch_decode.zan').source).mic);

  await page.click('.cm-content');
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.press('Backspace');
  await page.keyboard.type(typed);
  const view = await settled(page, start.generation);
  assert.equal(view.text, typed);

  const want = expectedView(typed);
  assert.deepEqual(view.rows.map(r => r.slice(0, 2)), want.mic);
  assert.deepEqual(view.rows.map(r => r[2]), ['5', '5', '6–7', '8', '9', '10']);
  // Beside line 5 the first of its two words, and a mark for the second.
  assert.deepEqual(view.gutter, [`${want.mic[0].join(' ')} +1`, ...want.mic.slice(2).map(w => w.join(' '))]);
  assert.deepEqual(view.messages, want.messages);
  assert.ok(want.messages.length >= 2, 'the program was meant to have diagnostics');
  assert.ok(view.underlined >= 2, 'diagnostics are underlined in the text');

  // The download is the .mic file zanfo writes.
  await allowDownloads(page);
  await page.click('#download-mic');
  assert.equal(view.name, 'typed.zan');  // named after the program
  assert.equal(await downloaded('typed.mic'), want.z.mic);
  // And the ROM images are zanfo-rom's, in a text and a binary format.
  for (const [format, name] of [['ihex', 'typed.hex'], ['bin', 'typed.bin']]) {
    await page.select('#rom-format', format);
    await page.click('#download-rom');
    const native = nativeCommand('zanfo-rom', ['--format', format, '-o', name, 'typed.mic'], {'typed.mic': want.z.mic});
    assert.equal(await downloaded(name), native.files[name], format);
  }

  // A share link, opened in a new tab, brings back the same program.
  await page.click('#share');
  await page.waitForFunction('!document.getElementById("share-url").hidden');
  const link = await page.$eval('#share-url', e => e.value);
  assert.ok(link.startsWith(serverUrl() + '#src='), link);
  const shared = await openPage(link.slice(serverUrl().length));
  const again = await readPage(shared.page);
  assert.equal(again.text, typed);
  assert.equal(again.name, 'typed.zan');
  assert.deepEqual(again.rows, view.rows);
  assert.deepEqual(again.messages, view.messages);
  assert.deepEqual(shared.errors, []);
  await shared.page.close();


  assert.deepEqual(errors, []);
  await page.close();
});

test('the page works opened from its folder, with no server', async () => {
  const page = await newPage();
  await page.goto('file://' + path.join(site, 'index.html'));
  await page.waitForFunction('document.body.classList.contains("ready")', {timeout: 20000});
  const got = await page.evaluate(s => window.zanfo.assemble(s), examples()[0].source);
  assert.equal(firstDifference(got, nativeAssemble(examples()[0].source)), null);
  await page.close();
});

// --- The simulator -----------------------------------------------------------

const exampleFile = name => fs.readFileSync(path.join(sourceDir, 'examples', name), 'latin1');

// zanfo-sim's final state as the page shows it: the registers and the state list.
function nativeState(report) {
  const registers = new Array(64).fill(0);
  const state = {};
  for (const line of report.split('\n')) {
    const [name, value] = line.split(/\s+/);
    if (/^R\d+$/.test(name)) registers[Number(name.slice(1))] = parseInt(value, 16);
    else if (name === 'μPC' || name === 'counter') state[name === 'μPC' ? 'upc' : name] = value;
    else if (['Q', 'MAR', 'IR'].includes(name)) state[name.toLowerCase()] = value.slice(2);
    else if (name === 'UFLAG' || name === 'MFLAG') state[name.toLowerCase()] = parseInt(value, 16);
    else if (name === 'stack') state.stack = line.replace(/^stack\s+/, '');
  }
  return {registers, state};
}

async function waitForSession(page, opened) {
  await page.waitForFunction(n => Number(document.body.dataset.simOpened) > n, {timeout: 10000}, opened);
}

test('the simulator steps an example to its HALT as zanfo-sim runs it, and back', async () => {
  const {page, errors} = await openPage();
  const files = {'fetch_decode.zan': exampleFile('fetch_decode.zan'), 'fetch_decode.map': exampleFile('fetch_decode.map'),
    'fetch_decode.hex': exampleFile('fetch_decode.hex')};
  const native = nativeCommand('zanfo-sim', ['--trace', '--map', 'fetch_decode.map', '--mem', 'fetch_decode.hex',
    'fetch_decode.zan'], files);
  assert.equal(native.status, 0, native.stderr);
  const nativeTrace = native.stdout.split('\n').filter(l => /^[0-9A-F]{3}  /.test(l));
  const report = Buffer.from(native.stdout.slice(native.stdout.indexOf('halted at')), 'latin1').toString('utf8');

  await page.click('#tab-tests');  // the picture shows the test file's result too
  await page.click('#run-tests');
  let steps = 0;
  while (!(await page.$eval('#sim-step', b => b.disabled)) && steps < 200) {
    await page.click('#sim-step');
    steps++;
    if (steps === 9) await screenshot(page, 'playground');  // mid-run, with the datapath lit: the manual's picture
  }
  const end = await readMachine(page);
  assert.equal(steps, nativeTrace.length);
  assert.deepEqual(end.trace, nativeTrace);
  assert.equal(end.status, report.split('\n')[0]);
  const want = nativeState(report);
  assert.deepEqual(end.registers, want.registers);
  for (const key of ['upc', 'counter', 'q', 'mar', 'ir', 'uflag', 'mflag', 'stack'])
    assert.equal(end.state[key], want.state[key], key);
  assert.deepEqual(end.atUpc, ['stop:   HALT']);  // the HALT's line, marked
  assert.deepEqual(await page.$$eval('#written li', l => l.map(e => e.textContent)), ['MEM[0040] 000C']);

  // Back one cycle, then three more: the trace and the state follow.
  for (let i = 1; i <= 4; i++) {
    await page.click('#sim-back');
    const back = await readMachine(page);
    assert.equal(back.cycles, nativeTrace.length - i);
    assert.deepEqual(back.trace, nativeTrace.slice(0, -i));
  }
  // Run from there ends where stepping ended; Reset goes back to the start.
  await page.click('#sim-run');
  await page.waitForFunction(n => Number(document.body.dataset.simCycles) === n, {timeout: 10000}, nativeTrace.length);
  assert.deepEqual((await readMachine(page)).registers, want.registers);
  await page.click('#sim-reset');
  const start = await readMachine(page);
  assert.equal(start.cycles, 0);
  assert.deepEqual(start.trace, []);
  assert.ok(start.registers.every(v => v === 0));

  // A breakpoint on the line of `stop: HALT` stops a run before its word.
  const breakNative = nativeCommand('zanfo-sim', ['--map', 'fetch_decode.map', '--mem', 'fetch_decode.hex',
    '--break', '0x30', 'fetch_decode.zan'], files);
  const line = (await readPage(page)).text.split('\n').indexOf('stop:   HALT') + 1;
  const where = await page.evaluate(n => {  // the breakpoint gutter beside line n, in sight
    const number = [...document.querySelectorAll('.cm-lineNumbers .cm-gutterElement')]
      .find(g => g.textContent === String(n));
    if (!number) return null;
    number.scrollIntoView({block: 'center'});
    const y = number.getBoundingClientRect().top + 2;
    const mark = document.querySelector('.cm-breakpoints').getBoundingClientRect();
    return {x: mark.left + mark.width / 2, y: y + 4};
  }, line);
  assert.ok(where, 'line ' + line + ' is in sight');
  await page.mouse.click(where.x, where.y);
  await page.click('#sim-run');
  await page.waitForFunction(() => !document.getElementById('sim-run').classList.contains('running') &&
    Number(document.body.dataset.simCycles) > 0, {timeout: 10000});
  const stopped = await readMachine(page);
  assert.equal(stopped.status, breakNative.stdout.split('\n')[0]);
  assert.deepEqual(stopped.atUpc, ['stop:   HALT']);
  assert.deepEqual(errors, []);
  await page.close();
});

test('the datapath lights the paths of the word at μPC, with its values', async () => {
  const source = ['PROGRAM paths', 'R1 = R1 + R2;', 'R3 = R3 + 0, LDMAR;', 'R2 = MEM, LDUFLAG;', 'JUMP(0, NUZ)', 'END'].join('\n');
  const {page, errors} = await openPage(await fragmentFor({source, name: 'paths.zan', options: '--set R1=3 --set R2=5 --set R3=0x40',
    memory: '@40 0007'}));
  const steps = [
    // The add: both ports into the ALU, F around the shifter back to the register at B.
    {lit: ['a-r', 'b-s', 'bypass-b', 'f-bypass', 'r-alu', 's-alu', 'seq-next', 'seq-upc', 'y-b'],
      parts: ['alu', 'nextmux', 'registers', 'rmux', 'smux', 'upc'],
      texts: {'port-a': 'R2', 'port-b': 'R1', 'v-a': '0005', 'v-b': '0003', f: 'F 0008', 'write-b': 'R1 ← 0008'}},
    // R3 + 0 onto the bus into MAR (and back into R3).
    {lit: ['a-s', 'bypass-b', 'f-bypass', 'f-mar', 'r-alu', 's-alu', 'seq-next', 'seq-upc', 'y-b', 'zero-r'],
      texts: {'port-a': 'R3', 'v-bus': '0040', 'write-b': 'R3 ← 0040'}},
    // Memory at MAR on the D bus into R, to R2; the status into UFLAG.
    {lit: ['bypass-b', 'd-r', 'd-r-bus', 'f-bypass', 'mar-mem', 'mem-d', 'r-alu', 's-alu', 'seq-next', 'seq-upc',
      'status-u', 'y-b', 'zero-s'], texts: {'v-d': '0007', memory: 'MEM[0040]', 'memory-value': '0007',
      'write-b': 'R2 ← 0007'}},
    // A jump: the condition select reads Z of UFLAG, the constant goes into the sequencer; the ALU is idle.
    {lit: ['cond-cc', 'seq-d', 'seq-next', 'uflag-cond'], parts: ['cond', 'nextmux', 'uflag', 'upc'],
      texts: {'cond-name': 'NUZ: UFLAG', 'cond-test': 'Z=0: passes', 'v-next': '000', f: ''}},
  ];
  for (const want of steps) {
    const got = await readMachine(page);
    assert.deepEqual(got.lit, want.lit.sort(), JSON.stringify(want.texts));
    if (want.parts) assert.deepEqual(got.litParts, want.parts);
    for (const [name, text] of Object.entries(want.texts)) assert.equal(got.texts[name], text, name);
    await page.click('#sim-step');
  }
  assert.deepEqual(errors, []);
  await page.close();
});

test('a word\'s fields show on hover, as zanfo-dump --fields gives them', async () => {
  const {page, errors} = await openPage();
  await page.click('#tab-mic');
  await page.hover('#mic > div[data-index="1"]');
  await page.waitForFunction('!document.getElementById("word-popover").hidden');
  const shown = await page.$eval('#word-popover', e => [...e.querySelectorAll('.head, pre > div')].map(d => d.textContent));
  const mic = nativeAssemble(exampleFile('fetch_decode.zan')).mic;
  const dump = nativeCommand('zanfo-dump', ['--fields', 'p.mic'], {'p.mic': mic}).stdout.split('\n\n')[1].split('\n');
  assert.equal(shown[0], dump[0]);
  assert.deepEqual(shown.slice(1), dump.slice(1));
  assert.deepEqual(errors, []);
  await page.close();
});

test('the page\'s unit tests are zanfo-sim --test, and a share link carries them', async () => {
  const {page, errors} = await openPage();
  const before = (await readPage(page)).generation;
  await page.select('#examples', 'multiply.zan');
  await settled(page, before);
  await page.click('#tab-tests');
  assert.equal(await page.$eval('#tests', e => e.value), exampleFile('multiply.test'));
  // The results, then the coverage summary of standard error.
  const native = test => {
    const r = nativeCommand('zanfo-sim', ['--test', 'multiply.test', '--coverage', 'multiply.info', 'multiply.zan'],
      {'multiply.zan': exampleFile('multiply.zan'), 'multiply.test': test});
    return {...r, shown: r.stdout + r.stderr};
  };
  const results = () => page.$eval('#test-results', e => e.textContent + '\n');
  await page.click('#run-tests');
  assert.equal(await results(), native(exampleFile('multiply.test')).shown);
  assert.equal(await page.$eval('#test-count', e => e.textContent), '5/5');

  // One more case, which fails.
  await page.click('#tests');
  await page.keyboard.down('Control');
  await page.keyboard.press('End');
  await page.keyboard.up('Control');
  await page.keyboard.type('\ncase a wrong product\nset R1=2 R2=2\nexpect R3=5\n');
  const edited = await page.$eval('#tests', e => e.value);
  await page.click('#run-tests');
  const failing = native(edited);
  assert.equal(failing.status, 1);
  assert.equal(await results(), failing.shown);
  assert.match(failing.stdout, /5 passed, 1 failed/);

  await page.click('#share');
  await page.waitForFunction('!document.getElementById("share-url").hidden');
  const link = await page.$eval('#share-url', e => e.value);
  const shared = await openPage(link.slice(serverUrl().length));
  assert.equal(await shared.page.$eval('#tests', e => e.value), edited);
  await shared.page.click('#tab-tests');
  await shared.page.click('#run-tests');
  assert.equal(await shared.page.$eval('#test-results', e => e.textContent + '\n'), failing.shown);
  assert.deepEqual(shared.errors, []);
  await shared.page.close();
  assert.deepEqual(errors, []);
  await page.close();
});

test('the examples menu loads each example, and nothing comes from another host', async () => {
  const {page, errors} = await openPage();
  for (const {name, source} of examples()) {
    const before = (await readPage(page)).generation;
    await page.select('#examples', name);
    const view = await settled(page, before);
    assert.equal(view.name, name);
    assert.deepEqual(view.rows.map(r => r.slice(0, 2)), expectedView(source).mic, name);
  }
  assert.deepEqual(errors, []);
  await page.close();
  assert.deepEqual(foreign, []);
});
