// zanfo in the browser: the C interface that the playground's JavaScript
// calls (web/src/toolchain.js).  Everything runs in the C++ libraries of the
// commands; this file only hands bytes in and out.
//
// A call keeps its results until the next call of the same kind; the
// JavaScript side reads them through the pointer and size accessors and
// copies them out before it calls again.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "assemble.h"

namespace {

// What zanfo would leave behind for a source file of the given bytes.
struct AssemblyOutput {
    std::string mic;       // the .mic file
    std::string out;       // standard output
    std::string err;       // standard error
    int status = 0;        // exit status
    std::vector<int32_t> words;  // address, first line, last line of each microword
};

AssemblyOutput lastAssembly;

const std::string &Output(int which) {
    static const std::string none;
    switch (which) {
    case 0: return lastAssembly.mic;
    case 1: return lastAssembly.out;
    case 2: return lastAssembly.err;
    default: return none;
    }
}

}  // namespace

extern "C" {

// Assembles `size` bytes at `source` as zanfo assembles a file holding
// them.  Returns zanfo's exit status: 0, or 2 when the scanner stopped.
EMSCRIPTEN_KEEPALIVE int zanfo_assemble(const char *source, size_t size) {
    Assembly a = AssembleText(std::string(source, size));
    lastAssembly.mic = std::move(a.mic);
    lastAssembly.out = std::move(a.notices);
    lastAssembly.err = std::move(a.diagnostics);
    lastAssembly.status = a.stopped ? 2 : 0;
    lastAssembly.words.clear();
    lastAssembly.words.reserve(3 * a.words.size());
    for (const Assembly::Word &w : a.words) {
        lastAssembly.words.push_back(w.address);
        lastAssembly.words.push_back(w.firstLine);
        lastAssembly.words.push_back(w.lastLine);
    }
    return lastAssembly.status;
}

// The last assembly's outputs: 0 the .mic file, 1 standard output,
// 2 standard error.
EMSCRIPTEN_KEEPALIVE const char *zanfo_assembly_output(int which) { return Output(which).data(); }
EMSCRIPTEN_KEEPALIVE size_t zanfo_assembly_output_size(int which) { return Output(which).size(); }

// The last assembly's microwords, three numbers each: the address, the
// line of the first token and the line of the last.
EMSCRIPTEN_KEEPALIVE const int32_t *zanfo_assembly_words() { return lastAssembly.words.data(); }
EMSCRIPTEN_KEEPALIVE size_t zanfo_assembly_word_count() { return lastAssembly.words.size() / 3; }

}  // extern "C"
