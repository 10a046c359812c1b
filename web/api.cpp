// zanfo in the browser: the C interface that the playground's JavaScript
// calls (web/src/toolchain.js).  Everything runs in the C++ libraries of the
// commands; this file only hands bytes in and out.
//
// A call keeps its results until the next call of the same kind; the
// JavaScript side reads them through the pointer and size accessors and
// copies them out before it calls again.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assemble.h"
#include "check.h"
#include "rom_command.h"
#include "inputs.h"
#include "machine.h"
#include "microword.h"
#include "notation.h"
#include "notes.h"
#include "options.h"
#include "parts.h"
#include "rom.h"
#include "session.h"
#include "sim.h"
#include "tracefile.h"
#include "views.h"

namespace {

// What zanfo would leave behind for a source file of the given bytes.
struct AssemblyOutput {
    std::string mic;       // the .mic file
    std::string out;       // standard output
    std::string err;       // standard error
    int status = 0;        // exit status
    std::vector<int32_t> words;  // address, first line, last line of each microword
    std::map<uint32_t, std::string> labels;  // address -> the label that names it (the first by name)
    std::string explained;                   // its messages explained (ExplainedText)
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

// What zanfo-sim would print, and the files it would write (-o,
// --coverage), kept by name.
struct SimCall : SimOutput {
    void Out(const std::string &text) override { out += text; }
    void Err(const std::string &text) override { err += text; }
    bool File(const std::string &name, const std::string &bytes, std::string *) override {
        if (name == "-")
            out += bytes;
        else
            files[name] = bytes;
        return true;
    }
    std::string out;                           // standard output
    std::string err;                           // standard error
    std::map<std::string, std::string> files;  // name -> bytes
    std::string packed;                        // files, as PackFiles packs them
};

SimCall lastSim;

// What the last check found: its warnings (WarningsText), or why it was
// not made.
struct CheckOutput {
    std::string warnings;  // WarningsText
    std::string refused;   // what is wrong with the options; "" when the checks were made
};

CheckOutput lastCheck;

// What the last tracefile read gave: the counts of one source's lines, or
// why it could not be read.
struct CoverageOutput {
    std::string counts;   // CoverageText
    std::string refused;  // the message; "" when the tracefile was read
};

CoverageOutput lastCoverage;

// The files of a call, packed by the JavaScript side as NAME, NUL, the size
// in decimal, NUL, then that many bytes, for each file.
std::map<std::string, std::string> UnpackFiles(const char *packed, size_t size) {
    std::map<std::string, std::string> files;
    size_t at = 0;
    while (at < size) {
        const void *nul = memchr(packed + at, '\0', size - at);
        if (!nul)
            break;
        const size_t nameEnd = static_cast<size_t>(static_cast<const char *>(nul) - (packed + at));
        std::string name(packed + at, nameEnd);
        at += nameEnd + 1;
        size_t length = 0;
        while (at < size && packed[at] >= '0' && packed[at] <= '9')
            length = length * 10 + static_cast<size_t>(packed[at++] - '0');
        ++at;  // the NUL
        if (at > size || length > size - at)
            break;
        files[name] = std::string(packed + at, length);
        at += length;
    }
    return files;
}

// The checks' options as zanfo-sim's command line gives them, as
// zanfo-check's --start, --map and --loop-to-address take them: the
// mapping is read from `files`.  False, with why, when the command line
// or the mapping cannot be read.
bool CheckOptionsOf(const std::vector<std::string> &args, const std::map<std::string, std::string> &files,
                    CheckOptions *options, std::string *why) {
    sim::Options o;
    if (!sim::ParseOptions(args, &o, why))
        return false;
    options->start = o.start;
    options->loopToAddress = o.loopToAddress;
    if (o.map.empty())
        return true;
    auto file = files.find(o.map);
    if (file == files.end()) {
        *why = o.map + ": No such file or directory";
        return false;
    }
    std::vector<std::string> problems;
    if (!ParseMapping(o.map, file->second, &options->mapping, &problems)) {
        for (const std::string &p : problems)
            *why += (why->empty() ? "" : "\n") + p;
        return false;
    }
    options->mapped = true;
    return true;
}

// zanfo-sim's files: those named in `files`; the first file it reads, its
// microprogram, holds `mic` when `files` does not name it; any other name
// is a file that does not exist.
FileReader ReaderOf(std::map<std::string, std::string> files, bool hasMic, std::string mic) {
    auto first = std::make_shared<bool>(true);
    return [files = std::move(files), hasMic, mic = std::move(mic), first](
               const std::string &name, std::string *text, std::string *error) {
        bool program = *first;
        *first = false;
        auto it = files.find(name);
        if (it != files.end()) {
            *text = it->second;
            return true;
        }
        if (program && hasMic) {
            *text = mic;
            return true;
        }
        *error = "No such file or directory";
        return false;
    };
}

// The playground's simulator, and what its last Open said.
SimSession session;
bool sessionReady = false;
SimCall sessionOpen;

// A text handed out by the calls below, until the next one.
std::string text;

uint64_t WordOf(uint32_t high, uint32_t low) { return uint64_t{high} << 32 | low; }

// The state of the session as numbers, and their names (SessionState).
std::vector<uint32_t> state;
std::string stateNames;

// The marks of the words the run has read, worked out only when asked and
// only when the run has moved since.
std::unique_ptr<Machine> sessionStart;  // the machine as the session opened, without breakpoints
std::vector<uint8_t> readMarks(kMemoryWords);
uint64_t readMarksAt = UINT64_MAX;      // the cycle count readMarks are of

void FillReadMarks() {
    const uint64_t cycles = session.machine().cycles;
    if (readMarksAt == cycles || !sessionStart)
        return;
    ReadMarks(*sessionStart, cycles, readMarks);
    readMarksAt = cycles;
}

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
    case 20: return lastSim.out;
    case 21: return lastSim.err;
    case 24: return lastSim.packed;
    case 22: return sessionOpen.out;
    case 23: return sessionOpen.err;
    case 30: return lastAssembly.explained;
    case 40: return lastCheck.warnings;
    case 41: return lastCheck.refused;
    case 50: return lastCoverage.counts;
    case 51: return lastCoverage.refused;
    default: return none;
    }
}

}  // namespace

extern "C" {

// Assembles `size` bytes at `source` as zanfo assembles a file holding
// them.  Returns zanfo's exit status: 0, or 2 when the scanner stopped.
EMSCRIPTEN_KEEPALIVE int zanfo_assemble(const char *source, size_t size) {
    const std::string text(source, size);
    NoteWatcher watch;
    Assembly a = AssembleText(text, &watch);
    lastAssembly.explained = ExplainedText(ExplainMessages(text, a, watch));
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
    lastAssembly.labels.clear();
    for (const auto &label : a.labels)
        lastAssembly.labels.emplace(static_cast<uint32_t>(label.second), label.first);
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
// error, 12 the -o file and 13 its name, of the last zanfo-rom; 20 standard
// output, 21 standard error and 24 the files (PackFiles) of the last
// zanfo-sim; 22 and 23 those of the last zanfo_session_open; 30 the last
// assembly's messages explained (ExplainedText); 40 the last check's
// warnings (WarningsText) and 41 why it was not made; 50 the counts of the
// last tracefile read (CoverageText) and 51 why it could not be read.
EMSCRIPTEN_KEEPALIVE const char *zanfo_assembly_output(int which) { return Output(which).data(); }
EMSCRIPTEN_KEEPALIVE size_t zanfo_assembly_output_size(int which) { return Output(which).size(); }

// Checks `size` bytes at `source` as zanfo-check checks a source file
// holding them, with the options that zanfo-sim's command line `args`
// (NUL-terminated strings) gives the run: --start, --loop-to-address, and
// --map, its file from `files` (UnpackFiles).  Returns the number of
// warnings (zanfo_assembly_output 40), or -1 when the command line or the
// mapping cannot be read (41 says why) and nothing was checked.
EMSCRIPTEN_KEEPALIVE int zanfo_check(const char *source, size_t size, const char *args, size_t argsSize,
                                     const char *files, size_t filesSize) {
    lastCheck = CheckOutput{};
    CheckOptions options;
    if (!CheckOptionsOf(SplitArgs(args, argsSize), UnpackFiles(files, filesSize), &options, &lastCheck.refused))
        return -1;
    const std::vector<Finding> findings = CheckSource(std::string(source, size), options);
    lastCheck.warnings = WarningsText(findings);
    return static_cast<int>(std::count(lastCheck.warnings.begin(), lastCheck.warnings.end(), '\n'));
}

// zanfo-check's checks with their explanations and examples (ChecksText).
EMSCRIPTEN_KEEPALIVE const char *zanfo_checks() {
    static const std::string checks = ChecksText();
    return checks.c_str();
}

// The last assembly's microwords, three numbers each: the address, the
// line of the first token and the line of the last.
EMSCRIPTEN_KEEPALIVE const int32_t *zanfo_assembly_words() { return lastAssembly.words.data(); }
EMSCRIPTEN_KEEPALIVE size_t zanfo_assembly_word_count() { return lastAssembly.words.size() / 3; }

// Runs zanfo-sim with `args` (NUL-terminated strings, without the command
// name), its files from `files` (UnpackFiles); the microprogram, the first
// file it reads, holds `mic` when `hasMic` and `files` does not name it.
// Returns the exit status; zanfo_assembly_output 20 and 21 give its output,
// 24 the files it wrote (-o, --coverage; "-" is standard output).
EMSCRIPTEN_KEEPALIVE int zanfo_simulate(const char *mic, size_t micSize, int hasMic, const char *args,
                                        size_t argsSize, const char *files, size_t filesSize) {
    lastSim = SimCall{};
    const int status = RunSim(SplitArgs(args, argsSize),
                              ReaderOf(UnpackFiles(files, filesSize), hasMic != 0, std::string(mic, micSize)), lastSim);
    lastSim.packed = PackFiles(lastSim.files);
    return status;
}

// Reads the lcov tracefile of `size` bytes at `tracefile`, as zanfo-sim
// --coverage writes it and zanfo-dump --listing --coverage reads it
// (dump/tracefile.h), for the source called `source`: returns the number
// of lines counted, their counts and the branch directions as output 50
// (CoverageText), or -1 with the message as output 51.
EMSCRIPTEN_KEEPALIVE int zanfo_coverage(const char *tracefile, size_t size, const char *source,
                                        size_t sourceSize) {
    lastCoverage = CoverageOutput{};
    SourceCoverage coverage;
    if (!ReadCoverage("tracefile", std::string(tracefile, size), std::string(source, sourceSize), &coverage,
                      &lastCoverage.refused))
        return -1;
    lastCoverage.counts = CoverageText(coverage);
    return static_cast<int>(coverage.lines.size());
}

// --- The playground's simulator: a SimSession (sim/session.h). ----------

// Opens the session as `zanfo-sim ARGS` prepares its run, the files as for
// zanfo_simulate (the microprogram named among them).  Returns -1 when the
// session is ready, or the command's exit status; its messages are
// zanfo_assembly_output 22 and 23.
EMSCRIPTEN_KEEPALIVE int zanfo_session_open(const char *args, size_t argsSize, const char *files,
                                            size_t filesSize) {
    sessionOpen = SimCall{};
    int status = 0;
    sessionReady = session.Open(SplitArgs(args, argsSize), ReaderOf(UnpackFiles(files, filesSize), false, ""),
                                sessionOpen, &status);
    sessionStart.reset();
    readMarksAt = UINT64_MAX;
    if (sessionReady) {
        sessionStart = std::make_unique<Machine>(session.machine());
        for (unsigned a = 0; a < kStoreSize; ++a)
            sessionStart->SetBreakpoint(a, false);
    }
    return sessionReady ? -1 : status;
}

// Step, Run, Back: SimSession's; the outcome is SimSession::Outcome's number
// (0 ran, 1 halted, 2 breakpoint, 3 error, 4 cycle limit).  Run takes its
// number of cycles as a double, which holds any count a page would ask for.
EMSCRIPTEN_KEEPALIVE int zanfo_session_step() {
    return sessionReady ? static_cast<int>(session.Step()) : 3;
}
EMSCRIPTEN_KEEPALIVE int zanfo_session_run(double atMost) {
    if (!sessionReady)
        return 3;
    uint64_t cycles = !(atMost >= 1) ? 0 : atMost >= 1.8e19 ? UINT64_MAX : static_cast<uint64_t>(atMost);
    return static_cast<int>(session.Run(cycles));
}
EMSCRIPTEN_KEEPALIVE int zanfo_session_back() { return sessionReady && session.Back(); }
EMSCRIPTEN_KEEPALIVE void zanfo_session_reset() {
    if (sessionReady)
        session.Reset();
}
EMSCRIPTEN_KEEPALIVE void zanfo_session_break(unsigned address, int on) {
    if (sessionReady)
        session.SetBreakpoint(address & 0xFFF, on != 0);
}

// The state as numbers (SessionState); their names, one a line, in the same order.
EMSCRIPTEN_KEEPALIVE const uint32_t *zanfo_session_state() {
    SessionState(session, &state, &stateNames);
    return state.data();
}
EMSCRIPTEN_KEEPALIVE size_t zanfo_session_state_size() { return state.size(); }
EMSCRIPTEN_KEEPALIVE const char *zanfo_session_state_names() {
    if (stateNames.empty())
        SessionState(session, &state, &stateNames);
    return stateNames.c_str();
}

// The memory and the marks of the words a cycle wrote, and of those the
// run has read, 65536 each.
EMSCRIPTEN_KEEPALIVE const uint16_t *zanfo_session_memory() { return session.machine().memory.data(); }
EMSCRIPTEN_KEEPALIVE const uint8_t *zanfo_session_written() { return session.machine().written.data(); }
EMSCRIPTEN_KEEPALIVE const uint8_t *zanfo_session_read() {
    if (sessionReady)
        FillReadMarks();
    return readMarks.data();
}

// The machine's parts as text (PartsText), for the datapath's tables.
EMSCRIPTEN_KEEPALIVE const char *zanfo_parts() {
    static const std::string parts = PartsText();
    return parts.c_str();
}

// Texts of the session, read with zanfo_text_size: 0 zanfo-sim's report, 1
// its message, 2 the trace of the last cycles, 3 the word at μPC in zanfo's
// notation, 4 why that word cannot run ("" when it can), 5 the EQU names of
// each register, a line each: the number (64 for Q), a tab, the names.
EMSCRIPTEN_KEEPALIVE const char *zanfo_session_text(int which) {
    text.clear();
    if (!sessionReady)
        return text.c_str();
    const Machine &m = session.machine();
    switch (which) {
    case 0: text = session.Report(); break;
    case 1: text = session.Message(); break;
    case 2: text = session.Trace(); break;
    case 3:
        if (m.At(m.regs.upc).fault != Fault::Empty)
            text = session.Describe(m.WordAt(m.regs.upc));
        break;
    case 4: {
        CycleView v = m.Peek();
        if (!v.runs)
            text = v.error.what;
        break;
    }
    case 5:
        for (unsigned i = 0; i <= kRegisterCount; ++i) {
            std::string names = session.NamesOf(i);
            if (!names.empty())
                text += std::to_string(i) + "\t" + names + "\n";
        }
        break;
    default: break;
    }
    return text.c_str();
}
EMSCRIPTEN_KEEPALIVE size_t zanfo_text_size() { return text.size(); }

// --- Microwords ------------------------------------------------------------

// The word's line as zanfo-dump writes it (jump targets by the last
// assembly's labels), then every field as zanfo-dump --fields shows it.
EMSCRIPTEN_KEEPALIVE const char *zanfo_word_text(uint32_t address, uint32_t high, uint32_t low) {
    const uint64_t word = WordOf(high, low);
    LabelNamer names;
    if (!lastAssembly.labels.empty())
        names = [](uint32_t target) {
            auto it = lastAssembly.labels.find(target);
            return it == lastAssembly.labels.end() ? std::string() : it->second;
        };
    text = DumpLine(address, word, names) + "\n" + FieldLines(word);
    return text.c_str();
}

// The values of the word's fields, most significant first (kFieldTable's
// order), and the fields' display names, one a line, in that order.
EMSCRIPTEN_KEEPALIVE const uint32_t *zanfo_word_fields(uint32_t high, uint32_t low) {
    static uint32_t values[kFieldCount];
    for (size_t i = 0; i < kFieldCount; ++i)
        values[i] = GetField(WordOf(high, low), kFieldTable[i].field);
    return values;
}
EMSCRIPTEN_KEEPALIVE const char *zanfo_field_names() {
    static std::string names;
    if (names.empty())
        for (const FieldInfo &info : kFieldTable)
            names += std::string(info.name) + "\n";
    return names.c_str();
}

}  // extern "C"
