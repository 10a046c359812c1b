// The page as a student meets it, in headless Chromium at 1400x900: the
// tests, memory image and mapping that belong to a program; the drawing
// after a HALT; the condition select; a drawing with no text over a wire;
// the microword gutter; the counts of Run tests beside it; the test
// command and its files; the whole memory; the notes and explanations of
// zanfo's messages; zanfo-check's warnings beside them, explained,
// following the options.  Each state is kept as a screenshot in
// WEB_BUILD/screenshots for a person to look at.
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {nativeCommand, sourceDir} from './common.mjs';
import {
  allowDownloads, downloaded, openPage, readMachine, readPage, screenshot, settled, useBrowser,
} from './browser.mjs';
import {fragmentFor, readFragment} from '../src/share.js';

useBrowser();

const size = {width: 1400, height: 900};
const exampleFile = name => fs.readFileSync(path.join(sourceDir, 'examples', name), 'latin1');
const inputs = page => page.evaluate(() => ({test: document.getElementById('tests').value,
  memory: document.getElementById('memory-image').value, map: document.getElementById('mapping').value,
  command: document.getElementById('tests-command').textContent, count: document.getElementById('test-count').textContent,
  notice: document.getElementById('inputs-notice').hidden ? '' : document.getElementById('inputs-notice-text').textContent}));

async function typeOver(page, text) {
  const before = (await readPage(page)).generation;
  await page.click('.cm-content');
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.type(text);
  return settled(page, before);
}

// The page with `source` from a share link, stepped `steps` times.
async function stepped(source, steps, extra = {}) {
  const opened = await openPage(await fragmentFor({source, name: 'p.zan', ...extra}), size);
  for (let i = 0; i < steps; i++) await opened.page.click('#sim-step');
  return opened;
}

test('tests, memory image and mapping belong to the program they came with', async () => {
  const {page, errors} = await openPage('', size);
  const came = {test: exampleFile('fetch_decode.test'), memory: exampleFile('fetch_decode.hex'),
    map: exampleFile('fetch_decode.map')};
  assert.deepEqual(await inputs(page).then(i => ({test: i.test, memory: i.memory, map: i.map})), came);
  await page.click('#tab-tests');
  await page.click('#run-tests');
  assert.equal((await inputs(page)).count, '4/4');

  // A new program: they are put aside, the command and share links no longer name them.
  await typeOver(page, 'PROGRAM mine\nR1 = 1;\nHALT\nEND\n');
  const aside = await inputs(page);
  assert.deepEqual([aside.test, aside.memory, aside.map, aside.count], ['', '', '', '']);
  assert.match(aside.notice, /unit tests, memory image and JMAP mapping of fetch_decode\.zan were put aside/);
  assert.equal(aside.command, 'zanfo-sim --test mine.test --coverage mine.info mine.zan');
  await screenshot(page, 'new-program');
  await page.click('#share');
  await page.waitForFunction('!document.getElementById("share-url").hidden');
  const shared = await readFragment(new URL(await page.$eval('#share-url', e => e.value)).hash);
  assert.deepEqual([shared.test, shared.memory, shared.map], ['', '', '']);

  // Undo brings them back, with the last run's count.
  await page.click('#inputs-undo');
  const back = await inputs(page);
  assert.deepEqual({test: back.test, memory: back.memory, map: back.map}, came);
  assert.equal(back.notice, '');
  assert.match(back.command, /--mem mine\.hex --map mine\.map --test mine\.test --coverage mine\.info mine\.zan$/);

  // The count is the last run's: marked once the program changes.
  await page.click('#run-tests');
  await page.click('.cm-content');
  await page.keyboard.press('End');
  const before = (await readPage(page)).generation;
  await page.keyboard.type(' ');
  await settled(page, before);
  assert.equal(await page.$eval('#test-count', e => e.classList.contains('stale')), true);

  // Another example replaces all three with its own.
  const generation = (await readPage(page)).generation;
  await page.select('#examples', 'multiply.zan');
  await settled(page, generation);
  const other = await inputs(page);
  assert.deepEqual([other.test, other.memory, other.map, other.count, other.notice],
    [exampleFile('multiply.test'), '', '', '', '']);
  assert.deepEqual(errors, []);
  await page.close();
});

test('once halted, the drawing shows the HALT word\'s cycle, dimmed, and says halted', async () => {
  const source = 'PROGRAM h\nR1 = $51;\nR2 = R1 + 0, HALT;\nR2 = 243\nEND\n';
  const {page, errors} = await stepped(source, 3);
  const m = await readMachine(page);
  assert.equal(m.registers[2], 0x51);
  assert.equal(m.texts['write-b'], 'R2 ← 0051');  // not the next word's R2 ← 00F3
  assert.equal(m.texts.halt, 'halted: the cycle of the HALT word at 001');
  assert.equal(await page.$eval('.datapath', e => e.classList.contains('halted')), true);
  assert.match(await page.$eval('#sim-next', e => e.textContent), /^halted after 001 /);
  await screenshot(page, 'halted');
  await page.click('#sim-back');
  assert.equal(await page.$eval('.datapath', e => e.classList.contains('halted')), false);
  assert.deepEqual(errors, []);
  await page.close();
});

test('the condition select names the condition, the flags it read and the outcome', async () => {
  const source = 'PROGRAM c\nCOMP(R1, R2);\nJUMP(0, USG);\nJUMP(0, NMZ);\nHALT\nEND\n';
  const {page, errors} = await stepped(source, 1, {options: '--set R1=3 --set R2=5'});
  const usg = await readMachine(page);
  assert.deepEqual([usg.texts['cond-name'], usg.texts['cond-test']], ['USG: UFLAG', 'Z=0 N=1 V=0: fails']);
  for (const wire of ['uflag-cond', 'cond-cc', 'seq-upc']) assert.ok(usg.lit.includes(wire), wire);
  assert.ok(usg.litParts.includes('cond') && usg.litParts.includes('uflag'));
  assert.deepEqual(await page.$$eval('[data-text=uflag] tspan.read', t => t.map(e => e.textContent)), ['Z', 'N', 'V']);
  await screenshot(page, 'condition');
  await page.click('#sim-step');
  const nmz = await readMachine(page);
  assert.deepEqual([nmz.texts['cond-name'], nmz.texts['cond-test']], ['NMZ: MFLAG', 'Z=0: passes']);
  assert.ok(nmz.lit.includes('mflag-cond') && nmz.lit.includes('seq-d'));
  assert.deepEqual(errors, []);
  await page.close();
});

// Every text of the drawing, against every wire, the edge of every box and
// every other text, on every cycle of a program that takes most paths.
test('no text of the drawing stands over a wire, an edge or another text', async () => {
  const source = ['PROGRAM all', 'R1 = R1 + R2, LDUFLAG;', 'R1 = 1;', 'RQ = R3 + MEM, LDMFLAG;', 'INCR(R6), ASR;',
    'R6 = R6 - R1, LSL;', 'MEM = R5;', 'UFLAG = 9;', 'LDIR;', 'R7 = MFLAG;', 'CALL(sub);', 'JUMP(0, NUZ);',
    'sub: R1 = R1 + IRA2, RET(MSG)', 'END'].join('\n');
  const {page, errors} = await stepped(source, 0, {options: '--set R1=3 --set R2=5'});
  for (let step = 0; step < 12; step++) {
    const clashes = await page.evaluate(() => {
      const segments = [];
      const outline = (name, points) => {
        for (let k = 1; k < points.length; k++) segments.push([name, points[k - 1], points[k]]);
      };
      for (const p of document.querySelectorAll('.datapath polyline'))
        outline(p.dataset.path, p.getAttribute('points').split(' ').map(xy => xy.split(',').map(Number)));
      for (const r of document.querySelectorAll('.datapath rect')) {
        const [x, y, w, h] = ['x', 'y', 'width', 'height'].map(a => Number(r.getAttribute(a)));
        outline('box ' + r.dataset.part, [[x, y], [x + w, y], [x + w, y + h], [x, y + h], [x, y]]);
      }
      const alu = document.querySelector('.datapath polygon').getAttribute('points').split(' ').map(xy => xy.split(',').map(Number));
      outline('the ALU', [...alu, alu[0]]);
      const texts = [...document.querySelectorAll('.datapath text')].filter(t => t.textContent.trim());
      const box = t => {
        const b = t.getBBox();
        return [b.x + 1, b.y + 2, b.x + b.width - 1, b.y + b.height - 2];
      };
      const out = [];
      for (const t of texts) {
        if (t.classList.contains('value')) continue;  // a value stands on its wire, with a halo
        const [x0, y0, x1, y1] = box(t);
        for (const [name, [ax, ay], [bx, by]] of segments) {
          const steps = Math.ceil(Math.hypot(bx - ax, by - ay));
          for (let k = 0; k <= steps; k++) {
            const x = ax + (bx - ax) * k / steps, y = ay + (by - ay) * k / steps;
            if (x + 1 > x0 && x - 1 < x1 && y + 1 > y0 && y - 1 < y1) {
              out.push(`"${t.textContent}" over ${name}`);
              break;
            }
          }
        }
      }
      for (let a = 0; a < texts.length; a++)
        for (let b = a + 1; b < texts.length; b++) {
          const p = box(texts[a]), q = box(texts[b]);
          if (p[0] < q[2] && q[0] < p[2] && p[1] < q[3] && q[1] < p[3])
            out.push(`"${texts[a].textContent}" over "${texts[b].textContent}"`);
        }
      return out;
    });
    assert.deepEqual(clashes, [], `step ${step}`);
    const m = await readMachine(page);
    if (step === 1) {  // R1 = 1 does not pass through the shifter
      assert.ok(!m.litParts.includes('shifter'));
      assert.ok(m.lit.includes('f-bypass'));
      await screenshot(page, 'drawing');
    }
    if (step === 3) assert.deepEqual([m.texts.function, m.texts.shifter], ['R + S + 1', '→ 1']);
    await page.click('#sim-step');
  }
  assert.deepEqual(errors, []);
  await page.close();
});

test('the microword gutter is narrow, shows the address alone, or nothing', async () => {
  const {page, errors} = await openPage('', size);
  const width = () => page.$eval('.cm-words', e => (e.offsetParent ? e.getBoundingClientRect().width : 0));
  const full = await width();
  assert.ok(full > 100 && full <= 160, `${full} px`);
  await page.select('#words-view', 'address');
  const address = await width();
  assert.ok(address < 60, `${address} px`);
  await screenshot(page, 'gutter-address');
  await page.select('#words-view', 'off');
  assert.equal(await width(), 0);
  // Kept for the next visit.
  await page.reload();
  await page.waitForFunction('document.body.classList.contains("ready")');
  assert.equal(await page.$eval('#words-view', e => e.value), 'off');
  await page.select('#words-view', 'full');
  assert.deepEqual(errors, []);
  await page.close();
});

// The counts beside the lines after Run tests, against the native
// tracefile of the same run: a count, or ##### for a line never run, on
// every line where a word starts; each conditional word's two ways, and
// all of it in words on hover; in every view of the words, dimmed once
// the program changes.
test('Run tests shows how often each line ran, and each conditional word\'s ways, in the gutter', async () => {
  const caseDir = path.join(sourceDir, 'tests', 'e2e', 'sim_coverage_tracefile_of_every_case');
  const source = fs.readFileSync(path.join(caseDir, 'sum.zan'), 'latin1');
  const tests = fs.readFileSync(path.join(caseDir, 'sum.test'), 'latin1');
  const tracefile = nativeCommand('zanfo-sim', ['--test', 'sum.test', '--coverage', 'sum.info', 'sum.zan'],
    {'sum.zan': source, 'sum.test': tests}).files['sum.info'];
  const want = [...tracefile.matchAll(/^DA:(\d+),(\d+)$/gm)].map(([, line, count]) => [Number(line), count === '0' ? '#####' : count]);
  const {page, errors} = await openPage(await fragmentFor({source, name: 'sum.zan', test: tests}), size);
  await page.click('#tab-tests');
  await page.click('#run-tests');
  // Each count at the height of its line's number.
  const counts = () => page.evaluate(() => {
    const numbers = [...document.querySelectorAll('.cm-lineNumbers .cm-gutterElement')];
    return [...document.querySelectorAll('.cm-counts .cm-gutterElement > span')].map(e => {
      const top = e.parentElement.getBoundingClientRect().top;
      const line = numbers.find(n => Math.abs(n.getBoundingClientRect().top - top) < 1);
      return {line: Number(line?.textContent), text: e.firstChild.textContent, title: e.title,
        ways: [...e.querySelectorAll('.branches i')].map(i => i.className), shown: e.offsetParent !== null};
    });
  });
  const shown = await counts();
  assert.deepEqual(shown.map(c => [c.line, c.text]), want);
  const jump = shown.find(c => c.line === 7), loop = shown.find(c => c.line === 10);
  assert.deepEqual([jump.ways, loop.ways], [['not-taken', 'taken'], ['taken', 'taken']]);
  assert.equal(jump.title, 'line 7: run twice by the tests\n002, conditional: the test never passed, failed twice');
  assert.ok(shown.filter(c => c.ways.length === 0).every(c => !/conditional/.test(c.title)));
  assert.equal(await page.$eval('#editor', e => e.classList.contains('counts-stale')), false);
  await screenshot(page, 'coverage');
  // Beside the address alone, and alone when the words are hidden; hidden when unticked.
  for (const view of ['address', 'off']) {
    await page.select('#words-view', view);
    assert.ok((await counts()).every(c => c.shown), view);
  }
  await page.select('#words-view', 'full');
  await page.click('#counts-view');
  assert.ok((await counts()).every(c => !c.shown));
  await page.click('#counts-view');
  // The program changes: the counts are of the program before, dimmed, and move with their lines.
  const before = (await readPage(page)).generation;
  await page.click('.cm-content');
  await page.keyboard.down('Control');
  await page.keyboard.press('Home');
  await page.keyboard.up('Control');
  await page.keyboard.type('{ summed }\n');
  await settled(page, before);
  assert.equal(await page.$eval('#editor', e => e.classList.contains('counts-stale')), true);
  assert.deepEqual((await counts()).map(c => [c.line - 1, c.text]), want);
  assert.deepEqual(errors, []);
  await page.close();
});

test('the test command is shown whole, and its files download as the page holds them', async () => {
  const {page, errors} = await openPage('', size);
  await allowDownloads(page);
  await page.click('#tab-tests');
  const command = await page.$eval('#tests-command', e => ({text: e.textContent, whole: e.scrollWidth <= e.clientWidth + 1,
    height: e.getBoundingClientRect().height}));
  assert.equal(command.text, 'zanfo-sim --mem fetch_decode.hex --map fetch_decode.map --test fetch_decode.test ' +
    '--coverage fetch_decode.info fetch_decode.zan');
  assert.ok(command.whole);
  assert.deepEqual(await page.$$eval('#tests-files a', a => a.map(e => e.textContent)),
    ['fetch_decode.zan', 'fetch_decode.hex', 'fetch_decode.map', 'fetch_decode.test']);
  await screenshot(page, 'tests-command');
  const files = {};
  for (const name of ['fetch_decode.test', 'fetch_decode.hex', 'fetch_decode.map', 'fetch_decode.zan']) {
    await page.click(`#tests-files a[data-file="${name}"]`);
    files[name] = await downloaded(name);
    assert.equal(files[name], exampleFile(name), name);
  }
  // The command, run on the files downloaded, is what the page ran; the
  // tracefile it wrote downloads too.
  await page.click('#run-tests');
  const args = command.text.split(' ').slice(1);
  const native = nativeCommand('zanfo-sim', args, files);
  assert.equal(native.stdout + native.stderr, await page.$eval('#test-results', e => e.textContent + '\n'));
  await page.click('#tests-files a[data-file="fetch_decode.info"]');
  assert.equal(await downloaded('fetch_decode.info'), native.files['fetch_decode.info']);
  assert.deepEqual(errors, []);
  await page.close();
});

test('the Memory tab shows the whole memory, marks what the run read and wrote, and sets a word', async () => {
  const {page, errors} = await openPage('', size);
  await page.click('#tab-memory');
  const cell = a => page.$eval(`#memory-grid [data-address="${a}"]`, e => ({text: e.textContent, classes: e.className}));
  // Before the run: the memory image, nothing read or written.
  assert.equal((await cell(1)).text, '0005');
  // A word set before the run: a line of the memory image, which the run then reads.
  await page.click('#memory-grid [data-address="1"]', {count: 2});
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.type('0009');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('memory-image').value.includes('@0001 0009'));
  await page.waitForFunction(() => document.querySelector('#memory-grid [data-address="1"]')?.textContent === '0009');
  await page.click('#sim-run');
  await page.waitForFunction(() => document.getElementById('sim-step').disabled && !document.getElementById('sim-run')
    .classList.contains('running'));
  assert.match((await cell(1)).classes, /is-read/);
  // Go to an address: the word the run wrote, at its place.
  await page.type('#memory-goto', '40');
  await page.keyboard.press('Enter');
  const written = await cell(0x40);
  assert.equal(written.text, '0010');  // 9 + 7, where the example's image gave 5 + 7 = 000C
  assert.match(written.classes, /is-written/);
  assert.match(written.classes, /selected/);
  assert.match(await page.$eval('#memory-detail', e => e.textContent), /^MEM\[0040\] = 0x0010 = 16 · written by the run/);
  await page.click('input[name=memory-base][value=dec]');
  assert.equal((await cell(0x40)).text.trim(), '16');
  await screenshot(page, 'memory');
  // After the run a word cannot be set: Reset first.
  await page.click('#memory-grid [data-address="64"]', {count: 2});
  assert.equal(await page.$('#memory-grid input'), null);
  assert.deepEqual(errors, []);
  await page.close();
});

test('the Diagnostics tab shows the explanation and the notes of each message', async () => {
  const {page, errors} = await openPage('', size);
  await typeOver(page, 'PROGRAM notes\nloop: NOP;\n  JUMP(loop)\nEND\n');
  const shown = await page.$$eval('#diagnostics li', l => l.map(li => ({
    where: li.querySelector('.where').textContent, text: li.querySelector('.text').textContent,
    explain: li.querySelector('.explain')?.textContent, notes: [...li.querySelectorAll('.note, .hint')].map(n => n.textContent)})));
  const listing = Buffer.from(nativeCommand('zanfo-dump', ['--listing', 'notes.zan'],
    {'notes.zan': 'PROGRAM notes\nloop: NOP;\n  JUMP(loop)\nEND\n'}).stdout, 'latin1').toString('utf8')
    .split('\n').map(l => l.trim()).filter(l => /^(note|hint): /.test(l));
  assert.equal(shown.length, 1);
  assert.deepEqual([shown[0].where, shown[0].text], ['line 2', 'parse error']);
  assert.deepEqual(['note: ' + shown[0].explain, ...shown[0].notes], listing);
  assert.match(shown[0].notes.join('\n'), /hint: "loop" is the keyword LOOP, so it cannot be a label/);
  await screenshot(page, 'diagnostics');
  // A character outside the language: at its line, with its explanation.
  await typeOver(page, 'PROGRAM stray\nR1 = R2 #\nEND\n');
  const stray = await page.$$eval('#diagnostics li', l => l.map(li => [li.className, li.querySelector('.where').textContent,
    li.querySelector('.text').textContent]));
  assert.deepEqual(stray, [['warning', 'line 2', 'Unrecognized character: (35) #'],
    ['warning check', 'line 2', 'the next address, 001, holds no microword: the run stops there; end with HALT or a jump']]);
  assert.deepEqual(errors, []);
  await page.close();
});

// zanfo-check's warnings beside zanfo's messages: underlined as warnings,
// listed with their check's name, the check's explanation opened below
// and shown on hover over the underline, all as zanfo-check gives them;
// and they follow the simulator's options (LOOP to address here).
test('the checks warn beside zanfo, each with its explanation', async () => {
  const source = ['PROGRAM sub', '        CALL(times);', '        HALT;', 'times:  LDCOUNT(2);', 'round:  INCR(R1);',
    '        LOOP(round);', '        RET', 'END', ''].join('\n');
  const native = args => Buffer.from(nativeCommand('zanfo-check', [...args, 'sub.zan'], {'sub.zan': source}).stdout, 'latin1')
    .toString('utf8').split('\n').filter(Boolean).map(l => {
      const [, line, text, name] = /^sub\.zan:(\d+): warning: (.*) \[([a-z-]+)\]$/.exec(l);
      return [`line ${line}`, text, name];
    });
  const {page, errors} = await openPage(await fragmentFor({source, name: 'sub.zan'}), size);
  const view = await readPage(page);
  assert.deepEqual(view.warnings, native([]));
  assert.equal(view.warnings.length, 2);
  assert.deepEqual([view.underlinedWarnings, view.underlined, view.messages], [2, 0, []]);
  assert.match(view.status, /· 2 warnings ·/);

  // The explanation, opened in the list and on hover, is zanfo-check --explain's.
  const explain = name => Buffer.from(nativeCommand('zanfo-check', ['--explain', name], {}).stdout, 'latin1')
    .toString('utf8').split('\n\n')[1].split('\nWrong')[0].replace(/\s+/g, ' ').trim();
  await page.click('#diagnostics li[data-check="loop-target"] summary');
  const opened = await page.waitForSelector('#diagnostics li[data-check="loop-target"] .check-explain')
    .then(box => box.evaluate(e => e.innerText));
  assert.ok(opened.replace(/\s+/g, ' ').includes(explain('loop-target')), opened);
  assert.match(opened, /Wrong:\n[^]*LOOP\(round\)[^]*Right:/);
  const underline = await page.$$('.cm-lintRange-warning');
  await underline[1].hover();  // RET, line 7
  await page.waitForSelector('.cm-tooltip-lint');
  const hovered = await page.$eval('.cm-tooltip-lint', e => e.innerText);
  assert.ok(hovered.replace(/\s+/g, ' ').includes(explain('stack-underflow')), hovered);
  assert.match(hovered, /\[stack-underflow\]/);
  await screenshot(page, 'warnings');

  // LOOP to address: the LOOP repeats to its operand, and the checks know it.
  const before = view.generation;
  await page.click('#sim-loop');
  await page.waitForFunction(() => !document.querySelector('#diagnostics li.check'));
  const looped = await readPage(page);
  assert.deepEqual([looped.warnings, native(['--loop-to-address']), looped.underlinedWarnings], [[], [], 0]);
  assert.equal(looped.generation, before);  // checked again, not assembled again
  assert.deepEqual(errors, []);
  await page.close();
});
