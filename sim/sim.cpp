// zanfo-sim: options, the program, the runs and what they print.
#include "sim.h"
#include "session.h"

#include <cctype>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>

#include "assemble.h"
#include "cli.h"
#include "inputs.h"
#include "machine.h"
#include "mic_file.h"
#include "microword.h"
#include "notation.h"

namespace {

const char kUsage[] =
    "Usage: zanfo-sim [OPTION]... FILE\n"
    "Runs a microprogram on the bit-slice machine that zanfo's microwords drive\n"
    "(Am2901 ALU, Am2910 sequencer), from address 0 until a HALT has run, and\n"
    "prints the final state.  FILE is a .mic file or a zanfo source, which is\n"
    "assembled first: a name ending in .mic or .zan says which; otherwise a\n"
    "first line of four hex digits, a blank and sixteen hex digits makes it a\n"
    ".mic file.\n"
    "\n"
    "  --start ADDR         start at ADDR (default 0)\n"
    "  --set NAME=VALUE     set a register, flag register or memory word first\n"
    "  --mem FILE           load memory from FILE (hex words, @ADDR, as $readmemh)\n"
    "  --map FILE           JMAP mapping: \"OPCODE ADDRESS\" lines (default IR >> 8)\n"
    "  --expect NAME=VALUE  check a value after the run\n"
    "  --test FILE          run the cases of a test file, one line each\n"
    "  --trace              print every cycle: address, microword, next address, changes\n"
    "  --break ADDR         stop before the microword at ADDR runs (repeatable)\n"
    "  --max-cycles N       stop a run that has not halted after N cycles (default 10000000)\n"
    "  --loop-to-address    run LOOP (Am2910 RFCT, code 8) as RPCT (code 9): repeat to\n"
    "                       LOOP's operand instead of the top of the stack\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "NAME is R0..R63, Q, MAR, IR, UFLAG, MFLAG, MEM[ADDR], or an EQU name of the\n"
    "source; VALUE and ADDR are decimal or hexadecimal after 0x.\n"
    "\n"
    "Exit status: 0 the run halted (and every expectation held), 1 an expectation\n"
    "or a test case failed, 2 bad command line or input file, 3 the run stopped\n"
    "on an error of the microprogram or at the cycle limit.\n";

constexpr uint64_t kDefaultMaxCycles = 10000000;

struct Options {
    std::string file;                 // the microprogram
    unsigned start = 0;               // --start
    std::vector<std::string> sets;    // --set, as written
    std::vector<std::string> expects; // --expect, as written
    std::vector<std::string> mems;    // --mem files, loaded in order
    std::string map;                  // --map
    std::string test;                 // --test
    bool trace = false;               // --trace
    std::vector<unsigned> breaks;     // --break
    uint64_t maxCycles = kDefaultMaxCycles;  // --max-cycles
    bool loopToAddress = false;       // --loop-to-address
    bool help = false, version = false;
};

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// A command-line problem: the message, a hint, exit status 2.
int UsageError(SimOutput &output, const std::string &message) {
    output.Err("zanfo-sim: " + message + "\nTry 'zanfo-sim --help' for more information.\n");
    return kSimBadInput;
}

bool ParseAddressOption(const std::string &option, const std::string &text, unsigned *address,
                        std::string *error) {
    uint32_t value;
    if (!ParseNumber(text, kStoreSize - 1, &value, error)) {
        *error = option + ": " + *error;
        return false;
    }
    *address = value;
    return true;
}

// False, with the message, when the command line is wrong.
bool ParseOptions(const std::vector<std::string> &args, Options *o, std::string *error) {
    static const std::set<std::string> kWithValue = {"--start", "--set", "--expect", "--mem", "--map",
                                                     "--test", "--break", "--max-cycles"};
    bool operandsOnly = false;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            operandsOnly = true;
            continue;
        }
        std::string name = arg, value;
        bool hasValue = false;
        size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        if (kWithValue.count(name)) {
            if (!hasValue) {
                if (i + 1 == args.size()) {
                    *error = "option " + name + " needs a value";
                    return false;
                }
                value = args[++i];
            }
        } else if (hasValue) {
            *error = "option " + name + " takes no value";
            return false;
        }
        if (name == "--start") {
            if (!ParseAddressOption(name, value, &o->start, error))
                return false;
        } else if (name == "--set") {
            o->sets.push_back(value);
        } else if (name == "--expect") {
            o->expects.push_back(value);
        } else if (name == "--mem") {
            o->mems.push_back(value);
        } else if (name == "--map" || name == "--test") {
            std::string &slot = name == "--map" ? o->map : o->test;
            if (!slot.empty()) {
                *error = name + " given twice";
                return false;
            }
            slot = value;
        } else if (name == "--break") {
            unsigned address;
            if (!ParseAddressOption(name, value, &address, error))
                return false;
            o->breaks.push_back(address);
        } else if (name == "--max-cycles") {
            const char *p = value.c_str();
            uint64_t n = 0;
            bool ok = *p != '\0';
            for (; *p && ok; ++p) {
                ok = isdigit(static_cast<unsigned char>(*p)) && n <= (UINT64_MAX - 9) / 10;
                n = n * 10 + static_cast<uint64_t>(*p - '0');
            }
            if (!ok || n == 0) {
                *error = "--max-cycles: \"" + value + "\" is not a number of cycles from 1 up";
                return false;
            }
            o->maxCycles = n;
        } else if (name == "--trace") {
            o->trace = true;
        } else if (name == "--loop-to-address") {
            o->loopToAddress = true;
        } else if (name == "--help" || name == "-h") {
            o->help = true;
        } else if (name == "--version") {
            o->version = true;
        } else {
            *error = "unknown option " + name;
            return false;
        }
    }
    if (o->help || o->version)
        return true;
    if (files.empty()) {
        *error = "no microprogram given";
        return false;
    }
    if (files.size() > 1) {
        *error = "one microprogram only, not \"" + files[0] + "\" and \"" + files[1] + "\"";
        return false;
    }
    o->file = files[0];
    return true;
}

// ---------------------------------------------------------------------------
// The program.

bool EndsWith(const std::string &name, const char *extension) {
    std::string tail;
    size_t n = strlen(extension);
    if (name.size() < n)
        return false;
    for (size_t i = name.size() - n; i < name.size(); ++i)
        tail += static_cast<char>(tolower(static_cast<unsigned char>(name[i])));
    return tail == extension;
}

// A .mic file by its name, or by its first line when the name does not say.
bool IsMicFile(const std::string &name, const std::string &text) {
    if (EndsWith(name, ".mic"))
        return true;
    if (EndsWith(name, ".zan"))
        return false;
    std::string first = text.substr(0, text.find('\n'));
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    if (text.empty())
        return true;
    if (first.size() != 21 || first[4] != ' ')
        return false;
    for (size_t i = 0; i < 21; ++i)
        if (i != 4 && !isxdigit(static_cast<unsigned char>(first[i])))
            return false;
    return true;
}

struct Program {
    std::vector<MicWord> words;             // what the control store holds
    Equates equates;                        // of a source
    std::map<unsigned, std::string> names;  // register number (64 for Q) -> its EQU names
    std::map<uint32_t, std::string> labels; // address -> the label the trace writes for it

    // The EQU names of register `index` (64 for Q), or "".
    std::string NamesOf(unsigned index) const {
        auto it = names.find(index);
        return it == names.end() ? std::string() : it->second;
    }
};

// zanfo's messages as FILE:LINE: message, in UTF-8.
void ShowAssemblerMessages(const std::string &file, const std::string &latin1, SimOutput &output) {
    for (const Diagnostic &d : SplitDiagnostics(latin1))
        if (d.numbered)
            output.Err(file + ":" + std::to_string(d.line) + ": " + Latin1ToUtf8(d.message) + "\n");
        else
            output.Err(file + ": " + Latin1ToUtf8(d.text) + "\n");
}

// Reads a named input file; false, with the message shown, when it cannot be read.
bool ReadInput(const std::string &name, const FileReader &read, SimOutput &output, std::string *text) {
    std::string error;
    if (read(name, text, &error))
        return true;
    output.Err("zanfo-sim: " + name + ": " + error + "\n");
    return false;
}

// Reads and, for a source, assembles the microprogram; false when it cannot run.
bool LoadProgram(const std::string &file, const FileReader &read, SimOutput &output, Program *program) {
    std::string text;
    if (!ReadInput(file, read, output, &text))
        return false;
    std::string mic = text;
    if (!IsMicFile(file, text)) {
        Assembly a = AssembleText(text);
        ShowAssemblerMessages(file, a.notices, output);
        ShowAssemblerMessages(file, a.diagnostics, output);
        if (!a.parsed || a.stopped) {
            output.Err("zanfo-sim: " + file + ": the source does not assemble; nothing was run\n");
            return false;
        }
        mic = a.mic;
        for (const auto &label : a.labels)
            program->labels.emplace(static_cast<uint32_t>(label.second), label.first);  // the first in name order
        for (const auto &e : a.equates) {
            program->equates[e.first] = e.second;
            Place place;
            std::string ignored;
            if (ParsePlace(e.second, {}, &place, &ignored) && place.kind != Place::Memory) {
                unsigned key = place.kind == Place::Q ? kRegisterCount : place.index;
                std::string &names = program->names[key];
                names += (names.empty() ? "" : ", ") + e.first;
            }
        }
    }
    MicFile words = ParseMicText(file, mic, MicUse::ControlStore);
    for (const MicProblem &p : words.problems)
        output.Err(FormatProblem(words, p) + "\n");
    if (words.Refused())
        return false;
    program->words = std::move(words.words);
    return true;
}

// ---------------------------------------------------------------------------
// What the command prints.

// "0x000C  12" for the state, with the signed value too when bit 15 is set.
std::string Value(uint16_t v) {
    std::string text = Format("0x%04X  %u", v, v);
    if (v & 0x8000)
        text += Format(" (%d)", static_cast<int>(v) - 0x10000);
    return text;
}

// "0x000C (12)" in a sentence.
std::string ValueInText(uint16_t v) {
    if (v & 0x8000)
        return Format("0x%04X (%u = %d)", v, v, static_cast<int>(v) - 0x10000);
    return Format("0x%04X (%u)", v, v);
}

std::string FlagLetters(uint8_t f) {
    std::string text;
    for (auto flag : {std::make_pair(kFlagZ, 'Z'), std::make_pair(kFlagN, 'N'), std::make_pair(kFlagV, 'V'),
                      std::make_pair(kFlagC, 'C')})
        text += f & flag.first ? flag.second : '.';
    return text;
}

std::string FlagValue(uint16_t f) { return Format("0x%X (%s)", f, FlagLetters(static_cast<uint8_t>(f)).c_str()); }

// The microword in zanfo's notation, as zanfo-dump prints it.
// Jump targets by the source's labels.
std::string Describe(uint64_t word, const Program &program) {
    if (program.labels.empty())
        return DescribeWord(word);
    return DescribeWord(word, [&program](uint32_t address) {
        auto it = program.labels.find(address);
        return it == program.labels.end() ? std::string() : it->second;
    });
}

std::string StackText(const Registers &regs) {
    if (regs.depth == 0)
        return "empty";
    std::string text;
    for (unsigned i = 0; i < regs.depth; ++i)
        text += Format("%03X ", regs.stack[i]);
    return text + "(top last)";
}

std::string StateReport(const Machine &m, const Program &program) {
    std::string out;
    auto line = [&out](const std::string &name, const std::string &value, const std::string &note = "") {
        // Padded by characters, not bytes: μ takes two.
        size_t width = 0;
        for (unsigned char c : name)
            width += (c & 0xC0) != 0x80;
        out += name + std::string(width < 13 ? 13 - width : 1, ' ') + value;
        out += note.empty() ? "\n" : "  (" + note + ")\n";
    };
    line("μPC", Format("%03X", m.regs.upc));
    line("counter", Format("%03X", m.regs.counter));
    line("stack", StackText(m.regs));
    line("Q", Value(m.regs.q), program.NamesOf(kRegisterCount));
    line("MAR", Value(m.regs.mar));
    line("IR", Value(m.regs.ir));
    for (auto flags : {std::make_pair("UFLAG", m.regs.uflag), std::make_pair("MFLAG", m.regs.mflag)})
        line(flags.first, Format("0x%X     Z=%d N=%d V=%d C=%d", flags.second, (flags.second & kFlagZ) != 0,
                                 (flags.second & kFlagN) != 0, (flags.second & kFlagV) != 0,
                                 (flags.second & kFlagC) != 0));
    for (unsigned i = 0; i < kRegisterCount; ++i)
        if (m.regs.r[i])
            line(Format("R%u", i), Value(m.regs.r[i]), program.NamesOf(i));
    for (size_t a = 0; a < kMemoryWords; ++a)
        if (m.written[a])
            line(Format("MEM[0x%04zX]", a), Value(m.memory[a]));
    return out;
}

// How a run ended, for the first line of the state and for test cases.
std::string Cycles(uint64_t n) { return Format("%" PRIu64 " cycle%s", n, n == 1 ? "" : "s"); }

std::string EndLine(const Machine &m, RunEnd end) {
    switch (end) {
    case RunEnd::Halted: return Format("halted at %03X after ", m.executed) + Cycles(m.cycles);
    case RunEnd::Breakpoint: return Format("break before %03X after ", m.regs.upc) + Cycles(m.cycles);
    default: return Format("stopped before %03X after ", m.regs.upc) + Cycles(m.cycles);
    }
}

// Why the run stopped, for an error or the cycle limit.
std::string StopReason(const Machine &m, RunEnd end, uint64_t maxCycles, const Program &program) {
    if (end == RunEnd::CycleLimit)
        return Format("no HALT within %" PRIu64 " cycles (--max-cycles)", maxCycles);
    const MachineError &e = m.error;
    if (e.empty)
        return m.cycles ? Format("no microword at address %03X (the next address after %03X)", e.address, m.executed)
                        : Format("no microword at address %03X (the start address)", e.address);
    return Format("address %03X, microword %016" PRIX64 " (", e.address, e.word) + Describe(e.word, program) + "): " + e.what;
}

// ---------------------------------------------------------------------------
// The trace: one line per cycle, with what the cycle changed.

// What a cycle starts from, for its trace line.
struct CycleStart {
    Registers regs;        // the registers before the cycle
    uint16_t mar = 0;      // MAR at the start of the cycle: where it could write
    uint16_t memory = 0;   // the word there before the cycle

    CycleStart() = default;
    explicit CycleStart(const Machine &m) : regs(m.regs), mar(m.regs.mar), memory(m.memory[m.regs.mar]) {}
};

// The trace line of the cycle that took the machine from `before` to `m`.
std::string TraceLine(const CycleStart &before, const Machine &m, StepResult result, const Program &program) {
    const Registers &now = m.regs;
    const Registers &was = before.regs;
    std::string line = Format("%03X  ", m.executed);
    std::string notation = Describe(m.WordAt(m.executed), program);
    line += notation;
    if (notation.size() < 36)
        line.append(36 - notation.size(), ' ');
    line += Format("  -> %03X", now.upc);
    for (unsigned i = 0; i < kRegisterCount; ++i)
        if (now.r[i] != was.r[i])
            line += Format("  R%u=%04X", i, now.r[i]);
    if (now.q != was.q)
        line += Format("  Q=%04X", now.q);
    if (now.mar != was.mar)
        line += Format("  MAR=%04X", now.mar);
    if (now.ir != was.ir)
        line += Format("  IR=%04X", now.ir);
    if (m.memory[before.mar] != before.memory)
        line += Format("  MEM[%04X]=%04X", before.mar, m.memory[before.mar]);
    if (now.uflag != was.uflag)
        line += "  UFLAG=" + FlagLetters(now.uflag);
    if (now.mflag != was.mflag)
        line += "  MFLAG=" + FlagLetters(now.mflag);
    if (now.counter != was.counter)
        line += Format("  counter=%03X", now.counter);
    bool stackChanged = now.depth != was.depth;
    for (unsigned i = 0; i < now.depth && !stackChanged; ++i)
        stackChanged = now.stack[i] != was.stack[i];
    if (stackChanged) {
        line += "  stack=";
        for (unsigned i = 0; i < now.depth; ++i)
            line += Format(i ? ",%03X" : "%03X", now.stack[i]);
        if (now.depth == 0)
            line += "empty";
    }
    if (result == StepResult::Halted)
        line += "  HALT";
    return line + "\n";
}

class Tracer : public CycleWatcher {
  public:
    Tracer(SimOutput &output, const Program &program) : output_(output), program_(program) {}
    ~Tracer() override { Flush(); }

    void Before(const Machine &m) override { before_ = CycleStart(m); }

    void After(const Machine &m, StepResult result) override {
        if (result == StepResult::Error)
            return;
        buffer_ += TraceLine(before_, m, result, program_);
        if (buffer_.size() > (1 << 16))
            Flush();
    }

    void Flush() {
        if (!buffer_.empty())
            output_.Out(buffer_);
        buffer_.clear();
    }

  private:
    SimOutput &output_;
    const Program &program_;
    std::string buffer_;
    CycleStart before_;
};

// ---------------------------------------------------------------------------
// The runs.

// Every expectation that does not hold, one line each ("R3: expected ..., got ...").
std::vector<std::string> Failures(const Machine &m, const std::vector<Assignment> &expects) {
    std::vector<std::string> failures;
    for (const Assignment &e : expects) {
        uint16_t got = ReadPlace(m, e.place);
        if (got == e.value)
            continue;
        bool flags = e.place.kind == Place::Uflag || e.place.kind == Place::Mflag;
        failures.push_back(e.place.name + ": expected " + (flags ? FlagValue(e.value) : ValueInText(e.value)) +
                           ", got " + (flags ? FlagValue(got) : ValueInText(got)));
    }
    return failures;
}

RunEnd RunTraced(Machine &m, const Options &o, const Program &program, SimOutput &output) {
    if (!o.trace)
        return Run(m, o.maxCycles);
    Tracer tracer(output, program);
    return Run(m, o.maxCycles, &tracer);
}

int RunOnce(Machine m, const Options &o, const Program &program, const std::vector<Assignment> &expects,
            SimOutput &output) {
    RunEnd end = RunTraced(m, o, program, output);
    bool stopped = end == RunEnd::Error || end == RunEnd::CycleLimit;
    output.Out(EndLine(m, end) + "\n" + StateReport(m, program));
    if (stopped) {
        output.Err("zanfo-sim: " + o.file + ": " + StopReason(m, end, o.maxCycles, program) + "\n");
        return kSimStopped;
    }
    if (expects.empty())
        return kSimHalted;
    std::vector<std::string> failures = Failures(m, expects);
    for (const std::string &f : failures)
        output.Out("FAIL " + f + "\n");
    if (failures.empty())
        output.Out(Format("%zu expectation%s held\n", expects.size(), expects.size() == 1 ? "" : "s"));
    return failures.empty() ? kSimHalted : kSimExpectFailed;
}

int RunCases(const Machine &base, const Options &o, const Program &program, const std::vector<TestCase> &cases,
             const std::vector<Assignment> &commonExpects, SimOutput &output) {
    unsigned passed = 0, failed = 0;
    bool anyStopped = false;
    for (const TestCase &t : cases) {
        Machine m = base;
        for (const Assignment &a : t.sets)
            WritePlace(m, a.place, a.value);
        RunEnd end = RunTraced(m, o, program, output);
        std::string verdict;
        if (end == RunEnd::Error || end == RunEnd::CycleLimit) {
            anyStopped = true;
            verdict = EndLine(m, end) + ": " + StopReason(m, end, o.maxCycles, program);
        } else {
            std::vector<Assignment> expects = commonExpects;
            expects.insert(expects.end(), t.expects.begin(), t.expects.end());
            for (const std::string &f : Failures(m, expects))
                verdict += (verdict.empty() ? "" : "; ") + f;
        }
        if (verdict.empty()) {
            ++passed;
            output.Out("ok    " + t.name + " (" + Cycles(m.cycles) + ")\n");
        } else {
            ++failed;
            output.Out("FAIL  " + t.name + ": " + verdict + "\n");
        }
    }
    output.Out(Format("%u passed, %u failed\n", passed, failed));
    if (anyStopped)
        return kSimStopped;
    return failed ? kSimExpectFailed : kSimHalted;
}

bool ShowProblems(const std::vector<std::string> &problems, SimOutput &output) {
    for (const std::string &p : problems)
        output.Err(p + "\n");
    return problems.empty();
}

// Everything a run starts from: the options, the program, the expectations
// of the command line and the machine with its store, memory, mapping and
// registers loaded.
struct Setup {
    Options o;
    Program program;
    std::vector<Assignment> expects;  // --expect
    Machine base;                     // as the run starts
};

constexpr int kGoOn = -1;

// Reads the command line and every input but the test file into `s`.
// Returns kGoOn, or the exit status when there is nothing to run (--help,
// --version, or a problem, shown on `output`).
int Prepare(const std::vector<std::string> &args, const FileReader &read, SimOutput &output, Setup &s) {
    Options &o = s.o;
    std::string error;
    if (!ParseOptions(args, &o, &error))
        return UsageError(output, error);
    if (o.help) {
        output.Out(kUsage);
        return 0;
    }
    if (o.version) {
        output.Out(VersionText("zanfo-sim"));
        return 0;
    }

    Program &program = s.program;
    if (!LoadProgram(o.file, read, output, &program))
        return kSimBadInput;

    // The assignments of the command line, now that the equates are known.
    std::vector<Assignment> sets;
    std::string errors;
    for (const auto &list : {std::make_pair(&o.sets, &sets), std::make_pair(&o.expects, &s.expects)})
        for (const std::string &text : *list.first) {
            Assignment a;
            if (ParseAssignment(text, program.equates, &a, &error))
                list.second->push_back(a);
            else
                errors += std::string(list.first == &o.sets ? "--set " : "--expect ") + text + ": " + error + "\n";
        }
    if (!errors.empty()) {
        errors.pop_back();
        for (size_t at = 0; (at = errors.find('\n', at)) != std::string::npos; at += 12)
            errors.replace(at, 1, "\nzanfo-sim: ");
        return UsageError(output, errors);
    }

    Machine &base = s.base;
    base.SetLoopToAddress(o.loopToAddress);
    for (const MicWord &w : program.words)
        base.LoadWord(w.address, w.word);
    for (unsigned address : o.breaks)
        base.SetBreakpoint(address);
    base.regs.upc = static_cast<uint16_t>(o.start);

    std::string text;
    std::vector<std::string> problems;
    for (const std::string &file : o.mems) {
        std::vector<MemoryWord> words;
        if (!ReadInput(file, read, output, &text))
            return kSimBadInput;
        if (!ParseMemoryImage(file, text, &words, &problems))
            return ShowProblems(problems, output), kSimBadInput;
        for (const MemoryWord &w : words)
            base.memory[w.address] = w.value;
    }
    if (!o.map.empty()) {
        std::array<int, kOpcodes> mapping;
        if (!ReadInput(o.map, read, output, &text))
            return kSimBadInput;
        if (!ParseMapping(o.map, text, &mapping, &problems))
            return ShowProblems(problems, output), kSimBadInput;
        base.SetMapping(mapping);
    }
    for (const Assignment &a : sets)
        WritePlace(base, a.place, a.value);
    return kGoOn;
}

}  // namespace

int RunSim(const std::vector<std::string> &args, const FileReader &read, SimOutput &output) {
    auto setup = std::make_unique<Setup>();  // a machine is too big for a small stack
    Setup &s = *setup;
    int status = Prepare(args, read, output, s);
    if (status != kGoOn)
        return status;
    if (s.o.test.empty())
        return RunOnce(s.base, s.o, s.program, s.expects, output);

    std::string text;
    std::vector<std::string> problems;
    std::vector<TestCase> cases;
    if (!ReadInput(s.o.test, read, output, &text))
        return kSimBadInput;
    if (!ParseTestFile(s.o.test, text, s.program.equates, &cases, &problems))
        return ShowProblems(problems, output), kSimBadInput;
    return RunCases(s.base, s.o, s.program, cases, s.expects, output);
}

// ---------------------------------------------------------------------------
// A session: the machine of a run, a cycle at a time.

struct SimSession::Impl {
    // What one cycle changed, to undo it, and its trace line.
    struct Undo {
        Registers regs;      // before the cycle
        uint64_t cycles;     // Machine::cycles before it
        uint16_t executed;   // Machine::executed before it
        uint16_t mar;        // the memory word the cycle could write,
        uint16_t memory;     // its value before,
        uint8_t written;     // and its mark
        std::string trace;   // the cycle's trace line
    };

    Setup setup;                 // the options, the program, the machine as Open left it
    Machine machine;             // the machine now
    std::deque<Undo> history;    // the last cycles, oldest first
    bool historyWhole = true;    // false after a run: rebuilt from a checkpoint when needed
    // The machine as it was when the last two runs started: a replay starts
    // from the latest that lies far enough back instead of from the start.
    // The machine runs alike every time, so a checkpoint stays good
    // whatever steps, runs, backs and resets come after it.
    std::deque<std::unique_ptr<Machine>> checkpoints;
    Outcome last = Outcome::Ran;
    bool ended = false;

    // One cycle with its undo record.
    StepResult StepRecorded(Machine &m, std::deque<Undo> &into) {
        CycleStart start(m);
        Undo undo{m.regs, m.cycles, m.executed, start.mar, start.memory, m.written[start.mar], std::string()};
        StepResult result = m.Step();
        if (result == StepResult::Error)
            return result;
        undo.trace = TraceLine(start, m, result, setup.program);
        into.push_back(std::move(undo));
        if (into.size() > kHistory)
            into.pop_front();
        return result;
    }

    // The history of the last cycles, after a run that kept none: the
    // machine is run again from a checkpoint (or the start), fast up to the
    // last kHistory cycles and recorded from there.
    void Replay() {
        historyWhole = true;
        history.clear();
        const uint64_t target = machine.cycles;
        const uint64_t from = target > kHistory ? target - kHistory : 0;
        const Machine *start = &setup.base;
        for (const auto &c : checkpoints)
            if (c->cycles <= from && c->cycles > start->cycles)
                start = c.get();
        auto again = std::make_unique<Machine>(*start);
        for (unsigned a = 0; a < kStoreSize; ++a)
            again->SetBreakpoint(a, false);
        if (from > again->cycles)
            ::Run(*again, from);
        while (again->cycles < target && StepRecorded(*again, history) == StepResult::Ran) {
        }
        if (again->cycles != target || again->regs != machine.regs)
            history.clear();  // not the same run: nothing to go back to
    }

    RunEnd End() const {
        switch (last) {
        case Outcome::Halted: return RunEnd::Halted;
        case Outcome::Breakpoint: return RunEnd::Breakpoint;
        case Outcome::Error: return RunEnd::Error;
        default: return RunEnd::CycleLimit;
        }
    }

    Outcome Stop(Outcome outcome) {
        last = outcome;
        ended = outcome == Outcome::Halted || outcome == Outcome::Error || outcome == Outcome::CycleLimit;
        return outcome;
    }
};

SimSession::SimSession() : impl_(std::make_unique<Impl>()) {}
SimSession::~SimSession() = default;

bool SimSession::Open(const std::vector<std::string> &args, const FileReader &read, SimOutput &output,
                      int *status) {
    impl_ = std::make_unique<Impl>();
    *status = Prepare(args, read, output, impl_->setup);
    if (*status != kGoOn)
        return false;
    *status = 0;
    Reset();
    return true;
}

SimSession::Outcome SimSession::Step() {
    Impl &s = *impl_;
    if (s.ended)
        return s.last;
    if (s.machine.cycles >= s.setup.o.maxCycles)
        return s.Stop(Outcome::CycleLimit);
    switch (s.StepRecorded(s.machine, s.history)) {
    case StepResult::Ran: return s.Stop(Outcome::Ran);
    case StepResult::Halted: return s.Stop(Outcome::Halted);
    default: return s.Stop(Outcome::Error);
    }
}

SimSession::Outcome SimSession::Run(uint64_t atMost) {
    Impl &s = *impl_;
    if (s.ended || atMost == 0)
        return s.last;
    if (s.machine.At(s.machine.regs.upc).breakpoint) {  // go on from the breakpoint the run starts at
        if (Step() != Outcome::Ran || --atMost == 0)
            return s.last;
    }
    const uint64_t limit = s.setup.o.maxCycles - s.machine.cycles < atMost ? s.setup.o.maxCycles
                                                                            : s.machine.cycles + atMost;
    const uint64_t before = s.machine.cycles;
    if (s.checkpoints.empty() || s.checkpoints.back()->cycles < before) {
        s.checkpoints.push_back(std::make_unique<Machine>(s.machine));
        if (s.checkpoints.size() > 2)
            s.checkpoints.pop_front();
    }
    RunEnd end = ::Run(s.machine, limit);
    if (s.machine.cycles != before)
        s.historyWhole = false;
    switch (end) {
    case RunEnd::Halted: return s.Stop(Outcome::Halted);
    case RunEnd::Breakpoint: return s.Stop(Outcome::Breakpoint);
    case RunEnd::Error: return s.Stop(Outcome::Error);
    case RunEnd::CycleLimit: break;
    }
    return s.Stop(s.machine.cycles >= s.setup.o.maxCycles ? Outcome::CycleLimit : Outcome::Ran);
}

bool SimSession::Back() {
    Impl &s = *impl_;
    if (!s.historyWhole)
        s.Replay();
    if (s.history.empty())
        return false;
    Impl::Undo &u = s.history.back();
    s.machine.regs = u.regs;
    s.machine.cycles = u.cycles;
    s.machine.executed = u.executed;
    s.machine.memory[u.mar] = u.memory;
    s.machine.written[u.mar] = u.written;
    s.history.pop_back();
    s.Stop(Outcome::Ran);
    return true;
}

void SimSession::Reset() {
    Impl &s = *impl_;
    s.machine = s.setup.base;
    s.history.clear();
    s.historyWhole = true;
    s.Stop(Outcome::Ran);
}

void SimSession::SetBreakpoint(unsigned address, bool on) {
    impl_->setup.base.SetBreakpoint(address, on);
    impl_->machine.SetBreakpoint(address, on);
}

const Machine &SimSession::machine() const { return impl_->machine; }
SimSession::Outcome SimSession::last() const { return impl_->last; }
bool SimSession::ended() const { return impl_->ended; }

std::string SimSession::Report() const {
    return EndLine(impl_->machine, impl_->End()) + "\n" + StateReport(impl_->machine, impl_->setup.program);
}

std::string SimSession::Message() const {
    const Impl &s = *impl_;
    if (s.last != Outcome::Error && s.last != Outcome::CycleLimit)
        return "";
    return "zanfo-sim: " + s.setup.o.file + ": " +
           StopReason(s.machine, s.End(), s.setup.o.maxCycles, s.setup.program) + "\n";
}

std::string SimSession::Trace() {
    Impl &s = *impl_;
    if (!s.historyWhole)
        s.Replay();
    std::string text;
    for (const Impl::Undo &u : s.history)
        text += u.trace;
    return text;
}

std::string SimSession::Describe(uint64_t word) const { return ::Describe(word, impl_->setup.program); }

std::string SimSession::NamesOf(unsigned index) const { return impl_->setup.program.NamesOf(index); }
