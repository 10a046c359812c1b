// The simulator's state as the page shows it beside the datapath: the
// registers, the sequencer and the rest of the machine, and the trace of
// the last cycles, what changed since `before` (the state before the last
// step, run or back; null: nothing marked) and the registers' EQU names
// (`names`, by number, 64 for Q).
import {hex} from './toolchain.js';

const $ = id => document.getElementById(id);

export function showRegisters(state, before, names) {
  const cells = [];
  for (let i = 0; i < 64; i++) {
    const v = state.r[i];
    const classes = [];
    if (before && before.r[i] !== v) classes.push('changed');
    else if (v === 0) classes.push('zero');
    if (names[i]) classes.push('named');
    const title = `R${i}${names[i] ? ' (' + names[i] + ')' : ''} = 0x${hex(v)} = ${v}` +
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

export function showState(state, before, names) {
  const b = before;
  const row = (name, value, changed, key) =>
    `<div class="${changed ? 'changed' : ''}"><dt>${name}</dt><dd data-state="${key}">${value}</dd></div>`;
  const stack = state.stack.length ? state.stack.map(a => hex(a, 3)).join(' ') + ' (top last)' : 'empty';
  const named = n => names[n] ? ` <small>${escapeHtml(names[n])}</small>` : '';
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

// The trace's text (zanfo-sim's lines of the last cycles), the last line marked.
export function showTrace(text) {
  const lines = text.split('\n').filter(Boolean);
  const pre = $('trace');
  pre.innerHTML = lines.map((l, i) => `<div${i === lines.length - 1 ? ' class="last"' : ''}>${escapeHtml(l)}</div>`)
    .join('');
  pre.scrollTop = pre.scrollHeight;
}

export function escapeHtml(text) {
  return text.replace(/[&<>"]/g, c => ({'&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;'})[c]);
}
