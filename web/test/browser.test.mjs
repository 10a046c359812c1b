// The page in a real browser: headless Chromium, driven by puppeteer-core,
// loading the built page from a static server on 127.0.0.1.  A person's
// session in one run: the page starts on an example, a program is typed,
// its microwords and diagnostics are those of the native zanfo, the .mic
// download is zanfo's file, a share link opens the same program, and a
// screenshot of a fixed size is kept in the build tree
// (WEB_BUILD/screenshots/playground.png).
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {
  examples, firstDifference, nativeAssemble, nativeCommand, requireFromBuild, site, tempDir, webBuild,
} from './common.mjs';
import {serve} from './server.mjs';

const puppeteer = requireFromBuild('puppeteer-core');

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

let server, browser, profile, downloads;
const foreign = [];  // requests to anywhere but the local server

test.before(async () => {
  server = await serve(site);
  profile = tempDir('zanfo-chromium-');
  downloads = tempDir('zanfo-downloads-');
  browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
});

test.after(async () => {
  await browser?.close();
  await server?.close();
  for (const dir of [profile, downloads]) if (dir) fs.rmSync(dir, {recursive: true, force: true});
});

async function openPage(fragment = '') {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', e => errors.push(e.message));
  page.on('console', m => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('request', r => {
    const url = r.url();
    if (!url.startsWith(server.url) && !url.startsWith('data:') && !url.startsWith('blob:')) foreign.push(url);
  });
  await page.setViewport({width: 1280, height: 800});
  await page.goto(server.url + fragment);
  await page.waitForFunction('document.body.classList.contains("ready")', {timeout: 20000});
  return {page, errors};
}

// The page's view of the last assembly.
function readPage(page) {
  return page.evaluate(() => ({
    text: [...document.querySelectorAll('.cm-content .cm-line')].map(l => l.textContent).join('\n'),
    gutter: [...document.querySelectorAll('.cm-words .cm-gutterElement')]
      .filter(e => e.style.visibility !== 'hidden' && e.textContent).map(e => e.textContent),  // not the spacer
    rows: [...document.querySelectorAll('#mic > div')].map(r => [...r.children].map(c => c.textContent)),
    messages: [...document.querySelectorAll('#diagnostics li:not(.none)')]
      .map(li => [li.querySelector('.where').textContent, li.querySelector('.text').textContent]),
    underlined: document.querySelectorAll('.cm-lintRange-error').length,
    status: document.getElementById('status').textContent,
    name: document.getElementById('file-name').textContent,
    generation: Number(document.body.dataset.assembled || 0),
  }));
}

// Waits until the page has assembled after `generation` and gone quiet.
async function settled(page, generation) {
  await page.waitForFunction(g => Number(document.body.dataset.assembled) > g, {timeout: 10000}, generation);
  await new Promise(r => setTimeout(r, 400));
  return readPage(page);
}

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
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
  await page.click('#download-mic');
  assert.equal(view.name, 'typed.zan');  // named after the program
  const file = path.join(downloads, 'typed.mic');
  for (let i = 0; i < 100 && !fs.existsSync(file); i++) await new Promise(r => setTimeout(r, 100));
  assert.equal(fs.readFileSync(file, 'latin1'), want.z.mic);
  // And the ROM images are zanfo-rom's, in a text and a binary format.
  for (const [format, name] of [['ihex', 'typed.hex'], ['bin', 'typed.bin']]) {
    await page.select('#rom-format', format);
    await page.click('#download-rom');
    const image = path.join(downloads, name);
    for (let i = 0; i < 100 && !fs.existsSync(image); i++) await new Promise(r => setTimeout(r, 100));
    const native = nativeCommand('zanfo-rom', ['--format', format, '-o', name, 'typed.mic'], {'typed.mic': want.z.mic});
    assert.equal(fs.readFileSync(image, 'latin1'), native.files[name], format);
  }

  const shots = path.join(webBuild, 'screenshots');
  fs.mkdirSync(shots, {recursive: true});
  await page.screenshot({path: path.join(shots, 'playground.png')});

  // A share link, opened in a new tab, brings back the same program.
  await page.click('#share');
  await page.waitForFunction('!document.getElementById("share-url").hidden');
  const link = await page.$eval('#share-url', e => e.value);
  assert.ok(link.startsWith(server.url + '#src='), link);
  const shared = await openPage(link.slice(server.url.length));
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
  const page = await browser.newPage();
  await page.goto('file://' + path.join(site, 'index.html'));
  await page.waitForFunction('document.body.classList.contains("ready")', {timeout: 20000});
  const got = await page.evaluate(s => window.zanfo.assemble(s), examples()[0].source);
  assert.equal(firstDifference(got, nativeAssemble(examples()[0].source)), null);
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
