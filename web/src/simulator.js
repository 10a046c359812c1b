// The playground's simulator: zanfo-sim's machine (a SimSession in the
// WebAssembly) behind the controls, the datapath drawing, the registers,
// the trace, the memory and the unit tests.  Every number shown comes from
// the machine; this file only asks and draws.
import {EditorView} from '@codemirror/view';
import {bytesToText, hex, textToBytes} from './toolchain.js';
import {createDatapath} from './datapath.js';
import {breakpointLines, showActivity, showCounts, showCurrent} from './marks.js';
import {countRows} from './coverage.js';
import {createMemoryView, imageWithWord} from './memory.js';
import {download} from './download.js';

const $ = id => document.getElementById(id);
const RUN_SLICE_MS = 30;  // a run gives the page back this often
const DEFAULT_LIMIT = 10000000;  // zanfo-sim's --max-cycles

// zanfo-sim's options as typed: words split at blanks, quotes keep blanks.
export function splitOptions(text) {
  const words = [];
  const re = /"([^"]*)"|'([^']*)'|(\S+)/g;
  let m;
  while ((m = re.exec(text))) words.push(m[1] ?? m[2] ?? m[3]);
  return words;
}

// The test results as lines with their kind, for colouring: standard
// output, then standard error, whose coverage summary is no failure.
function resultLines(stdout, stderr) {
  return [
    ...stdout.split('\n').filter(Boolean).map(line => ({
      line,
      kind: line.startsWith('ok ') ? 'ok' : line.startsWith('FAIL') ? 'fail' :
        /^\d+ passed, \d+ failed$/.test(line) ? 'sum' : '',
    })),
    ...stderr.split('\n').filter(Boolean).map(line => ({line, kind: line.startsWith('coverage: ') ? 'coverage' : 'fail'})),
  ];
}

export function createSimulator({toolchain, view, program, optionsChanged = () => {}}) {
  const datapath = createDatapath($('datapath'), toolchain.parts());
  const sim = {
    ready: false,       // the session is open on the current program
    running: false,     // a run is going on
    previous: null,     // the state before the last step, run or back
    names: {},          // EQU names of the registers
    words: [],          // the last assembly's words: {address, firstLine, lastLine}
    byAddress: new Map(),  // address -> index in words
    opened: 0,          // sessions opened, for tests that wait for one
    key: '',            // the arguments and files of the open session
    tests: {passed: 0, failed: 0, ran: false},
    written: {},        // the files the last Run tests wrote (its tracefile): {name: bytes}
    countsKey: '',      // the arguments and files of the run the gutter's counts are of; '' when none are shown
    came: null,         // the tests, memory image and mapping as they came with the program
    aside: null,        // those put aside when a new program was started, for Undo
    cycles: 0,          // the cycles of the state last drawn
  };
  const memoryView = createMemoryView({
    toolchain,
    editable: () => sim.ready && !sim.running && sim.cycles === 0,
    onEdit(address, value) {
      $('memory-image').value = imageWithWord($('memory-image').value, address, value);
      open();
      showTestsCommand();
      memoryView.goTo(address);
    },
  });

  // --- The command line of the session and of the tests ---------------------

  // The files and arguments zanfo-sim gets for the program as it stands:
  // the source, the memory image and the mapping when there are, the
  // limit, --loop-to-address and the options typed.
  function invocation(extra = []) {
    const {name, source} = program();
    const base = baseName(name);
    const files = {[name]: textToBytes(source)};
    const limit = Math.max(1, Math.floor(Number($('sim-limit').value) || DEFAULT_LIMIT));
    const args = limit === DEFAULT_LIMIT ? [] : ['--max-cycles', String(limit)];
    if ($('sim-loop').checked) args.push('--loop-to-address');
    const memory = $('memory-image').value;
    if (memory.trim()) {
      files[base + '.hex'] = textToBytes(memory);
      args.push('--mem', base + '.hex');
    }
    const mapping = $('mapping').value;
    if (mapping.trim()) {
      files[base + '.map'] = textToBytes(mapping);
      args.push('--map', base + '.map');
    }
    args.push(...splitOptions($('sim-options').value), ...extra, name);
    return {args, files};
  }

  // The program's name without its extension: "sum" for "sum.zan".
  function baseName(name) {
    return name.replace(/\.[^.]*$/, '');
  }

  // The name the test file is given on zanfo-sim's command line.
  function testFileName() {
    return baseName(program().name) + '.test';
  }

  // The tracefile the tests write: lcov's .info, after the program.
  function tracefileName() {
    return baseName(program().name) + '.info';
  }

  // The command line of Run tests: the test file, the tracefile, and
  // every file it reads, as the page holds them.
  function testInvocation() {
    const {args, files} = invocation(['--test', testFileName(), '--coverage', tracefileName()]);
    files[testFileName()] = textToBytes($('tests').value);
    return {args, files};
  }

  // --- Opening and drawing ----------------------------------------------------

  // Opens the session on the program as it stands; `again` false leaves an
  // open session alone when nothing it was opened with has changed (an
  // assembly for a download changes nothing).
  function open(words, again = true) {
    if (words) {
      sim.words = words;
      sim.byAddress = new Map(words.map((w, i) => [w.address, i]));
    }
    const {args, files} = invocation();
    const key = JSON.stringify([args, files]);
    if (!again && sim.ready && key === sim.key) {
      applyBreakpoints();
      refresh();
      return true;
    }
    stop();
    sim.key = key;
    const r = toolchain.openSession(args, files);
    $('machine').classList.toggle('stale', !r.ready);
    sim.ready = r.ready;
    sim.opened++;
    document.body.dataset.simOpened = String(sim.opened);
    if (!r.ready) {
      const said = bytesToText(r.stderr || r.stdout).trim();
      $('sim-status').textContent = said || `zanfo-sim exits with status ${r.status}`;
      $('sim-status').className = 'bad';
      for (const id of ['sim-step', 'sim-run', 'sim-back', 'sim-reset']) $(id).disabled = true;
      $('sim-next').textContent = '';
      showCurrent(view, null);
      return false;
    }
    sim.names = toolchain.registerNames();
    applyBreakpoints();
    sim.previous = null;
    refresh();
    return true;
  }

  // The breakpoints of the editor as addresses: every word whose lines
  // hold a breakpoint's line.
  function applyBreakpoints() {
    const lines = breakpointLines(view.state);
    const active = new Set();
    if (sim.ready) for (let a = 0; a < 4096; a++) toolchain.setBreakpoint(a, false);
    for (const line of lines) {
      for (const w of sim.words) {
        if (w.firstLine <= line && line <= w.lastLine) {
          active.add(line);
          if (sim.ready) toolchain.setBreakpoint(w.address, true);
        }
      }
    }
    showActivity(view, active);
  }

  function refresh() {
    if (!sim.ready) return;
    const state = toolchain.state();
    const fields = state.drawn.empty ? null : toolchain.wordFields(state.drawn.word);
    datapath.update(fields, state.drawn, sim.names);
    $('datapath').classList.toggle('halted', state.drawn.halted);
    showRegisters(state);
    showState(state);
    showTrace();
    showMemory(state);
    showStatus(state);
    // The word at μPC; after a HALT, the HALT word.
    const at = state.outcome === 'halted' ? state.executed : state.upc;
    const index = sim.byAddress.get(at);
    const w = index === undefined || (state.empty && state.outcome !== 'halted') ? null : sim.words[index];
    const kind = state.outcome === 'halted' ? 'halted' : state.outcome === 'error' || state.outcome === 'cycle limit' ?
      'stopped' : '';
    showCurrent(view, w ? {first: w.firstLine, last: w.lastLine} : null, kind);
    if (w && sim.previous) scrollToLine(w.firstLine);
    for (const row of document.querySelectorAll('#mic > div.at-upc')) row.classList.remove('at-upc');
    if (index !== undefined) document.querySelector(`#mic > div[data-index="${index}"]`)?.classList.add('at-upc');
    $('sim-back').disabled = state.cycles === 0 || sim.running;
    $('sim-step').disabled = state.ended || sim.running;
    $('sim-run').disabled = state.ended && !sim.running;
    $('sim-reset').disabled = sim.running;
    document.body.dataset.simCycles = String(state.cycles);
    sim.cycles = state.cycles;
  }

  function showStatus(state) {
    const drawn = state.drawn;
    // The word the next step runs; once halted, the HALT word that ran.
    const describe = (address, word) =>
      bytesToText(toolchain.wordText(address, word)).split('\n')[0].slice(29);
    const next = drawn.halted ? `halted after ${hex(drawn.upc, 3)}  ${drawn.word}  ${describe(drawn.upc, drawn.word)}` :
      state.empty ? `μPC ${hex(state.upc, 3)}: no microword` :
        `μPC ${hex(state.upc, 3)}  ${state.word}  ` + bytesToText(toolchain.describeNext());
    $('sim-next').textContent = next;
    const status = $('sim-status');
    const cycles = `${state.cycles} cycle${state.cycles === 1 ? '' : 's'}`;
    if (state.outcome === 'halted' || state.outcome === 'breakpoint') {
      status.textContent = bytesToText(toolchain.report()).split('\n')[0];
      status.className = state.outcome === 'halted' ? 'good' : '';
    } else if (state.outcome === 'error' || state.outcome === 'cycle limit') {
      status.textContent = bytesToText(toolchain.message()).trim().replace(/^zanfo-sim: [^:]*: /, '');
      status.className = 'bad';
    } else {
      status.textContent = sim.running ? `running… ${cycles}` : cycles;
      status.className = '';
    }
  }

  function showRegisters(state) {
    const before = sim.previous;
    const cells = [];
    for (let i = 0; i < 64; i++) {
      const v = state.r[i];
      const classes = [];
      if (before && before.r[i] !== v) classes.push('changed');
      else if (v === 0) classes.push('zero');
      if (sim.names[i]) classes.push('named');
      const title = `R${i}${sim.names[i] ? ' (' + sim.names[i] + ')' : ''} = 0x${hex(v)} = ${v}` +
        (v & 0x8000 ? ` (${v - 0x10000})` : '');
      cells.push(`<span class="${classes.join(' ')}" data-register="${i}" title="${escapeHtml(title)}">` +
        `<b>R${i}</b> ${hex(v)}</span>`);
    }
    $('registers').innerHTML = cells.join('');
  }

  function flags(value) {
    const letters = ['Z', 'N', 'V', 'C'];
    return letters.map((l, i) => {
      const on = (value >> i) & 1;
      return `<span class="flag${on ? ' on' : ''}" data-flag="${l}" title="${l} = ${on}">${l}</span>`;
    }).join('');
  }

  function showState(state) {
    const b = sim.previous;
    const row = (name, value, changed, key) =>
      `<div class="${changed ? 'changed' : ''}"><dt>${name}</dt><dd data-state="${key}">${value}</dd></div>`;
    const stack = state.stack.length ? state.stack.map(a => hex(a, 3)).join(' ') + ' (top last)' : 'empty';
    const named = n => sim.names[n] ? ` <small>${escapeHtml(sim.names[n])}</small>` : '';
    $('machine-state').innerHTML = [
      row('μPC', hex(state.upc, 3), b && b.upc !== state.upc, 'upc'),
      row('counter', hex(state.counter, 3), b && b.counter !== state.counter, 'counter'),
      row('stack', stack, b && b.stack.join() !== state.stack.join(), 'stack'),
      row('Q', hex(state.q) + named(64), b && b.q !== state.q, 'q'),
      row('MAR', hex(state.mar), b && b.mar !== state.mar, 'mar'),
      row('IR', hex(state.ir), b && b.ir !== state.ir, 'ir'),
      row('UFLAG', flags(state.uflag), b && b.uflag !== state.uflag, 'uflag'),
      row('MFLAG', flags(state.mflag), b && b.mflag !== state.mflag, 'mflag'),
      row('cycles', String(state.cycles), false, 'cycles'),
    ].join('');
  }

  function showTrace() {
    const lines = bytesToText(toolchain.trace()).split('\n').filter(Boolean);
    const pre = $('trace');
    pre.innerHTML = lines.map((l, i) => `<div${i === lines.length - 1 ? ' class="last"' : ''}>${escapeHtml(l)}</div>`)
      .join('');
    pre.scrollTop = pre.scrollHeight;
  }

  function showMemory(state) {
    const words = toolchain.writtenMemory();
    $('written').innerHTML = words.length === 0 ? '<li class="none">none yet</li>' :
      words.map(([a, v]) => `<li${a === state.mar ? ' class="at-mar"' : ''}>MEM[${hex(a)}] ${hex(v)}</li>`).join('');
    sim.cycles = state.cycles;
    memoryView.update(state, !$('panel-memory').hidden);
  }

  // Keeps the line of the word at μPC in sight as the machine steps.
  function scrollToLine(n) {
    const doc = view.state.doc;
    if (n < 1 || n > doc.lines) return;
    view.dispatch({effects: EditorView.scrollIntoView(doc.line(n).from, {y: 'nearest', yMargin: 40})});
  }

  // --- The controls --------------------------------------------------------

  function act(fn) {
    if (!sim.ready || sim.running) return;
    sim.previous = toolchain.state();
    fn();
    refresh();
  }

  const step = () => act(() => toolchain.step());
  const back = () => act(() => toolchain.back());
  const reset = () => act(() => { toolchain.reset(); sim.previous = null; });

  // Runs in slices so that the page stays alive (and Stop works); nothing
  // is drawn until the run ends.
  async function run() {
    if (!sim.ready) return;
    if (sim.running) {
      stop();
      return;
    }
    sim.previous = toolchain.state();
    sim.running = true;
    $('sim-run').textContent = 'Stop ■';
    $('sim-run').classList.add('running');
    refresh();
    let slice = 100000;
    let outcome = 'ran';
    while (sim.running) {
      const started = performance.now();
      outcome = toolchain.run(slice);
      const took = performance.now() - started;
      if (outcome !== 'ran') break;
      slice = Math.max(10000, Math.min(1e8, Math.round(slice * RUN_SLICE_MS / Math.max(took, 1))));
      $('sim-status').textContent = `running… ${toolchain.state().cycles} cycles`;
      await new Promise(resolve => setTimeout(resolve, 0));
    }
    stop();
  }

  function stop() {
    if (!sim.running) return;
    sim.running = false;
    $('sim-run').textContent = 'Run ▶▶';
    $('sim-run').classList.remove('running');
    refresh();
  }

  // --- Unit tests -------------------------------------------------------------

  // Runs the test file through zanfo-sim --test --coverage, as the command
  // would, and shows the counts of its tracefile in the gutter.
  function runTests() {
    const {args, files} = testInvocation();
    const r = toolchain.simulate(null, args, files);
    const out = bytesToText(r.stdout), err = bytesToText(r.stderr);
    sim.written = r.files;
    const tracefile = r.files[tracefileName()];
    const coverage = tracefile === undefined ? null : toolchain.coverage(tracefile, program().name);
    const shown = coverage && !coverage.refused;
    showCounts(view, shown ? countRows(coverage) : null);
    sim.countsKey = shown ? JSON.stringify([args, files]) : '';
    $('editor').classList.remove('counts-stale');
    showTestsCommand();
    const lines = resultLines(out, err);
    const html = lines.map(({line, kind}) => `<span class="${kind}">${escapeHtml(line)}</span>`).join('\n');
    $('test-results').innerHTML = html;
    const sum = /^(\d+) passed, (\d+) failed$/m.exec(out);
    sim.tests = {ran: true, status: r.status, passed: sum ? Number(sum[1]) : 0, failed: sum ? Number(sum[2]) : 0,
      source: program().source};
    const count = $('test-count');
    count.textContent = sum ? `${sum[1]}/${Number(sum[1]) + Number(sum[2])}` : '!';
    count.className = r.status === 0 ? 'good' : 'bad';
    count.title = 'The last run of the tests';
    $('test-results').classList.remove('stale');
    document.body.dataset.testsRun = String((Number(document.body.dataset.testsRun) || 0) + 1);
    return r;
  }

  // The command that runs the tests outside the page, whole, and a link to
  // download each file it names: the source, the test file, the memory
  // image and the mapping, as the page holds them, then the files the last
  // run wrote (its tracefile), as it wrote them.
  function showTestsCommand() {
    const {args, files} = testInvocation();
    const testFile = testFileName();
    // Each argument kept on one line (--coverage is no place to wrap).
    const words = ['zanfo-sim', ...args.map(a => (/[\s"']/.test(a) ? `'${a}'` : a))].map(a => {
      const word = document.createElement('span');
      word.textContent = a;
      return word;
    });
    $('tests-command').replaceChildren(...words.flatMap((w, i) => (i ? [' ', w] : [w])));
    const names = [...Object.keys(files).filter(n => n !== testFile), testFile].filter(n => args.includes(n));
    const links = $('tests-files');
    links.replaceChildren('Download: ');
    const link = (name, bytes, title) => {
      const a = document.createElement('a');
      a.href = '#';
      a.textContent = name;
      a.dataset.file = name;
      if (title) a.title = title;
      a.addEventListener('click', e => {
        e.preventDefault();
        const now = bytes === undefined ? testInvocation().files : {[name]: bytes};
        if (name in now) download(name, now[name]);
      });
      links.append(...(links.childElementCount ? [' · ', a] : [a]));
    };
    for (const name of names) link(name);
    for (const [name, bytes] of Object.entries(sim.written))
      if (!names.includes(name)) link(name, bytes, 'Written by the last Run tests');
  }

  // The gutter's counts dimmed while the program, the tests or the options
  // differ from those they were counted with.
  function countsStale() {
    if (!sim.countsKey) {
      $('editor').classList.remove('counts-stale');
      return;
    }
    const {args, files} = testInvocation();
    $('editor').classList.toggle('counts-stale', sim.countsKey !== JSON.stringify([args, files]));
  }

  // --- Inputs that belong to a program ------------------------------------------

  // A new program was started (the text emptied or replaced whole): the
  // tests, memory image and mapping of the one before are put aside, with
  // an Undo, and the last run's results go with them.
  function putAside(previousName) {
    const now = {test: $('tests').value, map: $('mapping').value, memory: $('memory-image').value};
    if (!now.test && !now.map && !now.memory) return false;
    const edited = !sim.came || now.test !== sim.came.test || now.map !== sim.came.map || now.memory !== sim.came.memory;
    sim.aside = {...now, results: $('test-results').innerHTML, count: $('test-count').textContent,
      countClass: $('test-count').className, came: sim.came};
    setFields({test: '', map: '', memory: ''});
    sim.came = null;
    const what = [now.test && 'unit tests', now.memory && 'memory image', now.map && 'JMAP mapping'].filter(Boolean);
    $('inputs-notice-text').textContent = `A new program: ${edited ? 'the edited' : 'the'} ` +
      `${what.join(', ').replace(/, ([^,]*)$/, ' and $1')} of ${previousName} ${what.length > 1 ? 'were' : 'was'} ` +
      'put aside.';
    $('inputs-notice').hidden = false;
    return true;
  }

  function undoPutAside() {
    const aside = sim.aside;
    $('inputs-notice').hidden = true;
    if (!aside) return;
    sim.aside = null;
    setFields(aside);
    sim.came = aside.came;
    $('test-results').innerHTML = aside.results;
    $('test-count').textContent = aside.count;
    $('test-count').className = aside.countClass;
    reopen();
  }

  // The session opened again on options or inputs changed, which the
  // checks follow too (the start address, the mapping, LOOP to address).
  function reopen() {
    open();
    showTestsCommand();
    countsStale();
    optionsChanged();
  }

  // The tests, the mapping and the memory image, and the results of a run
  // of other tests cleared.
  function setFields({test, map, memory}) {
    $('tests').value = test;
    $('mapping').value = map;
    $('memory-image').value = memory;
    $('test-results').textContent = '';
    $('test-results').classList.remove('stale');
    $('test-count').textContent = '';
    $('test-count').className = '';
    sim.written = {};
    sim.countsKey = '';
    showCounts(view, null);
    countsStale();
  }

  // --- Wiring -------------------------------------------------------------------

  $('sim-step').addEventListener('click', step);
  $('sim-back').addEventListener('click', back);
  $('sim-reset').addEventListener('click', reset);
  $('sim-run').addEventListener('click', run);
  $('run-tests').addEventListener('click', () => { runTests(); });
  let inputTimer = 0;
  const reopenSoon = () => {
    clearTimeout(inputTimer);
    inputTimer = setTimeout(reopen, 300);
  };
  for (const id of ['sim-limit', 'sim-options', 'memory-image', 'mapping']) $(id).addEventListener('input', reopenSoon);
  $('sim-loop').addEventListener('change', reopen);
  $('tests').addEventListener('input', () => {
    $('test-count').textContent = '';
    showTestsCommand();
    countsStale();
  });
  $('inputs-undo').addEventListener('click', undoPutAside);
  $('inputs-dismiss').addEventListener('click', () => { $('inputs-notice').hidden = true; sim.aside = null; });
  $('tab-memory').addEventListener('click', () => refresh());

  return {
    // After every assembly: the session opens again on the new program.
    programChanged(words) {
      const opened = open(words, false);
      showTestsCommand();
      countsStale();
      // The results shown are of the program as it was.
      if ($('test-count').textContent && program().source !== sim.tests.source) {
        $('test-count').classList.add('stale');
        $('test-count').title = 'The last run of the tests, before the program changed';
        $('test-results').classList.add('stale');
      }
      return opened;
    },
    putAside,
    undoPutAside,
    breakpointsChanged() {
      applyBreakpoints();
      refresh();
    },
    // The inputs that travel with a program (examples, share links).
    inputs() {
      return {
        test: $('tests').value, map: $('mapping').value, memory: $('memory-image').value,
        options: $('sim-options').value, loop: $('sim-loop').checked, limit: $('sim-limit').value,
      };
    },
    // They replace all of those before, which are no longer of this program.
    setInputs({test = '', map = '', memory = '', options = '', loop = false, limit = '10000000'} = {}) {
      setFields({test, map, memory});
      sim.came = {test, map, memory};
      sim.aside = null;
      $('inputs-notice').hidden = true;
      $('sim-options').value = options;
      $('sim-loop').checked = Boolean(loop);
      $('sim-limit').value = String(limit || '10000000');
    },
    // zanfo-sim's command line for the program as it stands, and the
    // files it names ({args, files}), for the checks to follow.
    commandLine: () => invocation(),
    memoryView,
    step, back, reset, run, stop, runTests, refresh,
    get session() { return sim; },
  };
}

function escapeHtml(text) {
  return text.replace(/[&<>"]/g, c => ({'&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;'})[c]);
}
