// The playground's figures (make bench-web): the page's size compressed,
// its load time from a local server with the browser's cache off, and the
// time to assemble a whole control store (4096 microwords) in the browser,
// through window.zanfo.assemble and through the page's own refresh (editor,
// gutter, microword list).  Medians; nothing is asserted.
//
//   ZANFO_WEB_BUILD=build/web node bench/web.mjs
import {createRequire} from 'node:module';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import {fileURLToPath} from 'node:url';

const root = path.dirname(path.dirname(fileURLToPath(import.meta.url)));
const webBuild = path.resolve(process.env.ZANFO_WEB_BUILD || 'build/web');
const site = path.join(webBuild, 'site');
const require = createRequire(path.join(webBuild, 'npm', 'package.json'));
const puppeteer = require('puppeteer-core');
const {serve} = await import(path.join(root, 'web', 'test', 'server.mjs'));

const median = xs => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const kib = n => (n / 1024).toFixed(1) + ' KiB';

// Size: every file of the site, as gzip -9 and brotli would send it.
let raw = 0, gz = 0, br = 0;
console.log('file            raw        gzip -9    brotli');
for (const file of fs.readdirSync(site).sort()) {
  const bytes = fs.readFileSync(path.join(site, file));
  const g = zlib.gzipSync(bytes, {level: 9}).length;
  const b = zlib.brotliCompressSync(bytes).length;
  raw += bytes.length; gz += g; br += b;
  console.log(`${file.padEnd(15)} ${kib(bytes.length).padEnd(10)} ${kib(g).padEnd(10)} ${kib(b)}`);
}
console.log(`${'whole page'.padEnd(15)} ${kib(raw).padEnd(10)} ${kib(gz).padEnd(10)} ${kib(br)}`);

// A whole control store, from the benchmark's own generator.
const gen = path.join(webBuild, 'gen_program');
if (!fs.existsSync(gen)) execFileSync('g++', ['-O2', '-o', gen, path.join(root, 'bench', 'gen_program.cpp')]);
const program = execFileSync(gen, ['4096', 'many']).toString('latin1');

const server = await serve(site);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zanfo-chromium-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  userDataDir: profile,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run'],
});
try {
  const loads = [];
  for (let i = 0; i < 11; i++) {
    const page = await browser.newPage();
    await page.setCacheEnabled(false);
    await page.setViewport({width: 1280, height: 800});
    await page.goto(server.url);
    await page.waitForFunction('document.body.classList.contains("ready")');
    loads.push(await page.evaluate(() => performance.getEntriesByName('zanfo-ready')[0].startTime));
    await page.close();
  }
  console.log(`page load, to the first example assembled and shown: ${median(loads).toFixed(0)} ms ` +
    `(median of ${loads.length}; ${Math.min(...loads).toFixed(0)} to ${Math.max(...loads).toFixed(0)})`);

  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 800});
  await page.goto(server.url);
  await page.waitForFunction('document.body.classList.contains("ready")');
  const figures = await page.evaluate(async source => {
    const r = window.zanfo.assemble(source);
    const words = r.mic.split('\n').filter(Boolean).length;
    const calls = [];
    for (let i = 0; i < 30; i++) {
      const t = performance.now();
      window.zanfo.assemble(source);
      calls.push(performance.now() - t);
    }
    return {words, stderr: r.stderr, calls};
  }, program);
  console.log(`assembling ${figures.words} microwords with window.zanfo.assemble: ` +
    `${median(figures.calls).toFixed(1)} ms (median of ${figures.calls.length})` +
    (figures.stderr ? ` -- diagnostics: ${figures.stderr.slice(0, 80)}` : ''));

  // The page's whole refresh: the program opened from a share link, until
  // its words are beside the lines and in the list (the link's unpacking
  // included).
  const {fragmentFor} = await import(path.join(root, 'web', 'src', 'share.js'));
  const refresh = [];
  for (let i = 0; i < 7; i++) {
    const fragment = await fragmentFor({source: program + '\n'.repeat(i + 1), name: 'store.zan'});
    refresh.push(await page.evaluate(async fragment => {
      const done = new Promise(resolve => new MutationObserver((_, o) => { o.disconnect(); resolve(); })
        .observe(document.body, {attributes: true, attributeFilter: ['data-assembled']}));
      const t0 = performance.now();
      location.hash = fragment;
      await done;
      await new Promise(r => requestAnimationFrame(() => setTimeout(r)));
      return performance.now() - t0;
    }, fragment));
  }
  console.log(`the page's refresh for them, opened from a share link: ` +
    `${median(refresh).toFixed(0)} ms (median of ${refresh.length})`);
} finally {
  await browser.close();
  await server.close();
  fs.rmSync(profile, {recursive: true, force: true});
}
