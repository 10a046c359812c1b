// zanfo's toolchain as the page and the tests see it: the C++ libraries
// compiled to WebAssembly (web/api.cpp), behind plain JavaScript functions.
//
// Sources and outputs are "byte strings": one character per byte, codes 0 to
// 255 (Latin-1), so that zanfo's ISO-8859-1 messages and any byte of a
// source pass through unchanged.

// Copies a byte string into the module's memory; returns the address.  A
// character above 255 is no byte: refused rather than cut to one.
function putBytes(mod, text) {
  const size = text.length;
  const bad = /[^\x00-\xff]/.exec(text);
  if (bad) throw new RangeError(`not a byte string: character U+${bad[0].charCodeAt(0).toString(16).toUpperCase().padStart(4, '0')} at ${bad.index}`);
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

// The toolchain over an instantiated module (createZanfo() of zanfo.js).
export function makeToolchain(mod) {
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
      const output = which =>
        getBytes(mod, mod._zanfo_assembly_output(which), mod._zanfo_assembly_output_size(which));
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
      const output = which =>
        getBytes(mod, mod._zanfo_assembly_output(which), mod._zanfo_assembly_output_size(which));
      const target = output(13);
      return {stdout: output(10), stderr: output(11), status, files: target ? {[target]: output(12)} : {}};
    },

    // zanfo-rom's formats: [{name, purpose}].
    romFormats() {
      const at = mod._zanfo_rom_formats();
      let end = at;
      while (mod.HEAPU8[end]) end++;
      return getBytes(mod, at, end - at).trim().split('\n').map(l => {
        const [name, purpose] = l.split('\t');
        return {name, purpose};
      });
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
