// The datapath drawing: the register file with its A and B ports, Q, the
// ALU with its R and S inputs, the D bus with memory, the constant and the
// flag registers, the shifter, the bus to MAR, memory and the flags, the
// condition select and the Am2910 sequencer.  At every step the paths that
// the word at μPC uses light up, with the values on them; once the machine
// has halted, the HALT word's cycle, dimmed.
//
// What a field value makes the machine do comes from the machine's own
// tables (machine/parts.h, through toolchain.parts()); this file only says
// which wires and boxes of the drawing each of those parts is.  The values
// come from the machine itself (Machine::Peek through the C interface).
import {hex} from './toolchain.js';

// --- From the machine's parts to the drawing's wires ---------------------------

// The wire into R or S for each operand of a source pair.
const rWires = {a: 'a-r', d: 'd-r', zero: 'zero-r'};
const sWires = {a: 'a-s', b: 'b-s', q: 'q-s', zero: 'zero-s'};
// Where F goes: a register at B or Q, past the shifter or through it.  Only
// the register file's shifter shifts; unshifted, F goes around it.
const destinationWires = {
  b: {none: ['f-bypass', 'bypass-b', 'y-b', 'write-b'], right: ['f-shift', 'shift-y', 'y-b', 'write-b', 'shift-right'],
    left: ['f-shift', 'shift-y', 'y-b', 'write-b', 'shift-left']},
  q: {none: ['f-bypass', 'y-q', 'write-q']},
};
// The D bus's sources, and the bus transfers at the end of the cycle.
const dWires = {memory: ['mar-mem', 'mem-d', 'd-r-bus'], constant: ['k-d', 'd-r-bus'],
  uflag: ['uflag-d', 'd-r-bus'], mflag: ['mflag-d', 'd-r-bus']};
const transferWires = {
  'memory-to-ir': ['mar-mem', 'mem-ir'], 'f-to-memory': ['mar-mem', 'f-mem'], 'f-to-mar': ['f-mar'],
  'f-to-flags': ['f-flags'], 'const-to-memory': ['mar-mem', 'k-mem'], 'const-to-flags': ['k-flags'],
};
const loadWires = {'u-status': ['status-u'], 'm-status': ['status-m'], 'u-bus': ['bus-u'], 'm-bus': ['bus-m']};
// The sequencer's sources of the next address.
const nextWires = {zero: 'seq-zero', upc: 'seq-upc', d: 'seq-d', r: 'seq-r', top: 'seq-top', map: 'seq-map'};

// The tables the drawing lights from, built from the machine's parts: for
// each field value the wires it uses.
export function drawingTables(parts) {
  const t = {
    sourcePaths: parts.sources.map(p => [rWires[p.r], sWires[p.s]].filter(Boolean)),
    destinationPaths: parts.destinations.map(d => (d.defined && d.to !== 'none' ? destinationWires[d.to][d.shift] || [] : [])),
    busPaths: parts.buses.map(b => [...(dWires[b.d] || []), ...(transferWires[b.transfer] || [])]),
    flagPaths: parts.flags.map(f => ({read: dWires[f.read] || [], load: loadWires[f.load] || []})),
    busReadsFlags: parts.busReadsFlags,
    // Whether F goes anywhere: a destination, a bus transfer of F, or a
    // flag register loaded with its status.
    resultUsers: {
      AluDest: new Set(parts.destinations.flatMap((d, c) => (d.defined && d.to !== 'none' ? [c] : []))),
      YBusCtrl: new Set(parts.buses.flatMap((b, c) => (b.transfer.startsWith('f-') ? [c] : []))),
      FlagInstr: new Set(parts.flags.flatMap((f, c) => (f.load.endsWith('-status') ? [c] : []))),
    },
    // Per Am2910 instruction, its four paths (by PathIndex: counter zero,
    // then test) as {seq, stack, counter}.
    sequencerPaths: parts.sequencer.map(i => i.paths.map(p => ({seq: nextWires[p.next] || null,
      stack: p.stack === 'hold' ? null : p.stack, counter: p.counter === 'hold' ? null : p.counter}))),
    // The instructions whose path depends on the test.
    conditional: new Set(parts.sequencer.flatMap((i, c) => {
      const same = (a, b) => a.next === b.next && a.stack === b.stack && a.counter === b.counter;
      return same(i.paths[0], i.paths[1]) && same(i.paths[2], i.paths[3]) ? [] : [c];
    })),
    conditions: parts.conditions,
  };
  return t;
}

const resultUsed = (t, fields) => Object.entries(t.resultUsers).some(([field, codes]) => codes.has(fields[field]));

// RegSelect: the port addresses taken from the IR (bit 0 A, bit 1 B).
const selectPaths = {1: ['ir-a'], 2: ['ir-b'], 3: ['ir-a', 'ir-b']};

// What the word's cycle uses: {paths: Set of part names, sequencer path,
// condition (the condition tested, or null)}.  `t` the drawing's tables
// (drawingTables); `fields` by display name (toolchain.wordFields);
// `cycle` the machine's view of it (state().cycle), `counter` the counter
// before it and `sequencer` the instruction as the machine runs it (the
// Sequencer field but with --loop-to-address, which runs RFCT as RPCT).
export function usedPaths(t, fields, cycle, counter, sequencer = fields.Sequencer) {
  const paths = new Set();
  const add = list => { for (const p of list || []) paths.add(p); };
  if (resultUsed(t, fields)) add(['alu', 'r-alu', 's-alu', ...t.sourcePaths[fields.AluSource]]);
  add(t.destinationPaths[fields.AluDest]);
  add(t.busPaths[fields.YBusCtrl]);
  const flag = t.flagPaths[fields.FlagInstr] || {};
  if (fields.YBusCtrl === t.busReadsFlags) add(flag.read);
  add(flag.load);
  const select = selectPaths[fields.RegSelect] || [];
  if (select.includes('ir-a') && (paths.has('a-r') || paths.has('a-s'))) paths.add('ir-a');
  if (select.includes('ir-b') && (paths.has('b-s') || paths.has('y-b'))) paths.add('ir-b');
  const table = t.sequencerPaths[sequencer];
  let path = null;
  if (table) {
    path = table[(counter === 0 ? 2 : 0) + (cycle.pass ? 1 : 0)];
    if (path.seq) paths.add(path.seq);
    paths.add('seq-next');
    if (path.stack) paths.add('stack-' + path.stack);
    if (path.counter) paths.add('counter-' + path.counter);
  }
  // The condition select, when the sequencer's path hangs on its test.
  let condition = null;
  if (t.conditional.has(sequencer) && fields.CondEnable === 0) {
    condition = t.conditions[fields.CondCode];
    add(['cond', 'cond-cc', condition.reads === 'uflag' ? 'uflag-cond' : 'mflag-cond']);
  }
  if (fields.Break) paths.add('halt');
  return {paths, sequencer: path, condition};
}

// --- The drawing -------------------------------------------------------------

const SVG = 'http://www.w3.org/2000/svg';

// The wires: name -> points.  Several wires may share a stretch (a bus).
const wires = {
  'a-r': [[128, 72], [196, 72]],
  'a-s': [[146, 72], [146, 158], [196, 158]],
  'b-s': [[128, 172], [196, 172]],
  'q-s': [[128, 238], [162, 238], [162, 186], [196, 186]],
  'zero-r': [[203, 50], [203, 60]],
  'zero-s': [[203, 224], [203, 214]],
  'd-r-bus': [[180, 244], [180, 100], [196, 100]],
  'd-r': [[180, 100], [196, 100]],
  'r-alu': [[210, 86], [232, 86]],
  's-alu': [[210, 182], [232, 182]],
  'f-shift': [[316, 134], [356, 134]],
  'shift-y': [[400, 134], [416, 134]],
  'f-bypass': [[316, 134], [338, 134], [338, 162], [416, 162]],
  'bypass-b': [[416, 162], [416, 134]],
  'y-b': [[416, 134], [416, 24], [70, 24], [70, 46]],
  'y-q': [[416, 162], [416, 326], [70, 326], [70, 254]],
  'mem-d': [[432, 244], [180, 244]],
  'k-d': [[214, 274], [180, 274], [180, 244]],
  'uflag-d': [[134, 286], [180, 286], [180, 244]],
  'mflag-d': [[134, 302], [180, 302], [180, 244]],
  'f-mar': [[316, 134], [330, 134], [330, 181], [432, 181]],
  'f-mem': [[316, 134], [330, 134], [330, 226], [432, 226]],
  'k-mem': [[286, 274], [330, 274], [330, 226], [432, 226]],
  'f-flags': [[316, 134], [330, 134], [330, 108], [418, 108]],
  'k-flags': [[286, 274], [330, 274], [330, 108], [418, 108]],
  'bus-u': [[418, 108], [418, 54], [432, 54]],
  'bus-m': [[418, 108], [418, 86], [432, 86]],
  'status-u': [[284, 86], [284, 36], [476, 36], [476, 44]],
  'status-m': [[284, 86], [284, 36], [532, 36], [532, 86], [520, 86]],
  'mar-mem': [[476, 192], [476, 212]],
  'mem-ir': [[520, 232], [540, 232], [540, 304], [560, 304]],
  // The condition select reads a flag register and tells the sequencer.
  'uflag-cond': [[520, 54], [556, 54]],
  'mflag-cond': [[520, 76], [556, 76]],
  'cond-cc': [[684, 62], [744, 62], [744, 184], [716, 184]],
  'seq-zero': [[690, 130], [700, 130]],
  'seq-upc': [[660, 150], [700, 150]],
  'seq-d': [[668, 170], [700, 170]],
  'seq-r': [[660, 190], [700, 190]],
  'seq-top': [[660, 216], [700, 216]],
  'seq-map': [[660, 304], [684, 304], [684, 236], [700, 236]],
  'seq-next': [[708, 120], [708, 110], [610, 110], [610, 138]],
};

// The boxes: name -> [x, y, width, height]; their text is set at each step.
const boxes = {
  registers: [12, 46, 116, 150],
  q: [12, 222, 116, 32],
  k: [214, 262, 72, 24],
  shifter: [356, 118, 44, 32],
  uflag: [432, 44, 88, 20],
  mflag: [432, 70, 88, 20],
  mar: [432, 170, 88, 22],
  memory: [432, 212, 88, 40],
  cond: [556, 40, 128, 46],
  upc: [560, 138, 100, 24],
  counter: [560, 178, 100, 24],
  stack: [560, 204, 100, 84],
  ir: [560, 292, 100, 24],
  rmux: [196, 60, 14, 52],
  smux: [196, 150, 14, 64],
  nextmux: [700, 120, 16, 128],
};

// Fixed labels: [x, y, text, class, anchor].
const labels = [
  [70, 62, 'Registers', 'title', 'middle'],
  [70, 124, 'R0–R63', 'muted', 'middle'],
  [203, 46, '0', 'muted', 'middle'],
  [203, 234, '0', 'muted', 'middle'],
  [188, 96, 'D', 'port', 'middle'],
  [238, 90, 'R', 'port', 'start'],
  [238, 186, 'S', 'port', 'start'],
  [284, 112, 'ALU', 'title', 'middle'],
  [128, 290, 'UFLAG', 'muted', 'end'],
  [128, 306, 'MFLAG', 'muted', 'end'],
  [588, 100, 'Sequencer', 'title', 'middle'],
  [686, 134, '0', 'muted', 'end'],
  [664, 174, 'K', 'muted', 'end'],
  [670, 318, 'map', 'muted', 'start'],
  [322, 128, 'F', 'port', 'middle'],
  [410, 128, 'Y', 'port', 'middle'],
  [326, 204, 'bus', 'muted', 'end'],
  [136, 68, 'A', 'port', 'start'],
  [136, 168, 'B', 'port', 'start'],
  [750, 58, 'CC', 'port', 'start'],
];

// The texts set at each step: name -> [x, y, class, anchor].
const texts = {
  'port-a': [122, 80, 'mono', 'end'],
  'port-b': [122, 180, 'mono', 'end'],
  'write-b': [76, 40, 'note', 'start'],
  q: [70, 243, 'mono', 'middle'],
  'write-q': [76, 270, 'note', 'start'],
  k: [250, 279, 'mono', 'middle'],
  function: [281, 132, 'mono', 'middle'],
  f: [281, 150, 'mono', 'middle'],
  status: [281, 166, 'note', 'middle'],
  shifter: [378, 138, 'mono', 'middle'],
  uflag: [476, 58, 'mono', 'middle'],
  mflag: [476, 84, 'mono', 'middle'],
  mar: [476, 185, 'mono', 'middle'],
  memory: [476, 228, 'mono', 'middle'],
  'memory-value': [476, 244, 'mono', 'middle'],
  'cond-name': [620, 58, 'mono', 'middle'],
  'cond-test': [620, 76, 'note', 'middle'],
  upc: [610, 154, 'mono', 'middle'],
  counter: [610, 194, 'mono', 'middle'],
  'counter-op': [664, 206, 'note', 'start'],
  stack: [610, 220, 'mono', 'middle'],
  'stack-op': [610, 282, 'note', 'middle'],
  ir: [610, 308, 'mono', 'middle'],
  halt: [776, 344, 'note', 'end'],
  // Values on the wires.
  'v-a': [160, 68, 'value', 'middle'],
  'v-b': [160, 168, 'value', 'middle'],
  'v-q': [146, 234, 'value', 'middle'],
  'v-d': [180, 256, 'value', 'middle'],
  'v-y': [238, 20, 'value', 'middle'],
  'v-yq': [238, 322, 'value', 'middle'],
  'v-bus': [334, 204, 'value', 'start'],
  'v-mem': [380, 240, 'value', 'middle'],
  'v-next': [660, 106, 'value', 'middle'],
  'v-upc1': [680, 146, 'value', 'middle'],
  'v-seq-d': [684, 166, 'value', 'middle'],
};

// The boxes each path lights besides its wire.
const partsOf = {
  'a-r': ['registers', 'rmux'], 'a-s': ['registers', 'smux'], 'b-s': ['registers', 'smux'], 'q-s': ['q', 'smux'],
  'd-r-bus': ['rmux'], 'zero-r': ['rmux'], 'd-r': ['rmux'], 'zero-s': ['smux'],
  'y-b': ['registers'], 'y-q': ['q'], 'f-shift': ['shifter'],
  'mem-d': ['memory'], 'k-d': ['k'], 'uflag-d': [], 'mflag-d': [],
  'f-mar': ['mar'], 'f-mem': ['memory'], 'k-mem': ['k', 'memory'], 'f-flags': [], 'k-flags': ['k'],
  'bus-u': ['uflag'], 'bus-m': ['mflag'], 'status-u': ['uflag'], 'status-m': ['mflag'],
  'mar-mem': ['mar', 'memory'], 'mem-ir': ['memory', 'ir'],
  'uflag-cond': ['uflag', 'cond'], 'mflag-cond': ['mflag', 'cond'],
  'seq-upc': ['upc'], 'seq-r': ['counter'], 'seq-top': ['stack'], 'seq-map': ['ir'], 'seq-next': ['upc', 'nextmux'],
  'ir-a': ['ir'], 'ir-b': ['ir'],
};

// AluFunction with the carry in: [carry 0, carry 1].
const functionNames = [
  ['R + S', 'R + S + 1'], ['S − R − 1', 'S − R'], ['R − S − 1', 'R − S'], ['R OR S', 'R OR S'],
  ['R AND S', 'R AND S'], ['~R AND S', '~R AND S'], ['R XOR S', 'R XOR S'], ['R XNOR S', 'R XNOR S'],
];

// The flag bits, by their place in UFLAG and MFLAG.
const flagLetters = ['Z', 'N', 'V', 'C'];

function element(name, attributes, parent) {
  const e = document.createElementNS(SVG, name);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  if (parent) parent.append(e);
  return e;
}

// The drawing in `container`, lit by the tables built from `parts`
// (toolchain.parts()); update(fields, drawn) shows one step.
export function createDatapath(container, parts) {
  const tables = drawingTables(parts);
  const svg = element('svg', {viewBox: '0 0 780 350', class: 'datapath', role: 'img',
    'aria-label': 'The datapath, with the paths of the word at μPC lit'});
  const wireLayer = element('g', {class: 'wires'}, svg);
  const boxLayer = element('g', {class: 'boxes'}, svg);
  const textLayer = element('g', {class: 'texts'}, svg);
  const wireElements = {};
  for (const [name, points] of Object.entries(wires))
    wireElements[name] = element('polyline', {points: points.join(' '), class: 'wire', 'data-path': name}, wireLayer);
  for (const [x, y] of [[146, 72], [330, 134], [416, 134], [416, 162], [180, 244], [418, 108], [284, 86], [330, 226],
    [330, 274], [338, 134]])
    element('circle', {cx: x, cy: y, r: 2.5, class: 'joint'}, wireLayer);
  const boxElements = {};
  for (const [name, [x, y, w, h]] of Object.entries(boxes))
    boxElements[name] = element('rect', {x, y, width: w, height: h, rx: 3, class: 'part', 'data-part': name}, boxLayer);
  boxElements.alu = element('polygon', {
    points: '232,58 316,100 316,168 232,210 232,150 246,134 232,118', class: 'part', 'data-part': 'alu'}, boxLayer);
  for (const [x, y, text, cls, anchor] of labels)
    element('text', {x, y, class: cls, 'text-anchor': anchor}, textLayer).textContent = text;
  const textElements = {};
  for (const [name, [x, y, cls, anchor]] of Object.entries(texts))
    textElements[name] = element('text', {x, y, class: cls, 'text-anchor': anchor, 'data-text': name}, textLayer);
  container.replaceChildren(svg);

  const set = (name, text) => { textElements[name].textContent = text; };
  const flagsText = (name, value, bits = 15) => {
    const t = textElements[name];
    t.replaceChildren();
    element('tspan', {class: 'muted'}, t).textContent = name.toUpperCase() + ' ';
    flagLetters.forEach((letter, i) => {
      const read = (bits >> i) & 1;
      element('tspan', {class: ((value >> i) & 1 ? 'flag-on' : 'flag-off') + (read && bits !== 15 ? ' read' : ''),
        dx: i ? 3 : 0}, t).textContent = letter;
    });
  };

  return {
    svg,
    tables,
    // One step: `fields` of the word drawn (null when there is none), and
    // `drawn` the cycle to draw (state().drawn: its registers before it and
    // the machine's view of it), `names` the EQU names of the registers.
    update(fields, drawn, names = {}) {
      const c = drawn.cycle;
      const used = fields && c.runs ? usedPaths(tables, fields, c, drawn.counter, drawn.sequencer) :
        {paths: new Set(), sequencer: null, condition: null};
      svg.classList.toggle('halted', drawn.halted);
      const lit = new Set();
      for (const [name, e] of Object.entries(wireElements)) {
        const on = used.paths.has(name);
        e.classList.toggle('lit', on);
        if (on) wireLayer.append(e);  // drawn over the wires it shares a stretch with
      }
      for (const p of used.paths) for (const part of partsOf[p] || []) lit.add(part);
      if (used.paths.has('alu')) lit.add('alu');
      if (used.paths.has('shift-right') || used.paths.has('shift-left')) lit.add('shifter');
      for (const [name, e] of Object.entries(boxElements)) e.classList.toggle('lit', lit.has(name));
      for (const [name, e] of Object.entries(textElements)) e.classList.toggle('lit', used.paths.has(name));

      const reg = (n, viaIr) => `${viaIr ? 'IR→' : ''}R${n}${names[n] ? ' ' + names[n] : ''}`;
      const ran = fields && c.runs;
      const portA = used.paths.has('a-r') || used.paths.has('a-s');
      const portB = used.paths.has('b-s') || used.paths.has('y-b');
      set('port-a', portA ? reg(c.aAddress, fields.RegSelect & 1) : '');
      set('port-b', portB ? reg(c.bAddress, fields.RegSelect & 2) : '');
      textElements['port-a'].classList.toggle('lit', used.paths.has('ir-a'));
      textElements['port-b'].classList.toggle('lit', used.paths.has('ir-b'));
      set('write-b', used.paths.has('write-b') ? `R${c.bAddress} ← ${hex(c.y)}` : '');
      set('q', `Q ${hex(drawn.q)}`);
      set('write-q', used.paths.has('write-q') ? `Q ← ${hex(c.y)}` : '');
      set('k', fields ? `K ${hex(fields.ConstantAddr)}` : 'K');
      const computes = used.paths.has('alu');
      set('function', computes ? functionNames[fields.AluFunction][fields.CarryIn] : '');
      set('f', computes ? `F ${hex(c.f)}` : '');
      const status = textElements.status;
      status.replaceChildren();
      if (computes)
        flagLetters.forEach((letter, i) => {
          element('tspan', {class: (c.status >> i) & 1 ? 'flag-on' : 'flag-off', dx: i ? 3 : 0}, status).textContent = letter;
        });
      set('shifter', used.paths.has('shift-right') ? '→ 1' : used.paths.has('shift-left') ? '1 ←' : 'shift');
      const condition = used.condition;
      flagsText('uflag', drawn.uflag, condition && condition.reads === 'uflag' ? condition.bits : 15);
      flagsText('mflag', drawn.mflag, condition && condition.reads === 'mflag' ? condition.bits : 15);
      // The condition select: the condition, the bits it read, the outcome.
      if (condition) {
        const value = drawn[condition.reads];
        const bits = flagLetters.flatMap((l, i) => ((condition.bits >> i) & 1 ? [`${l}=${(value >> i) & 1}`] : []));
        set('cond-name', `${condition.name}: ${condition.reads.toUpperCase()}`);
        set('cond-test', `${bits.join(' ')}: ${c.pass ? 'passes' : 'fails'}`);
      } else {
        set('cond-name', 'condition');
        set('cond-test', fields && c.runs && tables.conditional.has(drawn.sequencer) ? 'none: passes' : '');
      }
      textElements['cond-name'].classList.toggle('muted', !condition);
      set('mar', `MAR ${hex(drawn.mar)}`);
      set('memory', `MEM[${hex(drawn.mar)}]`);
      set('memory-value', hex(c.memory));
      set('upc', `μPC ${hex(drawn.upc, 3)}`);
      set('counter', `counter ${hex(drawn.counter, 3)}`);
      set('counter-op', !used.sequencer ? '' : used.sequencer.counter === 'load' ? '← K' :
        used.sequencer.counter === 'dec' ? '− 1' : '');
      const stackText = textElements.stack;
      stackText.replaceChildren();
      const entries = drawn.stack.slice().reverse();  // top first
      if (entries.length === 0) element('tspan', {x: 610, dy: 0}, stackText).textContent = 'stack empty';
      entries.forEach((entry, i) => {
        element('tspan', {x: 610, dy: i ? 14 : 0}, stackText).textContent = `${i ? '' : 'top '}${hex(entry, 3)}`;
      });
      const op = used.sequencer && used.sequencer.stack;
      set('stack-op', op === 'push' ? `push ${hex((drawn.upc + 1) & 0xFFF, 3)}` : op === 'pop' ? 'pop' :
        op === 'clear' ? 'cleared' : '');
      set('ir', `IR ${hex(drawn.ir)}`);
      set('halt', drawn.halted ? `halted: the cycle of the HALT word at ${hex(drawn.upc, 3)}` :
        used.paths.has('halt') ? 'HALT after this word' : '');
      textElements.halt.classList.toggle('stopped', drawn.halted);

      const value = (name, on, v) => set(name, on ? hex(v) : '');
      value('v-a', ran && (used.paths.has('a-r') || used.paths.has('a-s')), c.a);
      value('v-b', ran && used.paths.has('b-s'), c.b);
      value('v-q', ran && used.paths.has('q-s'), drawn.q);
      value('v-d', ran && used.paths.has('d-r-bus'), c.d);
      value('v-y', used.paths.has('y-b'), c.y);
      value('v-yq', used.paths.has('y-q'), c.y);
      value('v-bus', ['f-mar', 'f-mem', 'f-flags'].some(p => used.paths.has(p)), c.f);
      value('v-mem', used.paths.has('mem-d') || used.paths.has('mem-ir'), c.memory);
      set('v-next', ran ? hex(c.next, 3) : '');
      set('v-upc1', used.paths.has('seq-upc') ? hex((drawn.upc + 1) & 0xFFF, 3) : '');
      set('v-seq-d', used.paths.has('seq-d') ? hex(fields.ConstantAddr & 0xFFF, 3) : '');
      return used;
    },
  };
}
