// The playground page: an editor that assembles as you type, and a
// simulator that runs the program on a drawn datapath, with zanfo's own
// code (WebAssembly) doing every assembly and every cycle.
import {EditorState, StateEffect, StateField, RangeSet} from '@codemirror/state';
import {
  EditorView, GutterMarker, drawSelection, gutter, highlightActiveLine, highlightActiveLineGutter,
  keymap, lineNumbers,
} from '@codemirror/view';
import {defaultKeymap, history as undoHistory, historyKeymap, indentWithTab} from '@codemirror/commands';
import {HighlightStyle, StreamLanguage, syntaxHighlighting} from '@codemirror/language';
import {setDiagnostics} from '@codemirror/lint';
import {tags as t} from '@lezer/highlight';
import examples from 'zanfo-examples';
import {classifyWord, zanfoStreamParser} from './language.js';
import {bytesToText, makeToolchain, textToBytes} from './toolchain.js';
import {diagnosticsInOrder, diagnosticsList, lintDiagnostics, micLines, pageMessages, pageWarnings} from './report.js';
import {download} from './download.js';
import {fragmentFor, readFragment} from './share.js';
import {breakpointGutter, countGutter, currentLines} from './marks.js';
import {createSimulator} from './simulator.js';
import {startWordPopover} from './popover.js';

const ASSEMBLE_DELAY_MS = 250;  // after the last keystroke

const $ = id => document.getElementById(id);

// --- Highlighting --------------------------------------------------------

const highlight = HighlightStyle.define([
  {tag: t.comment, color: '#6a737d', fontStyle: 'italic'},
  {tag: t.keyword, color: '#8250df', fontWeight: 'bold'},
  {tag: t.controlKeyword, color: '#cf222e', fontWeight: 'bold'},
  {tag: t.operatorKeyword, color: '#0550ae', fontWeight: 'bold'},
  {tag: t.special(t.variableName), color: '#953800'},
  {tag: t.atom, color: '#116329'},
  {tag: t.number, color: '#0a3069'},
  {tag: t.labelName, color: '#8250df'},
  {tag: t.invalid, color: '#ffffff', backgroundColor: '#cf222e'},
]);

// --- The microwords beside their source lines ------------------------------

// The words that start on one source line: "ADDR WORD", and "+n" when more
// microinstructions start on the same line.
class WordMarker extends GutterMarker {
  constructor(words) {
    super();
    this.words = words;  // [[address, word]], in .mic order
  }
  eq(other) {
    return other.words.length === this.words.length &&
      other.words.every((w, i) => w[0] === this.words[i][0] && w[1] === this.words[i][1]);
  }
  toDOM() {
    const span = document.createElement('span');
    const [address, word] = this.words[0];
    const hexWord = document.createElement('span');
    hexWord.className = 'hex';
    hexWord.textContent = ` ${word}`;
    span.append(address, hexWord);
    span.dataset.word = this.words.map(w => w.join(' ')).join('\n');  // the fields on hover (wordPopover)
    if (this.words.length > 1) {
      const more = document.createElement('b');
      more.textContent = ` +${this.words.length - 1}`;
      span.append(more);
    }
    return span;
  }
}

const setWordMarkers = StateEffect.define();
const wordMarkers = StateField.define({
  create: () => RangeSet.empty,
  update(markers, tr) {
    for (const e of tr.effects) if (e.is(setWordMarkers)) return e.value;
    return markers.map(tr.changes);
  },
});

const spacer = new WordMarker([['0000', '0000000000000000']]);
const wordGutter = [
  wordMarkers,
  gutter({
    class: 'cm-words',
    markers: view => view.state.field(wordMarkers),
    initialSpacer: () => spacer,
  }),
];

// Markers for the words of an assembly, at the first line of each
// microinstruction (lines past the end of the text go to the last line).
function markersFor(doc, words, mic) {
  const byLine = new Map();
  words.forEach((w, i) => {
    const line = Math.min(Math.max(w.firstLine, 1), doc.lines);
    if (!byLine.has(line)) byLine.set(line, []);
    byLine.get(line).push(mic[i]);
  });
  const ranges = [...byLine.keys()].sort((a, b) => a - b)
    .map(n => new WordMarker(byLine.get(n)).range(doc.line(n).from));
  return RangeSet.of(ranges);
}

// --- Page state ----------------------------------------------------------

const page = {
  toolchain: null,   // set once the WebAssembly module is ready
  simulator: null,   // the simulator's panels (simulator.js), once ready
  view: null,        // the editor
  name: 'program.zan',
  result: null,      // the last assembly: {mic, stdout, stderr, status}
  words: [],         // its microwords' source lines
  messages: [],      // its messages (pageMessages)
  checked: {warnings: [], refused: ''},  // zanfo-check's on the program as the simulator runs it
  checkKey: '',      // the source and options it was checked with
  checkTook: 0,      // how long that took, in ms
  showDiagnostics: null,  // the Diagnostics tab's list (diagnosticsList)
  generation: 0,     // assemblies done, for tests that wait for one
  timer: 0,
  loading: false,    // true while a whole source is put into the editor
};

function baseName() {
  return page.name.replace(/\.[^./\\]*$/, '');
}

// The name after PROGRAM, past blanks and comments, when there is one.
function programName(text) {
  const m = /^(?:\s|\{[^}]*\})*PROGRAM\s+([A-Za-z][A-Za-z0-9_]*)/i.exec(text);
  return m && classifyWord(m[1]) === 'name' ? m[1] : null;
}

function setName(name) {
  page.name = name;
  $('file-name').textContent = name;
}

// --- Assembling ----------------------------------------------------------

function assembleNow() {
  clearTimeout(page.timer);
  page.timer = 0;
  if (!page.toolchain) return;
  const view = page.view;
  const text = view.state.doc.toString();
  const program = programName(text);
  if (program) setName(program + '.zan');  // the file is named after the program
  const started = performance.now();
  const result = page.toolchain.assemble(textToBytes(text));
  const words = page.toolchain.lastWords();
  const took = performance.now() - started;
  page.result = result;
  page.words = words;
  const mic = micLines(result.mic);
  page.messages = pageMessages(page.toolchain.lastMessages());
  const doc = view.state.doc;
  view.dispatch({effects: setWordMarkers.of(markersFor(doc, words, mic))});
  showMicrowords(mic, words);
  page.simulator.programChanged(words);
  checkNow();
  const errors = page.messages.filter(m => m.severity === 'error').length;
  const warnings = page.checked.warnings.length;
  $('status').textContent =
    `${mic.length} microword${mic.length === 1 ? '' : 's'} · ` +
    `${errors === 0 ? 'no errors' : errors + (errors === 1 ? ' error' : ' errors')}` +
    (warnings ? ` · ${warnings} warning${warnings === 1 ? '' : 's'}` : '') +
    (result.status !== 0 ? ` · zanfo stopped (exit status ${result.status})` : '') +
    ` · ${(took + page.checkTook).toFixed(1)} ms`;
  $('status').title = `zanfo ${took.toFixed(1)} ms, zanfo-check ${page.checkTook.toFixed(1)} ms`;
  $('status').className = errors ? 'bad' : 'good';
  $('download-mic').disabled = result.status !== 0;
  $('download-rom').disabled = result.status !== 0;
  page.generation++;
  document.body.dataset.assembled = String(page.generation);
  performance.measure('zanfo-refresh', {start: started});  // an assembly's whole work, for bench/web.mjs
}

function assembleSoon() {
  clearTimeout(page.timer);
  page.timer = setTimeout(assembleNow, ASSEMBLE_DELAY_MS);
}

function goToLines(first, last) {
  const doc = page.view.state.doc;
  const a = doc.line(Math.min(Math.max(first, 1), doc.lines));
  const b = doc.line(Math.min(Math.max(last, first, 1), doc.lines));
  page.view.dispatch({selection: {anchor: a.from, head: b.to}, scrollIntoView: true});
  page.view.focus();
}

// zanfo-check on the program as the simulator runs it (its --start,
// --map and --loop-to-address), again only when the source or those
// options changed; then the diagnostics shown again.
function checkNow() {
  const {args, files} = page.simulator.commandLine();
  const key = JSON.stringify([args, files]);
  if (key !== page.checkKey) {
    page.checkKey = key;
    const started = performance.now();
    page.checked = page.toolchain.check(textToBytes(page.view.state.doc.toString()), args, files);
    page.checkTook = performance.now() - started;
  }
  showAllDiagnostics();
}

// zanfo's messages and zanfo-check's warnings, underlined in the text and
// listed in the Diagnostics tab.
function showAllDiagnostics() {
  const view = page.view;
  const all = diagnosticsInOrder(page.messages, pageWarnings(page.checked.warnings, page.toolchain.checks()));
  view.dispatch(setDiagnostics(view.state, lintDiagnostics(view.state.doc, all)));
  $('diagnostic-count').textContent = all.length ? `(${all.length})` : '';
  const refused = page.checked.refused && `zanfo-check waits for options zanfo-sim can read: ${page.checked.refused}`;
  page.showDiagnostics(all, refused);
}

// The microword list: one row per line of the .mic file, built as one
// piece of HTML (a whole control store is 4096 rows); a click on a row
// selects the source lines that made the word.
function showMicrowords(mic, words) {
  const shown = Math.min(mic.length, 4096);
  const rows = new Array(shown);
  for (let i = 0; i < shown; i++) {
    const w = words[i];
    const lines = !w ? '' : w.firstLine === w.lastLine ? `${w.firstLine}` : `${w.firstLine}–${w.lastLine}`;
    const word = escapeHtml(`${mic[i][0]} ${mic[i][1]}`);
    rows[i] = `<div data-index="${i}" data-word="${word}"><span>${escapeHtml(mic[i][0])}</span>` +
      `<span>${escapeHtml(mic[i][1])}</span><span>${lines}</span></div>`;
  }
  $('mic').innerHTML = rows.join('');
  $('mic-more').hidden = shown === mic.length;
  $('mic-more').textContent = `… and ${mic.length - shown} more in the .mic file`;
}

function escapeHtml(text) {
  return text.replace(/[&<>"]/g, c => ({'&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;'})[c]);
}

// --- Loading sources -----------------------------------------------------

function setSource(text, name, inputs) {
  const view = page.view;
  page.simulator.setInputs(inputs);
  page.loading = true;
  view.dispatch({changes: {from: 0, to: view.state.doc.length, insert: text}});
  page.loading = false;
  setName(name);
  assembleNow();
}

function loadExample(fileName) {
  const example = examples.find(e => e.name === fileName);
  if (example) setSource(example.source, example.name, example);
}

async function loadFragment() {
  try {
    const shared = await readFragment(location.hash);
    if (!shared) return false;
    setSource(shared.source, shared.name || 'shared.zan', shared);
    $('examples').value = '';
    return true;
  } catch (e) {
    $('status').textContent = 'This share link is damaged: ' + e.message;
    $('status').className = 'bad';
    return false;
  }
}

// --- Downloads and share link ------------------------------------------

// zanfo-rom's images: the file name for each format, after the program's.
const romExtensions = {
  readmemh: '.mem', ihex: '.hex', srec: '.srec', mif: '.mif', coe: '.coe', bin: '.bin',
  c: '.h', vhdl: '.vhd', logisim: '.logisim.txt',
};

function downloadRom() {
  assembleNow();
  const format = $('rom-format').value;
  const name = baseName() + (romExtensions[format] || '.' + format);
  const r = page.toolchain.rom(page.result.mic, ['--format', format, '-o', name, baseName() + '.mic']);
  // zanfo-rom's own words, UTF-8 already, when it refuses or warns.
  const said = new TextDecoder().decode(Uint8Array.from(r.stderr, c => c.charCodeAt(0))).trim();
  $('status').textContent = said ? 'zanfo-rom: ' + said : $('status').textContent;
  if (said) $('status').className = r.status === 0 ? '' : 'bad';
  if (r.status === 0 && name in r.files)
    download(name, r.files[name], format === 'bin' ? 'application/octet-stream' : 'text/plain');
}

async function share() {
  const fragment = await fragmentFor({source: page.view.state.doc.toString(), name: page.name,
    ...page.simulator.inputs()});
  history.replaceState(null, '', fragment);
  const url = location.href;
  const box = $('share-url');
  box.value = url;
  box.hidden = false;
  box.select();
  try {
    await navigator.clipboard.writeText(url);
    $('share').textContent = 'Link copied';
  } catch {
    $('share').textContent = 'Link below';
  }
  setTimeout(() => { $('share').textContent = 'Share link'; }, 2000);
}

// --- Start ----------------------------------------------------------------

// Whether an edit starts a new program: it empties the text, or replaces
// all of it (everything selected, then typed over or pasted over).
function startsNewProgram(update) {
  const before = update.startState.doc.length;
  if (before === 0) return false;
  if (update.state.doc.length === 0) return true;
  let whole = false;
  update.changes.iterChangedRanges((fromA, toA) => { whole = whole || (fromA === 0 && toA === before); });
  return whole;
}

// The gutter of microwords: the address and the word, the address alone,
// or nothing; the choice is kept in the browser.
const WORD_VIEWS = ['full', 'address', 'off'];
function showWords(how) {
  const view = WORD_VIEWS.includes(how) ? how : 'full';
  for (const v of WORD_VIEWS) $('editor').classList.toggle('words-' + v, v === view);
  $('words-view').value = view;
  try { localStorage.setItem('zanfo.words', view); } catch { /* private mode: not kept */ }
}

// The counts of the last Run tests beside the words (in every view of
// them), or not; the choice is kept in the browser.
function showCounts(on) {
  $('editor').classList.toggle('counts-off', !on);
  $('counts-view').checked = on;
  try { localStorage.setItem('zanfo.counts', on ? 'on' : 'off'); } catch { /* private mode: not kept */ }
}

function startEditor() {
  page.view = new EditorView({
    parent: $('editor'),
    state: EditorState.create({
      doc: '',
      extensions: [
        breakpointGutter(() => page.simulator && page.simulator.breakpointsChanged()),
        wordGutter,
        countGutter,
        lineNumbers(),
        currentLines,
        highlightActiveLineGutter(),
        undoHistory(),
        drawSelection(),
        highlightActiveLine(),
        StreamLanguage.define(zanfoStreamParser),
        syntaxHighlighting(highlight),
        keymap.of([...defaultKeymap, ...historyKeymap, indentWithTab]),
        EditorView.updateListener.of(u => {
          if (!u.docChanged) return;
          if (!page.loading) $('examples').value = '';  // an example edited is your program
          if (!page.loading && startsNewProgram(u) && page.simulator) page.simulator.putAside(page.name);
          assembleSoon();
        }),
        EditorView.contentAttributes.of({'aria-label': 'zanfo source'}),
      ],
    }),
  });
}

function startControls() {
  page.showDiagnostics = diagnosticsList($('diagnostics'), line => goToLines(line, line));
  const menu = $('examples');
  for (const e of examples) {
    const option = document.createElement('option');
    option.value = e.name;
    option.textContent = e.name;
    menu.append(option);
  }
  menu.addEventListener('change', () => loadExample(menu.value));
  let words = 'full';
  try { words = localStorage.getItem('zanfo.words') || 'full'; } catch { /* not kept */ }
  showWords(words);
  $('words-view').addEventListener('change', () => showWords($('words-view').value));
  let counts = 'on';
  try { counts = localStorage.getItem('zanfo.counts') || 'on'; } catch { /* not kept */ }
  showCounts(counts !== 'off');
  $('counts-view').addEventListener('change', () => showCounts($('counts-view').checked));
  $('download-mic').addEventListener('click', () => {
    assembleNow();
    download(baseName() + '.mic', page.result.mic, 'text/plain');
  });
  $('download-zan').addEventListener('click', () =>
    download(page.name, textToBytes(page.view.state.doc.toString()), 'text/plain'));
  $('share').addEventListener('click', share);
  $('download-rom').addEventListener('click', downloadRom);
  $('mic').addEventListener('click', e => {
    const row = e.target.closest('[data-index]');
    const w = row && page.words[Number(row.dataset.index)];
    if (w) goToLines(w.firstLine, w.lastLine);
  });
  window.addEventListener('hashchange', loadFragment);
  for (const tab of document.querySelectorAll('[role=tab]')) tab.addEventListener('click', () => selectTab(tab.id));
  startWordPopover((address, word) => (page.toolchain ? bytesToText(page.toolchain.wordText(address, word)) : ''));
}

function selectTab(id) {
  for (const tab of document.querySelectorAll('[role=tab]')) {
    const on = tab.id === id;
    tab.setAttribute('aria-selected', String(on));
    $(tab.getAttribute('aria-controls')).hidden = !on;
  }
}

// The checks from outside (web/test/) and anyone curious at the console:
// window.zanfo.assemble(source) is zanfo run on a file of those bytes.
let resolveReady;
window.zanfo = {ready: new Promise(r => { resolveReady = r; })};

async function start() {
  startEditor();
  startControls();
  const mod = await createZanfo();  // zanfo.js, loaded before this script
  page.toolchain = makeToolchain(mod);
  page.simulator = createSimulator({
    toolchain: page.toolchain,
    view: page.view,
    program: () => ({name: page.name, source: page.view.state.doc.toString()}),
    optionsChanged: checkNow,
  });
  window.zanfo.assemble = source => page.toolchain.assemble(String(source));
  window.zanfo.check = (source, args, files = {}) => page.toolchain.check(String(source), Array.from(args, String),
    Object.fromEntries(Object.entries(files).map(([k, v]) => [String(k), String(v)])));
  window.zanfo.rom = (mic, args) => page.toolchain.rom(String(mic), Array.from(args, String));
  window.zanfo.simulate = (mic, args, files = {}) =>
    page.toolchain.simulate(mic === null || mic === undefined ? null : String(mic), Array.from(args, String),
      Object.fromEntries(Object.entries(files).map(([k, v]) => [String(k), String(v)])));
  window.zanfo.simulator = page.simulator;  // the page's own: step, back, run, reset, runTests
  window.zanfo.machine = page.toolchain;    // the session underneath: state(), trace(), report()...
  for (const f of page.toolchain.romFormats()) {
    const option = document.createElement('option');
    option.value = f.name;
    option.textContent = f.name;
    option.title = f.purpose;
    $('rom-format').append(option);
  }
  $('rom-format').value = 'ihex';
  if (!(await loadFragment())) {
    const first = examples.find(e => e.name === 'fetch_decode.zan') || examples[0];
    $('examples').value = first.name;
    loadExample(first.name);
  }
  document.body.classList.add('ready');
  performance.mark('zanfo-ready');  // the page's load time, for bench/web.mjs
  resolveReady();
}

start().catch(e => {
  $('status').textContent = 'The playground could not start: ' + e;
  $('status').className = 'bad';
});
