// The whole memory, 65536 words, in the Memory tab: eight words a row,
// in hexadecimal or decimal, the words the run read and wrote marked and
// the one at MAR framed; an address to go to; and before a run, a word
// edited in place, which becomes a line of the memory image, so that the
// unit tests and the command line see it too.
//
// Only the rows in sight are built; the machine's memory is read through
// toolchain.memory() when the tab is shown and after every step.
import {hex} from './toolchain.js';

const PER_ROW = 8;
const ROWS = 65536 / PER_ROW;
const ROW_HEIGHT = 18;  // px, as style.css gives .memory-grid > div

const $ = id => document.getElementById(id);

// A word as the view shows it: four hex digits, or the unsigned value.
const shown = (value, decimal) => (decimal ? String(value).padStart(5, ' ') : hex(value));

// The memory image with `address` set to `value`: the line that the view
// added for that address before is replaced, or a new one ends the image.
export function imageWithWord(image, address, value) {
  const line = `@${hex(address)} ${hex(value)}  // set in the memory view`;
  const lines = image === '' ? [] : image.replace(/\n$/, '').split('\n');
  const at = lines.findIndex(l => l.startsWith(`@${hex(address)} `) && l.endsWith('// set in the memory view'));
  if (at >= 0) lines[at] = line;
  else lines.push(line);
  return lines.join('\n') + '\n';
}

// The value typed for a word: hexadecimal ("7", "0x7", "$7") or, in the
// decimal view, decimal ("7", "-1" as 65535); null when it is no 16-bit word.
export function parseWord(text, decimal) {
  const t = text.trim();
  let value;
  if (/^(0x|\$)[0-9a-f]{1,4}$/i.test(t)) value = parseInt(t.replace(/^(0x|\$)/i, ''), 16);
  else if (decimal && /^-?\d{1,5}$/.test(t)) value = Number(t);
  else if (!decimal && /^[0-9a-f]{1,4}$/i.test(t)) value = parseInt(t, 16);
  else return null;
  if (value < 0 && value >= -32768) value += 65536;
  return value >= 0 && value <= 0xFFFF ? value : null;
}

// The view in the Memory tab.  `editable()` says whether a word may be set
// now (before the run's first cycle); `onEdit(address, value)` sets it.
export function createMemoryView({toolchain, editable, onEdit}) {
  const grid = $('memory-grid');
  const rows = document.createElement('div');
  const spacer = document.createElement('div');
  spacer.style.height = `${ROWS * ROW_HEIGHT}px`;
  spacer.className = 'spacer';
  grid.replaceChildren(spacer, rows);
  rows.className = 'rows';
  const view = {selected: 0, decimal: false, mar: 0, memory: null, shown: false};

  function draw() {
    if (!view.shown) return;
    view.memory = toolchain.memory();
    const {words, written, read} = view.memory;
    const first = Math.max(0, Math.floor(grid.scrollTop / ROW_HEIGHT) - 2);
    const count = Math.ceil(grid.clientHeight / ROW_HEIGHT) + 4;
    const html = [];
    for (let row = first; row < Math.min(ROWS, first + count); row++) {
      const base = row * PER_ROW;
      const cells = [];
      for (let a = base; a < base + PER_ROW; a++) {
        const classes = [read[a] ? 'is-read' : '', written[a] ? 'is-written' : '', a === view.mar ? 'at-mar' : '',
          a === view.selected ? 'selected' : ''].filter(Boolean).join(' ');
        cells.push(`<span data-address="${a}"${classes ? ` class="${classes}"` : ''}>${shown(words[a], view.decimal)}</span>`);
      }
      html.push(`<div style="top:${row * ROW_HEIGHT}px"><b>${hex(base)}</b>${cells.join('')}</div>`);
    }
    rows.innerHTML = html.join('');
    showSelected();
  }

  function showSelected() {
    const a = view.selected;
    if (!view.memory) return;
    const v = view.memory.words[a];
    const marks = [view.memory.read[a] ? 'read by the run' : '', view.memory.written[a] ? 'written by the run' : '',
      a === view.mar ? 'at MAR' : ''].filter(Boolean);
    $('memory-detail').textContent = `MEM[${hex(a)}] = 0x${hex(v)} = ${v}` + (v & 0x8000 ? ` (${v - 0x10000})` : '') +
      (marks.length ? ` · ${marks.join(', ')}` : '') +
      (editable() ? ' · double-click a word to set it before the run' : ' · Reset to set words');
  }

  function goTo(address) {
    view.selected = address & 0xFFFF;
    const row = Math.floor(view.selected / PER_ROW);
    const top = row * ROW_HEIGHT;
    if (top < grid.scrollTop || top + ROW_HEIGHT > grid.scrollTop + grid.clientHeight)
      grid.scrollTop = Math.max(0, top - 2 * ROW_HEIGHT);
    draw();
  }

  // A word set in place: an input over it until Enter (or Escape, or
  // leaving it, which keeps the word as it was).
  function edit(cell) {
    const address = Number(cell.dataset.address);
    const input = document.createElement('input');
    input.className = 'word-edit';
    input.value = cell.textContent.trim();
    input.setAttribute('aria-label', `MEM[${hex(address)}]`);
    cell.replaceChildren(input);
    input.focus();
    input.select();
    let done = false;
    const finish = commit => {
      if (done) return;
      done = true;
      const value = commit ? parseWord(input.value, view.decimal) : null;
      if (value !== null) onEdit(address, value);
      else draw();
    };
    input.addEventListener('keydown', e => {
      if (e.key === 'Enter') finish(true);
      else if (e.key === 'Escape') finish(false);
    });
    input.addEventListener('blur', () => finish(false));
  }

  grid.addEventListener('scroll', () => draw());
  // A click selects the word in place (the rows stay, so that a second
  // click on them makes a double click).
  grid.addEventListener('click', e => {
    const cell = e.target.closest('[data-address]');
    if (!cell || cell.querySelector('input')) return;
    view.selected = Number(cell.dataset.address);
    for (const old of rows.querySelectorAll('.selected')) old.classList.remove('selected');
    cell.classList.add('selected');
    showSelected();
  });
  grid.addEventListener('dblclick', e => {
    const cell = e.target.closest('[data-address]');
    if (cell && editable()) edit(cell);
  });
  $('memory-goto').addEventListener('keydown', e => {
    if (e.key !== 'Enter') return;
    const t = e.target.value.trim().replace(/^(0x|\$|@)/i, '');
    if (/^[0-9a-f]{1,4}$/i.test(t)) goTo(parseInt(t, 16));
  });
  for (const radio of document.querySelectorAll('input[name=memory-base]'))
    radio.addEventListener('change', () => {
      view.decimal = radio.value === 'dec';
      grid.classList.toggle('decimal', view.decimal);
      draw();
    });

  return {
    // The machine has moved (or the tab was shown): MAR and the words again.
    update(state, visible) {
      view.mar = state.mar;
      view.shown = visible;
      draw();
    },
    goTo,
    get selected() { return view.selected; },
  };
}
