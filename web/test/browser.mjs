// What the tests of the page in headless Chromium share: the browser, a
// static server for the built page, opening the page, reading what it
// shows, and keeping screenshots in the build tree for a person to look
// at (WEB_BUILD/screenshots).
import test from 'node:test';
import fs from 'node:fs';
import path from 'node:path';
import {requireFromBuild, site, tempDir, webBuild} from './common.mjs';
import {serve} from './server.mjs';

const puppeteer = requireFromBuild('puppeteer-core');

export const foreign = [];  // requests to anywhere but the local server
export const shots = path.join(webBuild, 'screenshots');
let server, browser, profile;
export let downloads;

// Starts Chromium and the server before the file's tests, and stops them after.
export function useBrowser() {
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
}

export const serverUrl = () => server.url;
export const newPage = () => browser.newPage();

export async function openPage(fragment = '', {width = 1280, height = 800} = {}) {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', e => errors.push(e.message));
  page.on('console', m => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('request', r => {
    const url = r.url();
    if (!url.startsWith(server.url) && !url.startsWith('data:') && !url.startsWith('blob:')) foreign.push(url);
  });
  await page.setViewport({width, height});
  await page.goto(server.url + fragment);
  await page.waitForFunction('document.body.classList.contains("ready")', {timeout: 20000});
  return {page, errors};
}

// Downloads of `page` go to the folder `downloads`.
export async function allowDownloads(page) {
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
}

// The file `name` once the browser has saved it.
export async function downloaded(name) {
  const file = path.join(downloads, name);
  for (let i = 0; i < 100 && !fs.existsSync(file); i++) await new Promise(r => setTimeout(r, 100));
  return fs.readFileSync(file, 'latin1');
}

// Keeps a screenshot of the page as it stands, WEB_BUILD/screenshots/NAME.png.
export async function screenshot(page, name) {
  fs.mkdirSync(shots, {recursive: true});
  await page.screenshot({path: path.join(shots, name + '.png')});
}


// The page's view of the last assembly.
export function readPage(page) {
  return page.evaluate(() => ({
    text: [...document.querySelectorAll('.cm-content .cm-line')].map(l => l.textContent).join('\n'),
    gutter: [...document.querySelectorAll('.cm-words .cm-gutterElement')]
      .filter(e => e.style.visibility !== 'hidden' && e.textContent).map(e => e.textContent),  // not the spacer
    rows: [...document.querySelectorAll('#mic > div')].map(r => [...r.children].map(c => c.textContent)),
    messages: [...document.querySelectorAll('#diagnostics li:not(.none):not(.check)')]
      .map(li => [li.querySelector('.where').textContent, li.querySelector('.text').textContent]),
    warnings: [...document.querySelectorAll('#diagnostics li.check')]  // zanfo-check's
      .map(li => [li.querySelector('.where').textContent, li.querySelector('.text').textContent, li.dataset.check]),
    underlined: document.querySelectorAll('.cm-lintRange-error').length,
    underlinedWarnings: document.querySelectorAll('.cm-lintRange-warning').length,
    status: document.getElementById('status').textContent,
    name: document.getElementById('file-name').textContent,
    generation: Number(document.body.dataset.assembled || 0),
  }));
}

// Waits until the page has assembled after `generation` and gone quiet.
export async function settled(page, generation) {
  await page.waitForFunction(g => Number(document.body.dataset.assembled) > g, {timeout: 10000}, generation);
  await new Promise(r => setTimeout(r, 400));
  return readPage(page);
}

// What the simulator shows: registers, the state list, the trace, the status.
export function readMachine(page) {
  return page.evaluate(() => {
    const registers = [...document.querySelectorAll('#registers [data-register]')]
      .map(e => parseInt(e.textContent.trim().split(/\s+/)[1], 16));
    const state = {};
    for (const e of document.querySelectorAll('#machine-state [data-state]')) {
      const flags = e.querySelectorAll('.flag');
      state[e.dataset.state] = flags.length ? [...flags].reduce((v, f, i) => v | (f.classList.contains('on') ? 1 << i : 0), 0) :
        e.textContent;
    }
    return {
      registers, state,
      trace: [...document.querySelectorAll('#trace > div')].map(d => d.textContent),
      status: document.getElementById('sim-status').textContent,
      lit: [...document.querySelectorAll('.datapath [data-path].lit')].map(e => e.dataset.path).sort(),
      litParts: [...document.querySelectorAll('.datapath [data-part].lit')].map(e => e.dataset.part).sort(),
      texts: Object.fromEntries([...document.querySelectorAll('.datapath [data-text]')].map(e => [e.dataset.text, e.textContent])),
      cycles: Number(document.body.dataset.simCycles),
      atUpc: [...document.querySelectorAll('.cm-line.cm-at-upc')].map(l => l.textContent),
    };
  });
}

