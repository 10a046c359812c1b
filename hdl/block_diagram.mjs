// zanfo: the block diagram of the manual's chapter "Building the machine"
// (docs/building.svg), drawn from the parts of the playground's datapath
// (web/src/datapath.js), with the Verilog module of each part and the
// board logic the drawing leaves out: the control store and its pipeline
// register, the decoder and the mapping.
//
//   node hdl/block_diagram.mjs > docs/building.svg
//
// The test docs.building_svg draws it again and compares.
import {createDatapath} from '../web/src/datapath.js';

// Just enough of a DOM for createDatapath, serialized as SVG text.
class Element {
  constructor(name) {
    this.name = name;
    this.attributes = new Map();
    this.children = [];
    this.text = '';
    const classes = () => new Set((this.attributes.get('class') || '').split(' ').filter(Boolean));
    const store = set => this.attributes.set('class', [...set].join(' '));
    this.classList = {
      toggle: (c, on) => { const s = classes(); if (on) s.add(c); else s.delete(c); store(s); },
      add: c => { const s = classes(); s.add(c); store(s); },
      contains: c => classes().has(c),
    };
  }
  setAttribute(k, v) { this.attributes.set(k, String(v)); }
  getAttribute(k) { return this.attributes.get(k); }
  append(...children) {
    for (const c of children) {
      const at = this.children.indexOf(c);
      if (at >= 0) this.children.splice(at, 1);
      this.children.push(c);
    }
  }
  replaceChildren(...children) { this.children = []; this.append(...children); }
  set textContent(t) { this.children = []; this.text = t; }
  get textContent() { return this.text; }
  serialize(indent = '') {
    const escape = s => s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
    const attributes = [...this.attributes].map(([k, v]) => ` ${k}="${escape(v)}"`).join('');
    if (!this.children.length && !this.text) return `${indent}<${this.name}${attributes}/>\n`;
    if (!this.children.length) return `${indent}<${this.name}${attributes}>${escape(this.text)}</${this.name}>\n`;
    return `${indent}<${this.name}${attributes}>\n${this.children.map(c => c.serialize(indent + '  ')).join('')}` +
      `${indent}</${this.name}>\n`;
  }
}
globalThis.document = {createElementNS: (ns, name) => new Element(name)};

// The drawing alone: its tables light paths, and nothing is lit here.
const noParts = {sources: [], destinations: [], buses: [], flags: [], busReadsFlags: 10, sequencer: [], conditions: []};
const container = new Element('div');
createDatapath(container, noParts);
const svg = container.children[0];
const [wires, boxes, texts] = svg.children;
const add = (parent, name, attributes, text = '') => {
  const e = new Element(name);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  e.text = text;
  parent.append(e);
  return e;
};

// The parts' names where the playground shows their values.
const names = {
  q: 'Q', k: 'K', uflag: 'UFLAG', mflag: 'MFLAG', mar: 'MAR', memory: 'memory', upc: 'μPC',
  counter: 'counter R', stack: 'stack (5)', ir: 'IR', shifter: 'shift', 'cond-name': 'condition select',
  'cond-test': 'CC̅, CCEN̅',
};
for (const t of texts.children) {
  const name = t.getAttribute('data-text');
  if (name === undefined) continue;
  t.children = [];
  t.text = names[name] || '';
  t.attributes.delete('data-text');
}
texts.children = texts.children.filter(t => t.text);
for (const e of [...wires.children, ...boxes.children]) {
  e.attributes.delete('data-path');
  e.attributes.delete('data-part');
}

// Below the datapath: the control store, the pipeline register and the
// decoder that drive every part, and the mapping on the sequencer's D.
const [width, height] = [780, 480];
svg.setAttribute('viewBox', `0 0 ${width} ${height}`);
for (const [x, y, w, h] of [
  [196, 360, 324, 44],  // the decoder
  [196, 420, 324, 36],  // the pipeline register
  [560, 420, 150, 36],  // the control store
  [560, 350, 110, 44],  // the mapping
])
  add(boxes, 'rect', {x, y, width: w, height: h, rx: 3, class: 'part'});
for (const points of [
  [[716, 200], [770, 200], [770, 438], [710, 438]],  // the next address into the control store
  [[560, 438], [520, 438]],                          // the word into the pipeline register
  [[358, 420], [358, 404]],                          // the pipeline register into the decoder
  [[358, 360], [358, 334]],                          // the decoder's control lines
  [[684, 270], [730, 270], [730, 372], [670, 372]],  // the mapping onto D, for JMAP
])
  add(wires, 'polyline', {points: points.join(' '), class: 'wire'});
for (const [x, y, text, cls] of [
  [358, 378, 'decoder', 'title'], [358, 392, 'the fields; AluDest 5 → RAMF, 7 → QREG; C, V after 0-2 only', 'muted'],
  [366, 346, 'to every part', 'muted start'],
  [358, 436, 'pipeline register', 'title'], [358, 449, 'the word at μPC, 64 bits', 'muted'],
  [635, 436, 'control store', 'title'], [635, 449, '4096 × 64 (1024 on the iCE40)', 'muted'],
  [615, 368, 'mapping', 'title'], [615, 382, '256 × 16, IR[15:8] in', 'muted'],
])
  add(texts, 'text', {x, y, class: cls.replace(' start', ''), 'text-anchor': cls.endsWith(' start') ? 'start' : 'middle'},
      text);

// The Verilog module of each part.
for (const [x, y, text] of [
  [70, 208, 'zanfo_register_file'], [274, 226, 'zanfo_am2901'], [70, 268, 'zanfo_board'],
  [476, 104, 'zanfo_flag_registers'], [476, 164, 'zanfo_board'], [476, 264, 'zanfo_ram'],
  [610, 330, 'zanfo_board'], [620, 33, 'zanfo_condition'], [588, 126, 'zanfo_am2910'],
  [635, 470, 'zanfo_rom'], [358, 470, 'zanfo_rom: its output register'], [250, 414, 'zanfo_decode'],
  [615, 406, 'zanfo_rom'],
])
  add(texts, 'text', {x, y, class: 'module', 'text-anchor': 'middle'}, text);

// The page's look, for a drawing on its own.
const style = new Element('style');
style.text = `
    .wire { fill: none; stroke: #8c959f; stroke-width: 1.6; stroke-linejoin: round; }
    .joint { fill: #8c959f; }
    .part { fill: #fbfcfd; stroke: #57606a; stroke-width: 1.2; }
    text { font: 11px sans-serif; fill: #1f2328; }
    .title { font-weight: 700; }
    .muted { fill: #57606a; font-size: 10px; }
    .port { fill: #57606a; font-size: 10px; font-weight: 700; }
    .mono { font: 11px monospace; }
    .module { font: italic 9px monospace; fill: #8250df; }
  `;
svg.children.unshift(style);
svg.setAttribute('xmlns', 'http://www.w3.org/2000/svg');
svg.setAttribute('aria-label', 'The board: the playground\'s datapath with the control store, the pipeline ' +
  'register, the decoder and the mapping, and the Verilog module of each part');
svg.attributes.delete('class');
add(svg, 'rect', {x: 0, y: 0, width, height, fill: 'white'});
svg.children.unshift(svg.children.pop());  // the white ground first
process.stdout.write('<?xml version="1.0" encoding="UTF-8"?>\n' + svg.serialize());
