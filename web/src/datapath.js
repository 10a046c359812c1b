// The datapath drawing: the register file with its A and B ports, Q, the
// ALU with its R and S inputs, the D bus with memory, the constant and the
// flag registers, the shifter, the bus to MAR, memory and the flags, and
// the Am2910 sequencer.  At every step the paths that the word at μPC uses
// light up, with the values on them.
//
// What lights is read off the word's fields through the tables below, one
// per field, as the machine's documentation gives them; the values come
// from the machine itself (Machine::Peek through the C interface).
import {hex} from './toolchain.js';

// --- What each field value uses ---------------------------------------------

// AluSource: the Am2901's source pairs, as the wires into R and S.
export const sourcePaths = {
  0: ['a-r', 'q-s'],     // A, Q
  1: ['a-r', 'b-s'],     // A, B
  2: ['zero-r', 'q-s'],  // 0, Q
  3: ['zero-r', 'b-s'],  // 0, B
  4: ['zero-r', 'a-s'],  // 0, A
  5: ['d-r', 'a-s'],     // D, A
  6: ['d-r', 'q-s'],     // D, Q
  7: ['d-r', 'zero-s'],  // D, 0
};

// AluDest: where F goes, through the shifter.  Codes not listed write
// nothing (9) or are not modelled.
export const destinationPaths = {
  5: ['f-shift', 'y-b', 'write-b'],                   // F -> B register
  7: ['f-shift', 'y-q', 'write-q'],                   // F -> Q
  8: ['f-shift', 'y-q', 'write-q'],                   // F -> Q
  11: ['f-shift', 'y-b', 'write-b'],                  // F -> B register
  13: ['f-shift', 'y-b', 'write-b', 'shift-right'],  // F shifted right -> B register
  15: ['f-shift', 'y-b', 'write-b', 'shift-left'],   // F shifted left -> B register
};

// YBusCtrl: what the D bus carries, and the transfer at the end of the
// cycle.  Code 10 puts a flag register on D: FlagInstr says which.
export const busPaths = {
  1: ['mar-mem', 'mem-d', 'd-r-bus'],   // memory at MAR -> D
  2: ['mar-mem', 'mem-ir'],             // memory at MAR -> IR
  4: ['mar-mem', 'f-mem'],              // F -> memory at MAR
  5: ['f-mar'],                         // F -> MAR
  6: ['f-flags'],                       // F -> the flag bus
  7: ['k-d', 'd-r-bus'],                // constant -> D
  8: ['mar-mem', 'k-mem'],              // constant -> memory at MAR
  9: ['k-flags'],                       // constant -> the flag bus
};

// FlagInstr: the flag register YBusCtrl 10 reads, and what is loaded.
export const flagPaths = {
  2: {read: ['uflag-d', 'd-r-bus']},  // UFLAG is read (with YBusCtrl 10)
  3: {read: ['mflag-d', 'd-r-bus']},  // MFLAG is read (with YBusCtrl 10)
  4: {load: ['status-u']},            // UFLAG <- status of F
  5: {load: ['status-m']},            // MFLAG <- status of F
  6: {load: ['bus-u']},               // UFLAG <- low 4 bits of the bus
  7: {load: ['bus-m']},               // MFLAG <- low 4 bits of the bus
};

// Whether the ALU's result goes anywhere: a destination that writes it, a
// bus transfer of F (YBusCtrl 4, 5, 6) or a flag register loaded with its
// status (FlagInstr 4, 5).  When it goes nowhere its inputs are not lit.
export const resultUsers = {
  AluDest: new Set([5, 7, 8, 11, 13, 15]),
  YBusCtrl: new Set([4, 5, 6]),
  FlagInstr: new Set([4, 5]),
};
const resultUsed = fields => Object.entries(resultUsers).some(([field, codes]) => codes.has(fields[field]));

// RegSelect: the port addresses taken from the IR (bit 0 A, bit 1 B).
export const selectPaths = {1: ['ir-a'], 2: ['ir-b'], 3: ['ir-a', 'ir-b']};

// Sequencer: where the next address comes from and what happens to the
// stack and the counter, on each of the Am2910's four paths.
//   seq: the source of the next address (seq-zero, seq-upc, seq-d, seq-r, seq-top, seq-map)
//   stack: 'push', 'pop' or 'clear'; counter: 'load' (R <- D) or 'dec' (R - 1)
const go = (seq, stack, counter) => ({seq, stack, counter});
const byTest = (fail, pass) => ({nonzero: [fail, pass], zero: [fail, pass]});
const byCounter = (nonzero, zero) => ({nonzero: [nonzero, nonzero], zero: [zero, zero]});
const always = path => byTest(path, path);
export const sequencerPaths = {
  0: always(go('seq-zero', 'clear')),                                      // JZ
  1: byTest(go('seq-upc'), go('seq-d', 'push')),                           // CJS
  2: always(go('seq-map')),                                                // JMAP
  3: byTest(go('seq-upc'), go('seq-d')),                                   // CJP
  4: byTest(go('seq-upc', 'push'), go('seq-upc', 'push', 'load')),         // PUSH
  5: byTest(go('seq-r', 'push'), go('seq-d', 'push')),                     // JSRP
  7: byTest(go('seq-r'), go('seq-d')),                                     // JRP
  8: byCounter(go('seq-top', null, 'dec'), go('seq-upc', 'pop')),          // RFCT
  9: byCounter(go('seq-d', null, 'dec'), go('seq-upc')),                   // RPCT
  10: byTest(go('seq-upc'), go('seq-top', 'pop')),                         // CRTN
  11: byTest(go('seq-upc'), go('seq-d', 'pop')),                           // CJPP
  12: always(go('seq-upc', null, 'load')),                                 // LDCT
  13: byTest(go('seq-top'), go('seq-upc', 'pop')),                         // LOOP
  14: always(go('seq-upc')),                                               // CONT
  15: {nonzero: [go('seq-top', null, 'dec'), go('seq-upc', 'pop', 'dec')],   // TWB
    zero: [go('seq-d', 'pop'), go('seq-upc', 'pop')]},
};
// The instructions whose path depends on the test.
export const conditional = new Set([1, 3, 4, 5, 7, 10, 11, 13, 15]);

// What the word's cycle uses: {paths: Set of part names, sequencer path}.
// `fields` by display name (toolchain.wordFields); `cycle` the machine's
// view of it (state().cycle), `counter` the counter before it and
// `sequencer` the instruction as the machine runs it (the Sequencer field
// but with --loop-to-address, which runs RFCT as RPCT).
export function usedPaths(fields, cycle, counter, sequencer = fields.Sequencer) {
  const paths = new Set();
  const add = list => { for (const p of list || []) paths.add(p); };
  if (resultUsed(fields)) add(['alu', 'r-alu', 's-alu', ...sourcePaths[fields.AluSource]]);
  add(destinationPaths[fields.AluDest]);
  add(busPaths[fields.YBusCtrl]);
  const flag = flagPaths[fields.FlagInstr] || {};
  if (fields.YBusCtrl === 10) add(flag.read);
  add(flag.load);
  const select = selectPaths[fields.RegSelect] || [];
  if (select.includes('ir-a') && (paths.has('a-r') || paths.has('a-s'))) paths.add('ir-a');
  if (select.includes('ir-b') && (paths.has('b-s') || paths.has('y-b'))) paths.add('ir-b');
  const table = sequencerPaths[sequencer];
  let path = null;
  if (table) {
    path = table[counter === 0 ? 'zero' : 'nonzero'][cycle.pass ? 1 : 0];
    paths.add(path.seq);
    paths.add('seq-next');
    if (path.stack) paths.add('stack-' + path.stack);
    if (path.counter) paths.add('counter-' + path.counter);
  }
  if (conditional.has(sequencer) && fields.CondEnable === 0) paths.add('cond');
  if (fields.Break) paths.add('halt');
  return {paths, sequencer: path};
}

// --- The drawing -------------------------------------------------------------

const SVG = 'http://www.w3.org/2000/svg';

// The wires: name -> points.  Several wires may share a stretch (a bus).
const wires = {
  'a-r': [[128, 72], [196, 72]],
  'a-s': [[146, 72], [146, 158], [196, 158]],
  'b-s': [[128, 172], [196, 172]],
  'q-s': [[128, 238], [162, 238], [162, 186], [196, 186]],
  'zero-r': [[188, 86], [196, 86]],
  'zero-s': [[188, 200], [196, 200]],
  'd-r-bus': [[180, 244], [180, 100], [196, 100]],
  'd-r': [[180, 100], [196, 100]],
  'r-alu': [[210, 86], [232, 86]],
  's-alu': [[210, 182], [232, 182]],
  'f-shift': [[306, 134], [334, 134]],
  'y-b': [[386, 134], [406, 134], [406, 24], [70, 24], [70, 46]],
  'y-q': [[406, 134], [406, 318], [70, 318], [70, 254]],
  'mem-d': [[432, 244], [180, 244]],
  'k-d': [[214, 274], [180, 274], [180, 244]],
  'uflag-d': [[134, 286], [180, 286], [180, 244]],
  'mflag-d': [[134, 302], [180, 302], [180, 244]],
  'f-mar': [[322, 134], [322, 181], [432, 181]],
  'f-mem': [[322, 134], [322, 226], [432, 226]],
  'k-mem': [[286, 274], [322, 274], [322, 226], [432, 226]],
  'f-flags': [[322, 134], [322, 108], [418, 108]],
  'k-flags': [[286, 274], [322, 274], [322, 108], [418, 108]],
  'bus-u': [[418, 108], [418, 54], [432, 54]],
  'bus-m': [[418, 108], [418, 86], [432, 86]],
  'status-u': [[284, 86], [284, 36], [476, 36], [476, 44]],
  'status-m': [[284, 86], [284, 36], [532, 36], [532, 86], [520, 86]],
  'mar-mem': [[476, 192], [476, 212]],
  'mem-ir': [[520, 232], [540, 232], [540, 264], [560, 264]],
  'seq-zero': [[690, 80], [700, 80]],
  'seq-upc': [[660, 100], [700, 100]],
  'seq-d': [[668, 120], [700, 120]],
  'seq-r': [[660, 140], [700, 140]],
  'seq-top': [[660, 166], [700, 166]],
  'seq-map': [[660, 264], [684, 264], [684, 186], [700, 186]],
  'seq-next': [[716, 134], [748, 134], [748, 60], [610, 60], [610, 88]],
};

// The boxes: name -> [x, y, width, height]; their text is set at each step.
const boxes = {
  registers: [12, 46, 116, 150],
  q: [12, 222, 116, 32],
  k: [214, 262, 72, 24],
  shifter: [334, 118, 52, 32],
  uflag: [432, 44, 88, 20],
  mflag: [432, 76, 88, 20],
  mar: [432, 170, 88, 22],
  memory: [432, 212, 88, 40],
  upc: [560, 88, 100, 24],
  counter: [560, 128, 100, 24],
  stack: [560, 154, 100, 84],
  ir: [560, 252, 100, 24],
  rmux: [196, 60, 14, 52],
  smux: [196, 150, 14, 64],
  nextmux: [700, 70, 16, 128],
};

// Fixed labels: [x, y, text, class, anchor].
const labels = [
  [70, 62, 'Registers', 'title', 'middle'],
  [70, 124, 'R0–R63', 'muted', 'middle'],
  [186, 90, '0', 'muted', 'end'],
  [186, 204, '0', 'muted', 'end'],
  [238, 90, 'R', 'port', 'start'],
  [238, 186, 'S', 'port', 'start'],
  [270, 112, 'ALU', 'title', 'middle'],
  [128, 290, 'UFLAG', 'muted', 'end'],
  [128, 306, 'MFLAG', 'muted', 'end'],
  [660, 36, 'Sequencer', 'title', 'middle'],
  [686, 84, '0', 'muted', 'end'],
  [664, 124, 'K', 'muted', 'end'],
  [698, 260, 'map', 'muted', 'end'],
  [730, 72, 'next', 'muted', 'middle'],
  [176, 140, 'D', 'port', 'end'],
  [318, 128, 'F', 'port', 'end'],
  [396, 128, 'Y', 'port', 'middle'],
  [326, 160, 'bus', 'muted', 'start'],
  [136, 68, 'A', 'port', 'start'],
  [136, 168, 'B', 'port', 'start'],
];

// The texts set at each step: name -> [x, y, class, anchor].
const texts = {
  'port-a': [122, 80, 'mono', 'end'],
  'port-b': [122, 180, 'mono', 'end'],
  'write-b': [76, 40, 'note', 'start'],
  q: [70, 243, 'mono', 'middle'],
  'write-q': [76, 270, 'note', 'start'],
  k: [250, 279, 'mono', 'middle'],
  function: [270, 132, 'mono', 'middle'],
  f: [270, 150, 'mono', 'middle'],
  status: [270, 166, 'note', 'middle'],
  shifter: [360, 138, 'mono', 'middle'],
  uflag: [476, 58, 'mono', 'middle'],
  mflag: [476, 90, 'mono', 'middle'],
  mar: [476, 185, 'mono', 'middle'],
  memory: [476, 228, 'mono', 'middle'],
  'memory-value': [476, 244, 'mono', 'middle'],
  upc: [610, 104, 'mono', 'middle'],
  counter: [610, 144, 'mono', 'middle'],
  'counter-op': [664, 156, 'note', 'start'],
  stack: [610, 170, 'mono', 'middle'],
  'stack-op': [610, 232, 'note', 'middle'],
  ir: [610, 268, 'mono', 'middle'],
  cond: [560, 62, 'note', 'start'],
  halt: [560, 300, 'note', 'start'],
  // Values on the wires.
  'v-a': [160, 68, 'value', 'middle'],
  'v-b': [160, 168, 'value', 'middle'],
  'v-q': [146, 234, 'value', 'middle'],
  'v-d': [180, 256, 'value', 'middle'],
  'v-y': [238, 20, 'value', 'middle'],
  'v-yq': [238, 314, 'value', 'middle'],
  'v-bus': [330, 176, 'value', 'start'],
  'v-mem': [380, 240, 'value', 'middle'],
  'v-next': [680, 56, 'value', 'middle'],
  'v-upc1': [680, 96, 'value', 'middle'],
  'v-seq-d': [684, 116, 'value', 'middle'],
};

// The boxes each path lights besides its wire.
const partsOf = {
  'a-r': ['registers'], 'a-s': ['registers'], 'b-s': ['registers'], 'q-s': ['q'],
  'd-r-bus': ['rmux'], 'zero-r': ['rmux'], 'd-r': ['rmux'], 'zero-s': ['smux'],
  'y-b': ['registers', 'shifter'], 'y-q': ['q', 'shifter'],
  'mem-d': ['memory'], 'k-d': ['k'], 'uflag-d': [], 'mflag-d': [],
  'f-mar': ['mar'], 'f-mem': ['memory'], 'k-mem': ['k', 'memory'], 'f-flags': [], 'k-flags': ['k'],
  'bus-u': ['uflag'], 'bus-m': ['mflag'], 'status-u': ['uflag'], 'status-m': ['mflag'],
  'mar-mem': ['mar', 'memory'], 'mem-ir': ['memory', 'ir'],
  'seq-upc': ['upc'], 'seq-r': ['counter'], 'seq-top': ['stack'], 'seq-map': ['ir'], 'seq-next': ['upc', 'nextmux'],
  'ir-a': ['ir'], 'ir-b': ['ir'],
};

// AluFunction with the carry in: [carry 0, carry 1].
const functionNames = [
  ['R + S', 'R + S + 1'], ['S − R − 1', 'S − R'], ['R − S − 1', 'R − S'], ['R OR S', 'R OR S'],
  ['R AND S', 'R AND S'], ['NOT R AND S', 'NOT R AND S'], ['R XOR S', 'R XOR S'], ['R XNOR S', 'R XNOR S'],
];

function element(name, attributes, parent) {
  const e = document.createElementNS(SVG, name);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  if (parent) parent.append(e);
  return e;
}

// The drawing in `container`; update(fields, state) shows one step.
export function createDatapath(container) {
  const svg = element('svg', {viewBox: '0 0 780 330', class: 'datapath', role: 'img',
    'aria-label': 'The datapath, with the paths of the word at μPC lit'});
  const wireLayer = element('g', {class: 'wires'}, svg);
  const boxLayer = element('g', {class: 'boxes'}, svg);
  const textLayer = element('g', {class: 'texts'}, svg);
  const wireElements = {};
  for (const [name, points] of Object.entries(wires))
    wireElements[name] = element('polyline', {points: points.join(' '), class: 'wire', 'data-path': name}, wireLayer);
  for (const [x, y] of [[146, 72], [322, 134], [406, 134], [180, 244], [418, 108], [284, 86], [322, 226], [322, 274]])
    element('circle', {cx: x, cy: y, r: 2.5, class: 'joint'}, wireLayer);
  const boxElements = {};
  for (const [name, [x, y, w, h]] of Object.entries(boxes))
    boxElements[name] = element('rect', {x, y, width: w, height: h, rx: 3, class: 'part', 'data-part': name}, boxLayer);
  boxElements.alu = element('polygon', {
    points: '232,58 306,98 306,170 232,210 232,150 244,134 232,118', class: 'part', 'data-part': 'alu'}, boxLayer);
  for (const [x, y, text, cls, anchor] of labels)
    element('text', {x, y, class: cls, 'text-anchor': anchor}, textLayer).textContent = text;
  const textElements = {};
  for (const [name, [x, y, cls, anchor]] of Object.entries(texts))
    textElements[name] = element('text', {x, y, class: cls, 'text-anchor': anchor, 'data-text': name}, textLayer);
  container.replaceChildren(svg);

  const set = (name, text) => { textElements[name].textContent = text; };

  return {
    svg,
    // One step: `fields` of the word at μPC (null when there is none),
    // `state` the session's state, `names` the EQU names of the registers.
    update(fields, state, names = {}) {
      const c = state.cycle;
      const used = fields && c.runs ? usedPaths(fields, c, state.counter, state.sequencer) :
        {paths: new Set(), sequencer: null};
      const lit = new Set();
      for (const [name, e] of Object.entries(wireElements)) {
        const on = used.paths.has(name);
        e.classList.toggle('lit', on);
        if (on) wireLayer.append(e);  // drawn over the wires it shares a stretch with
      }
      for (const p of used.paths) for (const part of partsOf[p] || []) lit.add(part);
      if (used.paths.has('alu')) lit.add('alu');
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
      set('q', `Q ${hex(state.q)}`);
      set('write-q', used.paths.has('write-q') ? `Q ← ${hex(c.y)}` : '');
      set('k', fields ? `K ${hex(fields.ConstantAddr)}` : 'K');
      const computes = used.paths.has('alu');
      set('function', computes ? functionNames[fields.AluFunction][fields.CarryIn] : '');
      set('f', computes ? `F ${hex(c.f)}` : '');
      const status = textElements.status;
      status.replaceChildren();
      if (computes)
        ['Z', 'N', 'V', 'C'].forEach((letter, i) => {
          element('tspan', {class: (c.status >> i) & 1 ? 'flag-on' : 'flag-off', dx: i ? 3 : 0}, status).textContent = letter;
        });
      set('shifter', used.paths.has('shift-right') ? '→ 1' : used.paths.has('shift-left') ? '1 ←' : 'shift');
      for (const name of ['uflag', 'mflag']) {
        const t = textElements[name];
        t.replaceChildren();
        element('tspan', {class: 'muted'}, t).textContent = name.toUpperCase() + ' ';
        ['Z', 'N', 'V', 'C'].forEach((letter, i) => {
          element('tspan', {class: (state[name] >> i) & 1 ? 'flag-on' : 'flag-off', dx: i ? 3 : 0}, t).textContent = letter;
        });
      }
      set('mar', `MAR ${hex(state.mar)}`);
      set('memory', `MEM[${hex(state.mar)}]`);
      set('memory-value', hex(c.memory));
      set('upc', `μPC ${hex(state.upc, 3)}`);
      set('counter', `counter ${hex(state.counter, 3)}`);
      set('counter-op', !used.sequencer ? '' : used.sequencer.counter === 'load' ? '← K' :
        used.sequencer.counter === 'dec' ? '− 1' : '');
      set('stack', '');
      const stackText = textElements.stack;
      stackText.replaceChildren();
      const entries = state.stack.slice().reverse();  // top first
      if (entries.length === 0) {
        element('tspan', {x: 610, dy: 0}, stackText).textContent = 'stack empty';
      }
      entries.forEach((entry, i) => {
        element('tspan', {x: 610, dy: i ? 14 : 0}, stackText).textContent = `${i ? '' : 'top '}${hex(entry, 3)}`;
      });
      const op = used.sequencer && used.sequencer.stack;
      set('stack-op', op === 'push' ? `push ${hex((state.upc + 1) & 0xFFF, 3)}` : op === 'pop' ? 'pop' :
        op === 'clear' ? 'cleared' : '');
      set('ir', `IR ${hex(state.ir)}`);
      set('cond', used.paths.has('cond') ? `test ${c.pass ? 'passes' : 'fails'}` : '');
      set('halt', used.paths.has('halt') ? 'HALT after this word' : '');

      const value = (name, on, v) => set(name, on ? hex(v) : '');
      value('v-a', ran && (used.paths.has('a-r') || used.paths.has('a-s')), c.a);
      value('v-b', ran && used.paths.has('b-s'), c.b);
      value('v-q', ran && used.paths.has('q-s'), state.q);
      value('v-d', ran && used.paths.has('d-r-bus'), c.d);
      value('v-y', used.paths.has('y-b'), c.y);
      value('v-yq', used.paths.has('y-q'), c.y);
      value('v-bus', ['f-mar', 'f-mem', 'f-flags'].some(p => used.paths.has(p)), c.f);
      value('v-mem', used.paths.has('mem-d') || used.paths.has('mem-ir'), c.memory);
      set('v-next', ran ? hex(c.next, 3) : '');
      set('v-upc1', used.paths.has('seq-upc') ? hex((state.upc + 1) & 0xFFF, 3) : '');
      set('v-seq-d', used.paths.has('seq-d') ? hex(fields.ConstantAddr & 0xFFF, 3) : '');
      return used;
    },
  };
}
