// The playground's figures (make bench-web): the page's size compressed,
// its load time from a local server with the browser's cache off, the
// time to assemble and check a whole control store (4096 microwords) in
// the browser, through window.zanfo.assemble and window.zanfo.check and
// through the page's own refresh (editor, gutter, microword list,
// diagnostics), Run tests on it with its counts in the gutter, and the
// simulator's cycles per second on bench/sim_bench.zan when nothing is
// drawn, through the machine's run and through the page's Run button.
// Medians; nothing is asserted.
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
  // Each keystroke's pause costs an assembly and a check (zanfo-check's,
  // which assembles the source again in memory).
  const figures = await page.evaluate(async source => {
    const r = window.zanfo.assemble(source);
    const words = r.mic.split('\n').filter(Boolean).length;
    const warnings = window.zanfo.check(source, ['p.zan']).warnings.length;
    const calls = [], checks = [], both = [];
    for (let i = 0; i < 30; i++) {
      const t = performance.now();
      window.zanfo.assemble(source);
      calls.push(performance.now() - t);
      const middle = performance.now();
      window.zanfo.check(source, ['p.zan']);
      checks.push(performance.now() - middle);
      both.push(performance.now() - t);
    }
    return {words, stderr: r.stderr, warnings, calls, checks, both};
  }, program);
  console.log(`assembling ${figures.words} microwords with window.zanfo.assemble: ` +
    `${median(figures.calls).toFixed(1)} ms (median of ${figures.calls.length})` +
    (figures.stderr ? ` -- diagnostics: ${figures.stderr.slice(0, 80)}` : ''));
  console.log(`checking them with window.zanfo.check (${figures.warnings} warnings): ` +
    `${median(figures.checks).toFixed(1)} ms; assembly and check: ${median(figures.both).toFixed(1)} ms ` +
    `(medians of ${figures.both.length}; ${Math.min(...figures.both).toFixed(1)} to ${Math.max(...figures.both).toFixed(1)})`);

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

  // Typing in them: a character at the end, and after the pause the page's
  // work on the main thread (assembly, check, gutter, list, diagnostics)
  // until the next frame is drawn.
  const typed = [];
  await page.click('.cm-content');
  await page.keyboard.down('Control');
  await page.keyboard.press('End');
  await page.keyboard.up('Control');
  for (let i = 0; i < 7; i++) {
    const generation = await page.evaluate(() => Number(document.body.dataset.assembled));
    await page.keyboard.type(' ');
    typed.push(await page.evaluate(async generation => {
      while (Number(document.body.dataset.assembled) === generation) await new Promise(r => setTimeout(r, 5));
      const work = performance.getEntriesByName('zanfo-refresh').pop();
      await new Promise(r => requestAnimationFrame(() => setTimeout(r)));
      return {work: work.duration, drawn: performance.now() - work.startTime};
    }, generation));
  }
  console.log(`a character typed in them, the page's work after the pause: ` +
    `${median(typed.map(t => t.work)).toFixed(0)} ms, drawn after ${median(typed.map(t => t.drawn)).toFixed(0)} ms ` +
    `(medians of ${typed.length})`);

  // Run tests on them: a case of 1000 cycles run with --coverage, then
  // the tracefile read and a count beside each of the 4096 lines, until
  // the next frame is drawn; beside it, the same zanfo-sim run alone.
  const tests = await page.evaluate(async () => {
    document.getElementById('tests').value = 'max-cycles 1000\ncase one\n';
    const whole = [], alone = [];
    for (let i = 0; i < 7; i++) {
      const t = performance.now();
      window.zanfo.simulator.runTests();
      await new Promise(r => requestAnimationFrame(() => setTimeout(r)));
      whole.push(performance.now() - t);
    }
    const {args, files} = window.zanfo.simulator.commandLine();
    files['p.test'] = 'max-cycles 1000\ncase one\n';
    const name = args.pop();
    for (let i = 0; i < 7; i++) {
      const t = performance.now();
      window.zanfo.simulate(null, [...args, '--test', 'p.test', '--coverage', 'p.info', name], files);
      alone.push(performance.now() - t);
    }
    return {whole, alone, counts: document.querySelectorAll('.cm-counts .cm-gutterElement > span').length};
  });
  console.log(`Run tests on them with --coverage, to the counts drawn: ${median(tests.whole).toFixed(0)} ms, ` +
    `of which zanfo-sim's run ${median(tests.alone).toFixed(0)} ms (medians of ${tests.whole.length}; ` +
    `${tests.counts} counts in sight)`);

  // The simulator: 2 * 10^7 cycles at a time of zanfo-sim's benchmark
  // program, straight through the machine, nothing drawn.
  const bench = fs.readFileSync(path.join(root, 'bench', 'sim_bench.zan'), 'latin1');
  const speeds = await page.evaluate(source => {
    const m = window.zanfo.machine;
    if (!m.openSession(['--max-cycles', '200000000', 'sim_bench.zan'], {'sim_bench.zan': source}).ready)
      throw new Error('sim_bench.zan does not load');
    const rates = [];
    for (let i = 0; i < 5; i++) {
      const t = performance.now();
      m.run(2e7);
      rates.push(2e7 / (performance.now() - t) * 1000);
    }
    return rates;
  }, bench);
  const mega = x => (x / 1e6).toFixed(1) + ' M';
  console.log(`the simulator, run(2*10^7) with nothing drawn: ${mega(median(speeds))} cycles/s ` +
    `(median of ${speeds.length}; ${mega(Math.min(...speeds))} to ${mega(Math.max(...speeds))})`);

  // The page's Run button, the second time: 10^7 cycles (the default
  // limit) in slices that give the page back every 30 ms, then one drawing
  // of the end (with the trace of its last 1000 cycles).
  const shared = await fragmentFor({source: bench, name: 'sim_bench.zan'});
  const button = await browser.newPage();
  await button.setViewport({width: 1280, height: 800});
  await button.goto(server.url + shared);
  await button.waitForFunction('document.body.classList.contains("ready")');
  const run = await button.evaluate(async () => {
    const ends = () => new Promise(resolve => {
      const check = () => (document.getElementById('sim-run').classList.contains('running') ? setTimeout(check, 5) : resolve());
      check();
    });
    document.getElementById('sim-run').click();  // once to warm the WebAssembly up
    await ends();
    document.getElementById('sim-reset').click();
    const t = performance.now();
    document.getElementById('sim-run').click();
    await ends();
    return {ms: performance.now() - t, cycles: Number(document.body.dataset.simCycles),
      status: document.getElementById('sim-status').textContent};
  });
  console.log(`the page's Run button: ${run.cycles} cycles in ${run.ms.toFixed(0)} ms, ` +
    `${mega(run.cycles / run.ms * 1000)} cycles/s (${run.status})`);
} finally {
  await browser.close();
  await server.close();
  fs.rmSync(profile, {recursive: true, force: true});
}
