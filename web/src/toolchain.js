// zanfo's toolchain as the page and the tests see it: the C++ libraries
// compiled to WebAssembly (web/api.cpp), behind plain JavaScript functions.
//
// Sources and outputs are "byte strings": one character per byte, codes 0 to
// 255 (Latin-1), so that zanfo's ISO-8859-1 messages and any byte of a
// source pass through unchanged.

// A number in upper-case hexadecimal, `digits` wide: hex(0x2a) is "002A".
export const hex = (n, digits = 4) => n.toString(16).toUpperCase().padStart(digits, '0');

// Copies a byte string into the module's memory; returns the address.  A
// character above 255 is no byte: refused rather than cut to one.
function putBytes(mod, text) {
  const size = text.length;
  const bad = /[^\x00-\xff]/.exec(text);
  if (bad) throw new RangeError(`not a byte string: character U+${hex(bad[0].charCodeAt(0))} at ${bad.index}`);
  const at = mod._malloc(size || 1);
  const heap = mod.HEAPU8;
  for (let i = 0; i < size; i++) heap[at + i] = text.charCodeAt(i);
  return at;
}

// size bytes at address `at` as a byte string.
function getBytes(mod, at, size) {
  const bytes = mod.HEAPU8.subarray(at, at + size);
  let text = '';
  for (let i = 0; i < size; i += 8192)
    text += String.fromCharCode.apply(null, bytes.subarray(i, Math.min(size, i + 8192)));
  return text;
}

// Text as typed in the editor to the bytes of a source file: UTF-8, as an
// editor saves it.
export function textToBytes(text) {
  return unescape(encodeURIComponent(text));
}

// A NUL-terminated string of the module as a byte string.
function getCString(mod, at) {
  let end = at;
  while (mod.HEAPU8[end]) end++;
  return getBytes(mod, at, end - at);
}

// Arguments packed for the C side: each followed by a NUL.
function packArgs(args) {
  return Array.from(args, a => String(a) + '\0').join('');
}

// Files ({name: byte string}) packed for the C side: the name, a NUL, the
// size in decimal, a NUL, the bytes.
function packFiles(files) {
  return Object.entries(files || {}).map(([name, bytes]) => `${name}\0${bytes.length}\0${bytes}`).join('');
}

// Files packed by the C side, as packFiles packs them, back into {name:
// byte string}.
function unpackFiles(packed) {
  const files = {};
  for (let at = 0; at < packed.length;) {
    const nameEnd = packed.indexOf('\0', at), sizeEnd = packed.indexOf('\0', nameEnd + 1);
    if (nameEnd < 0 || sizeEnd < 0) break;
    const size = Number(packed.slice(nameEnd + 1, sizeEnd));
    files[packed.slice(at, nameEnd)] = packed.slice(sizeEnd + 1, sizeEnd + 1 + size);
    at = sizeEnd + 1 + size;
  }
  return files;
}

// Calls fn with the addresses of byte strings copied into the module's
// memory, and frees them afterwards.
function withBytes(mod, strings, fn) {
  const at = [];
  try {
    for (const s of strings) at.push(putBytes(mod, s));
    return fn(...at);
  } finally {
    for (const a of at) mod._free(a);
  }
}

// A 16-digit hexadecimal microword as its two halves.
function halves(word) {
  const hex = String(word).padStart(16, '0');
  return [parseInt(hex.slice(0, 8), 16) >>> 0, parseInt(hex.slice(8), 16) >>> 0];
}

// Bytes as text: UTF-8 decoded (zanfo-sim's words, μPC among them).
export function bytesToText(bytes) {
  return new TextDecoder().decode(Uint8Array.from(bytes, c => c.charCodeAt(0)));
}

// What a step or a run came to (SimSession::Outcome).
export const outcomes = ['ran', 'halted', 'breakpoint', 'error', 'cycle limit'];

// The toolchain over an instantiated module (createZanfo() of zanfo.js).
export function makeToolchain(mod) {
  const output = which => getBytes(mod, mod._zanfo_assembly_output(which), mod._zanfo_assembly_output_size(which));
  const sessionText = which => getBytes(mod, mod._zanfo_session_text(which), mod._zanfo_text_size());
  let stateNames = null;
  let fieldNames = null;
  let parts = null;
  let checks = null;
  return {
    // What `zanfo prog.zan` does for a file prog.zan holding the bytes of
    // `source`: {mic, stdout, stderr, status}, mic being prog.mic's content.
    assemble(source) {
      const at = putBytes(mod, source);
      let status;
      try {
        status = mod._zanfo_assemble(at, source.length);
      } finally {
        mod._free(at);
      }
      return {mic: output(0), stdout: output(1), stderr: output(2), status};
    },

    // What `zanfo-rom ARGS` does when every file it reads holds `mic` (a
    // byte string): {stdout, stderr, status, files}, files mapping the name
    // of -o, when it was written, to its bytes.  Standard output is not a
    // terminal.
    rom(mic, args) {
      const packed = args.map(a => String(a) + '\0').join('');
      const micAt = putBytes(mod, mic);
      let argsAt = 0, status;
      try {
        argsAt = putBytes(mod, packed);
        status = mod._zanfo_rom(micAt, mic.length, argsAt, packed.length);
      } finally {
        mod._free(micAt);
        if (argsAt) mod._free(argsAt);
      }
      const target = output(13);
      return {stdout: output(10), stderr: output(11), status, files: target ? {[target]: output(12)} : {}};
    },

    // zanfo-rom's formats: [{name, purpose}].
    romFormats() {
      return getCString(mod, mod._zanfo_rom_formats()).trim().split('\n').map(l => {
        const [name, purpose] = l.split('\t');
        return {name, purpose};
      });
    },

    // What `zanfo-sim ARGS` does: {stdout, stderr, status, files}, files
    // ({name: byte string}) those it wrote (-o, --coverage).  The files it
    // reads come from `files` ({name: byte string}); the first it reads, its
    // microprogram, holds `mic` (a .mic text or a source, told apart as the
    // command tells them) when `files` does not name it.  A name found in
    // neither is a file that does not exist.  mic null: no such file.
    simulate(mic, args, files = {}) {
      const hasMic = mic !== null && mic !== undefined;
      const micText = hasMic ? String(mic) : '';
      const packedArgs = packArgs(args), packedFiles = packFiles(files);
      const status = withBytes(mod, [micText, packedArgs, packedFiles], (m, a, f) =>
        mod._zanfo_simulate(m, micText.length, hasMic ? 1 : 0, a, packedArgs.length, f, packedFiles.length));
      return {stdout: output(20), stderr: output(21), status, files: unpackFiles(output(24))};
    },

    // An lcov tracefile (a byte string) as zanfo-sim --coverage writes it,
    // read by zanfo-dump's reader for the source called `source`:
    // {lines: Map(line -> count), branches: [{line, address, passed (true:
    // the direction of a test that passed), taken (null: the word never
    // ran)}], refused: '' or why it cannot be read}.
    coverage(tracefile, source) {
      const count = withBytes(mod, [tracefile, source], (t, s) =>
        mod._zanfo_coverage(t, tracefile.length, s, source.length));
      const lines = new Map(), branches = [];
      if (count < 0) return {lines, branches, refused: bytesToText(output(51))};
      for (const line of output(50).split('\n')) {
        const fields = line.split('\t');
        if (fields[0] === 'D') lines.set(Number(fields[1]), Number(fields[2]));
        else if (fields[0] === 'B')
          branches.push({line: Number(fields[1]), address: Number(fields[2]), passed: fields[3] === '0',
            taken: fields[4] === '-' ? null : Number(fields[4])});
      }
      return {lines, branches, refused: ''};
    },

    // The playground's simulator: opens it as `zanfo-sim ARGS` prepares its
    // run, with the files of `files` (the microprogram among them).
    // {ready, status, stdout, stderr}: not ready, the command's exit status
    // and messages.
    openSession(args, files) {
      const packedArgs = packArgs(args), packedFiles = packFiles(files);
      const status = withBytes(mod, [packedArgs, packedFiles], (a, f) =>
        mod._zanfo_session_open(a, packedArgs.length, f, packedFiles.length));
      return {ready: status === -1, status: status === -1 ? 0 : status, stdout: output(22), stderr: output(23)};
    },
    step: () => outcomes[mod._zanfo_session_step()],
    run: cycles => outcomes[mod._zanfo_session_run(cycles)],
    back: () => mod._zanfo_session_back() === 1,
    reset: () => mod._zanfo_session_reset(),
    setBreakpoint: (address, on) => mod._zanfo_session_break(address, on ? 1 : 0),

    // The session's state: {upc, counter, depth, stack: [...], r: [64
    // values], q, mar, ir, uflag, mflag, cycles, executed, outcome, ended,
    // breakpoint}, and `drawn`, the cycle the datapath draws: that of the
    // word at μPC, or once the machine has halted, the HALT word's
    // (`halted` true), with the registers it started from {upc, counter,
    // stack, q, mar, ir, uflag, mflag}, its word (16 hex digits), `empty`,
    // `sequencer` (the Am2910 instruction as it runs: RFCT runs as RPCT
    // with --loop-to-address) and Machine::Peek's view of it, `cycle`:
    // {runs, aAddress, bAddress, a, b, memory, d, r, s, f, status, y, bus,
    // uflag, mflag (after it), pass, next, counter (after it)}.  `word`,
    // `empty`, `sequencer` and `cycle` are also on the state itself.
    state() {
      if (!stateNames) stateNames = getCString(mod, mod._zanfo_session_state_names()).trim().split('\n');
      const at = mod._zanfo_session_state() >> 2;
      const values = mod.HEAPU32.subarray(at, at + stateNames.length);
      const raw = {};
      stateNames.forEach((name, i) => { raw[name] = values[i]; });
      const drawn = {
        halted: raw.halted === 1,
        upc: raw.drawnUpc, counter: raw.drawnCounter,
        stack: Array.from({length: raw.drawnDepth}, (_, i) => raw['drawnStack' + i]),
        q: raw.drawnQ, mar: raw.drawnMar, ir: raw.drawnIr, uflag: raw.drawnUflag, mflag: raw.drawnMflag,
        word: hex(raw.wordHigh, 8) + hex(raw.wordLow, 8), empty: raw.empty === 1, sequencer: raw.sequencer,
        cycle: {
          runs: raw.runs === 1, aAddress: raw.aAddress, bAddress: raw.bAddress, a: raw.a, b: raw.b,
          memory: raw.memory, d: raw.d, r: raw.r, s: raw.s, f: raw.f, status: raw.status, y: raw.y, bus: raw.bus,
          uflag: raw.uflagAfter, mflag: raw.mflagAfter, pass: raw.pass === 1, next: raw.next,
          counter: raw.counterAfter,
        },
      };
      return {
        upc: raw.upc, counter: raw.counter, depth: raw.depth,
        stack: Array.from({length: raw.depth}, (_, i) => raw['stack' + i]),
        r: Array.from({length: 64}, (_, i) => raw['r' + i]),
        q: raw.q, mar: raw.mar, ir: raw.ir, uflag: raw.uflag, mflag: raw.mflag,
        cycles: raw.cyclesHigh * 2 ** 32 + raw.cyclesLow,
        executed: raw.executed, outcome: outcomes[raw.outcome], ended: raw.ended === 1,
        breakpoint: raw.breakpoint === 1,
        word: drawn.word, empty: drawn.empty, sequencer: drawn.sequencer, cycle: drawn.cycle,
        drawn,
      };
    },
    // The whole memory and its marks, as views into the module's memory
    // (valid until the next call): {words: 65536 values, written: 1 where a
    // cycle wrote, read: 1 where the run read (onto the D bus or into IR)}.
    memory() {
      const read = mod._zanfo_session_read();
      const words = mod._zanfo_session_memory() >> 1, written = mod._zanfo_session_written();
      return {
        words: mod.HEAPU16.subarray(words, words + 65536),
        written: mod.HEAPU8.subarray(written, written + 65536),
        read: mod.HEAPU8.subarray(read, read + 65536),
      };
    },
    // The memory words that cycles wrote: [[address, value]], by address.
    writtenMemory() {
      const memory = mod.HEAPU16.subarray(mod._zanfo_session_memory() >> 1, (mod._zanfo_session_memory() >> 1) + 65536);
      const marks = mod.HEAPU8.subarray(mod._zanfo_session_written(), mod._zanfo_session_written() + 65536);
      const words = [];
      for (let a = 0; a < 65536; a++) if (marks[a]) words.push([a, memory[a]]);
      return words;
    },
    memoryAt: address => mod.HEAPU16[(mod._zanfo_session_memory() >> 1) + (address & 0xFFFF)],
    // zanfo-sim's words, as byte strings (UTF-8): the report and the message
    // of a run that ends here, the trace of the last cycles, the word at μPC
    // in zanfo's notation, why it cannot run, and the EQU names of the
    // registers ({index: names}, Q being 64).
    report: () => sessionText(0),
    message: () => sessionText(1),
    trace: () => sessionText(2),
    describeNext: () => sessionText(3),
    whyNot: () => sessionText(4),
    registerNames() {
      const names = {};
      for (const line of sessionText(5).split('\n').filter(Boolean)) {
        const [index, text] = line.split('\t');
        names[Number(index)] = text;
      }
      return names;
    },

    // A microword (16 hex digits) at an address, as zanfo-dump --fields
    // shows it: its line (jump targets by the last assembly's labels), then
    // a line for every field.
    wordText(address, word) {
      const [high, low] = halves(word);
      return getBytes(mod, mod._zanfo_word_text(address, high, low), mod._zanfo_text_size());
    },
    // The word's fields by their display names: {Break: 0, CondEnable: 1, ...}.
    wordFields(word) {
      if (!fieldNames) fieldNames = getCString(mod, mod._zanfo_field_names()).trim().split('\n');
      const [high, low] = halves(word);
      const at = mod._zanfo_word_fields(high, low) >> 2;
      const fields = {};
      fieldNames.forEach((name, i) => { fields[name] = mod.HEAPU32[at + i]; });
      return fields;
    },

    // The messages of the last assembly, explained (lexyacc/notes.h), in
    // the order zanfo prints them: [{kind: 'error', 'notice' or 'fatal',
    // line, message (zanfo's, a byte string), explanation (one English
    // line, or ''), notes: [{hint, text}]}].
    lastMessages() {
      const kinds = {E: 'error', N: 'notice', F: 'fatal'};
      const messages = [];
      for (const line of output(30).split('\n')) {
        if (!line) continue;
        const parts = line.split('\t');
        if (parts[0] === '' && messages.length)
          messages[messages.length - 1].notes.push({hint: parts[1] === 'h', text: bytesToText(parts[2])});
        else if (parts[0] !== '')
          messages.push({kind: kinds[parts[0]], line: Number(parts[1]), message: parts[2], explanation: parts[3] || '',
            notes: []});
      }
      return messages;
    },

    // What `zanfo-check` says of a source file holding the bytes of
    // `source` beyond zanfo's own messages, the run's options taken from
    // zanfo-sim's command line `args` (--start, --loop-to-address, --map
    // with its file in `files`, {name: byte string}) as zanfo-check takes
    // them: {warnings: [{check, line, address (-1: none), message (UTF-8
    // decoded)}] in zanfo-check's order, refused: '' or why the options
    // cannot be read (then no warnings)}.
    check(source, args, files = {}) {
      const packedArgs = packArgs(args), packedFiles = packFiles(files);
      const count = withBytes(mod, [source, packedArgs, packedFiles], (s, a, f) =>
        mod._zanfo_check(s, source.length, a, packedArgs.length, f, packedFiles.length));
      if (count < 0) return {warnings: [], refused: bytesToText(output(41))};
      const warnings = output(40).split('\n').filter(Boolean).map(line => {
        const [check, lineNumber, address, message] = line.split('\t');
        return {check, line: Number(lineNumber), address: Number(address), message: bytesToText(message)};
      });
      return {warnings, refused: ''};
    },

    // zanfo-check's checks by name: {name: {summary, explanation, wrong,
    // right, micExamples}}, as `zanfo-check --explain NAME` shows them.
    checks() {
      if (checks) return checks;
      checks = {};
      for (const record of bytesToText(getCString(mod, mod._zanfo_checks())).split('\x1e')) {
        if (!record) continue;
        const [name, summary, explanation, wrong, right, mic] = record.split('\x1f');
        checks[name] = {summary, explanation, wrong, right, micExamples: mic === '1'};
      }
      return checks;
    },

    // The machine's parts (machine/parts.h), for the datapath's tables:
    // {sources: [{r, s}], destinations: [{defined, to, shift}], buses:
    // [{defined, d, transfer}], flags: [{defined, read, load}], sequencer:
    // [{name, paths: [{next, stack, counter}] by PathIndex}], conditions:
    // [{name, reads, bits}] for codes 0..31, busReadsFlags}.
    parts() {
      if (parts) return parts;
      parts = {sources: [], destinations: [], buses: [], flags: [], sequencer: [], conditions: [], busReadsFlags: -1};
      for (const line of getCString(mod, mod._zanfo_parts()).trim().split('\n')) {
        const [kind, code, ...rest] = line.split(' ');
        const n = Number(code);
        if (kind === 'source') parts.sources[n] = {r: rest[0], s: rest[1]};
        else if (kind === 'dest') parts.destinations[n] = {defined: rest[0] === '1', to: rest[1], shift: rest[2]};
        else if (kind === 'bus') parts.buses[n] = {defined: rest[0] === '1', d: rest[1], transfer: rest[2]};
        else if (kind === 'flag') parts.flags[n] = {defined: rest[0] === '1', read: rest[1], load: rest[2]};
        else if (kind === 'seq') {
          parts.sequencer[n] = {name: rest[0], paths: rest.slice(1).map(p => {
            const [next, stack, counter] = p.split('/');
            return {next, stack, counter};
          })};
        } else if (kind === 'cond') parts.conditions[n] = {name: rest[0], reads: rest[1], bits: Number(rest[2])};
        else if (kind === 'busreadsflags') parts.busReadsFlags = n;
      }
      return parts;
    },

    // The microwords of the last assembly with their source lines:
    // [{address, firstLine, lastLine}], in the order of the .mic file.
    lastWords() {
      const count = mod._zanfo_assembly_word_count();
      const at = mod._zanfo_assembly_words() >> 2;
      const numbers = mod.HEAP32.subarray(at, at + 3 * count);
      const words = new Array(count);
      for (let i = 0; i < count; i++)
        words[i] = {address: numbers[3 * i], firstLine: numbers[3 * i + 1], lastLine: numbers[3 * i + 2]};
      return words;
    },
  };
}
