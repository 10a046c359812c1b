// What the playground's tests share: where things are, the native zanfo,
// and the inputs that zanfo reads in the examples and end-to-end cases.
import {createRequire} from 'node:module';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export const zanfo = path.resolve(process.env.ZANFO);
export const webBuild = path.resolve(process.env.ZANFO_WEB_BUILD);
export const sourceDir = path.resolve(process.env.ZANFO_SOURCE_DIR);
export const site = path.join(webBuild, 'site');
// The page's npm packages (puppeteer-core among them) live in the build tree.
export const requireFromBuild = createRequire(path.join(webBuild, 'npm', 'package.json'));

export function tempDir(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

// What a native companion command (zanfo-rom, ...) does in a folder holding
// `files` ({name: byte string}): {stdout, stderr, status, files} with the
// files it created.
export function nativeCommand(command, args, files) {
  const dir = tempDir('zanfo-native-');
  try {
    for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(dir, name), bytes, 'latin1');
    const run = spawnSync(path.join(path.dirname(zanfo), command), args,
      {cwd: dir, encoding: 'latin1', maxBuffer: 1 << 30});
    if (run.error) throw run.error;
    const made = {};
    for (const name of fs.readdirSync(dir))
      if (!(name in files)) made[name] = fs.readFileSync(path.join(dir, name), 'latin1');
    return {stdout: run.stdout, stderr: run.stderr, status: run.status, files: made};
  } finally {
    fs.rmSync(dir, {recursive: true, force: true});
  }
}

// What the native zanfo does with a file prog.zan holding `bytes` (a byte
// string): {mic, stdout, stderr, status}, mic being prog.mic's content.
export function nativeAssemble(bytes) {
  const dir = tempDir('zanfo-native-');
  try {
    fs.writeFileSync(path.join(dir, 'prog.zan'), bytes, 'latin1');
    const run = spawnSync(zanfo, ['prog.zan'], {cwd: dir, encoding: 'latin1', maxBuffer: 1 << 30});
    if (run.error) throw run.error;
    const micFile = path.join(dir, 'prog.mic');
    const mic = fs.existsSync(micFile) ? fs.readFileSync(micFile, 'latin1') : '';
    return {mic, stdout: run.stdout, stderr: run.stderr, status: run.status};
  } finally {
    fs.rmSync(dir, {recursive: true, force: true});
  }
}

// The first difference between two results of an assembly, or null: the
// field and the first line that differs (outputs can be megabytes long).
export function firstDifference(got, want) {
  for (const key of ['status', 'stdout', 'stderr', 'mic']) {
    if (got[key] === want[key]) continue;
    if (typeof want[key] !== 'string') return `${key}: ${got[key]}, zanfo ${want[key]}`;
    const a = got[key].split('\n'), b = want[key].split('\n');
    let i = 0;
    while (i < a.length && i < b.length && a[i] === b[i]) i++;
    return `${key} line ${i + 1}: ${JSON.stringify(a[i])}, zanfo ${JSON.stringify(b[i])}`;
  }
  return null;
}

// The bytes zanfo reads in one end-to-end case (tests/e2e/README.md): its
// inputs copied to a scratch folder and its setup.sh run there, as
// tests/run_case.sh does; null when zanfo reads no source in that case
// (not one argument, or the argument is no regular file).
export function caseSource(caseDir) {
  const argsFile = path.join(caseDir, 'args');
  let args = ['prog.zan'];
  if (fs.existsSync(argsFile)) {
    args = fs.readFileSync(argsFile, 'latin1').split('\n');
    if (args[args.length - 1] === '') args.pop();
  }
  if (args.length !== 1) return null;
  const work = tempDir('zanfo-case-');
  try {
    const run = path.join(work, 'run'), expected = path.join(work, 'expected');
    fs.mkdirSync(run);
    fs.mkdirSync(expected);
    const skip = new Set(['expected', 'args', 'setup.sh', 'README.md']);
    for (const entry of fs.readdirSync(caseDir)) {
      if (skip.has(entry) || entry.startsWith('expected_')) continue;
      fs.cpSync(path.join(caseDir, entry), path.join(run, entry), {recursive: true, verbatimSymlinks: true});
    }
    const setup = path.join(caseDir, 'setup.sh');
    if (fs.existsSync(setup)) {
      const r = spawnSync('bash', [setup], {cwd: run, env: {...process.env, EXPECTED: expected}});
      if (r.status !== 0) throw new Error(`setup.sh of ${caseDir} failed`);
    }
    const file = path.join(run, args[0]);
    let stat;
    try {
      stat = fs.statSync(file);
    } catch {
      return null;
    }
    return stat.isFile() ? fs.readFileSync(file, 'latin1') : null;
  } finally {
    removeAgain(work);
  }
}

// Removes a folder into which a process may still write for a while: a
// setup.sh may leave a writer behind that opens its FIFO late, and with the
// FIFO gone its ">" makes a file of that name while the folder is being
// removed.  The whole folder is removed again until it is gone.
function removeAgain(folder) {
  for (let attempt = 0; ; attempt++) {
    try {
      fs.rmSync(folder, {recursive: true, force: true});
      return;
    } catch (e) {
      if (e.code !== 'ENOTEMPTY' || attempt === 50) throw e;
      Atomics.wait(new Int32Array(new SharedArrayBuffer(4)), 0, 0, 100);
    }
  }
}

export function examples() {
  const dir = path.join(sourceDir, 'examples');
  return fs.readdirSync(dir).filter(f => f.endsWith('.zan')).sort()
    .map(name => ({name, source: fs.readFileSync(path.join(dir, name), 'latin1')}));
}
