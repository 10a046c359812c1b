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
#include "command.h"
#include "rom.h"

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

// What zanfo-rom would leave behind: its two streams, its exit status, and
// the file of -o with its name ("-" when the image went to standard output,
// where it then is too).
struct RomOutput {
    std::string out;      // standard output
    std::string err;      // standard error
    std::string image;    // the -o file's bytes
    std::string target;   // the -o file's name; empty when none was written
    int status = 0;       // exit status
};

RomOutput lastRom;

// NUL-separated strings as a vector.
std::vector<std::string> SplitArgs(const char *packed, size_t size) {
    std::vector<std::string> args;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (packed[i] == '\0') {
            args.emplace_back(packed + start, i - start);
            start = i + 1;
        }
    }
    return args;
}

const std::string &Output(int which) {
    static const std::string none;
    switch (which) {
    case 0: return lastAssembly.mic;
    case 1: return lastAssembly.out;
    case 2: return lastAssembly.err;
    case 10: return lastRom.out;
    case 11: return lastRom.err;
    case 12: return lastRom.image;
    case 13: return lastRom.target;
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

// Runs zanfo-rom with `args` (NUL-terminated strings, without the command
// name), as the command does when every file it reads holds `mic`.
// Standard output is not a terminal.  Returns the exit status.
EMSCRIPTEN_KEEPALIVE int zanfo_rom(const char *mic, size_t micSize, const char *args, size_t argsSize) {
    const std::string micText(mic, micSize);
    RomEnvironment environment;
    environment.read = [&micText](const std::string &name, MicUse use) {
        return ParseMicText(name, micText, use);
    };
    RomResult r = RunRom(SplitArgs(args, argsSize), environment);
    lastRom = RomOutput{};
    lastRom.out = std::move(r.out);
    lastRom.err = std::move(r.err);
    lastRom.status = r.status;
    if (r.write && r.target == "-") {
        lastRom.out += r.image;
    } else if (r.write) {
        lastRom.image = std::move(r.image);
        lastRom.target = std::move(r.target);
    }
    return lastRom.status;
}

// The ROM formats, one a line: the name, a tab, what it is for.
EMSCRIPTEN_KEEPALIVE const char *zanfo_rom_formats() {
    static std::string list;
    if (list.empty())
        for (size_t i = 0; i < kRomFormatCount; ++i)
            list += std::string(kRomFormats[i].name) + "\t" + kRomFormats[i].purpose + "\n";
    return list.c_str();
}

// The outputs of the last call: 0 the .mic file, 1 standard output,
// 2 standard error of the last assembly; 10 standard output, 11 standard
// error, 12 the -o file and 13 its name, of the last zanfo-rom.
EMSCRIPTEN_KEEPALIVE const char *zanfo_assembly_output(int which) { return Output(which).data(); }
EMSCRIPTEN_KEEPALIVE size_t zanfo_assembly_output_size(int which) { return Output(which).size(); }

// The last assembly's microwords, three numbers each: the address, the
// line of the first token and the line of the last.
EMSCRIPTEN_KEEPALIVE const int32_t *zanfo_assembly_words() { return lastAssembly.words.data(); }
EMSCRIPTEN_KEEPALIVE size_t zanfo_assembly_word_count() { return lastAssembly.words.size() / 3; }

}  // extern "C"
