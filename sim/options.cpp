// zanfo-sim's command line.
#include "options.h"

#include <algorithm>
#include <set>

#include "cli.h"
#include "inputs.h"
#include "machine.h"
#include "reports.h"

namespace sim {

namespace {

const char kUsageHead[] =
    "Usage: zanfo-sim [OPTION]... FILE\n"
    "       zanfo-sim --test TESTS [OPTION]... FILE...\n"
    "       zanfo-sim --reference REF --random N --vary NAME --compare NAME\n"
    "                 [OPTION]... FILE\n"
    "Runs a microprogram on the bit-slice machine that zanfo's microwords drive\n"
    "(Am2901 ALU, Am2910 sequencer), from address 0 until a HALT has run, and\n"
    "prints the final state.  FILE is a .mic file or a zanfo source, which is\n"
    "assembled first: a name ending in .mic or .zan says which; otherwise a\n"
    "first line of four hex digits, a blank and sixteen hex digits makes it a\n"
    ".mic file.  With --test, every FILE runs every case of TESTS; with\n"
    "--reference, FILE is tested against REF on cases drawn at random.\n"
    "\n"
    "  --start ADDR         start at ADDR (default 0)\n"
    "  --set NAME=VALUE     set a register, flag register or memory word first\n"
    "  --mem FILE           load memory from FILE (hex words, @ADDR, as $readmemh)\n"
    "  --map FILE           JMAP mapping: \"OPCODE ADDRESS\" lines (default IR >> 8)\n"
    "  --expect NAME=VALUE  check a value after the run\n"
    "  --test FILE          run the cases of a test file, one line each\n"
    "  --report FORMAT      how to report the run or the cases (below); default text\n"
    "  -o, --output FILE    write the report to FILE instead of standard output\n"
    "  --coverage FILE      write an lcov tracefile: how often each line's microwords\n"
    "                       ran, and which way each conditional jump went\n"
    "  --trace              print every cycle: address, microword, next address, changes\n"
    "  --trace-format F     text (the default), or state: the trace in the plain format\n"
    "                       of --report state, as hdl/'s testbench prints it; implies --trace\n"
    "  --vcd FILE           write the run as a VCD waveform with the signals of hdl/'s\n"
    "                       testbench, cycle k at k x 10 ns (a plain run only)\n"
    "  --break ADDR         stop before the microword at ADDR runs (repeatable)\n"
    "  --max-cycles N       stop a run that has not halted after N cycles (default 10000000)\n"
    "  --loop-to-address    run LOOP (Am2910 RFCT, code 8) as RPCT (code 9): repeat to\n"
    "                       LOOP's operand instead of the top of the stack\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "Testing against a reference program:\n"
    "  --reference REF      run REF and FILE from the same initial states and show\n"
    "                       the cases where they end different, as test-file cases\n"
    "  --random N           N cases drawn at random, after the edge cases\n"
    "  --seed S             draw them from S (default 1): the same S, the same cases\n"
    "  --vary NAME[=LO..HI] a name each case sets, within LO..HI (default: all of it);\n"
    "                       MEM[A..B] for memory words; repeatable, or NAME,NAME...\n"
    "  --compare NAME       a name (or MEM[A..B]) that must end equal; likewise\n"
    "  --show K             show the first K differences and stop there (default 3)\n"
    "\n"
    "NAME is R0..R63, Q, MAR, IR, UFLAG, MFLAG, MEM[ADDR], or an EQU name of the\n"
    "source; VALUE and ADDR are decimal or hexadecimal after 0x.\n"
    "\n"
    "Report formats:\n";

const char kUsageTail[] =
    "\n"
    "Exit status: 0 the run halted (and every expectation held), 1 an expectation\n"
    "or a test case failed, 2 bad command line or input file, or an output that\n"
    "cannot be written, 3 the run stopped on an error of the microprogram or at\n"
    "the cycle limit.  With --test, the\n"
    "highest status of the programs, a program that cannot be read or assembled\n"
    "counting 3.  With --reference: 0 no difference, 1 a difference, 3 the\n"
    "reference stopped on an error or at the cycle limit.\n";

}  // namespace

std::string Usage() {
    std::string text = kUsageHead;
    for (size_t i = 0; i < kReportFormatCount; ++i) {
        std::string name = kReportFormats[i].name;
        text += "  " + name + std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') + kReportFormats[i].purpose +
                "\n";
    }
    return text + kUsageTail;
}

// A command-line problem: the message, a hint, exit status 2.
int UsageError(SimOutput &output, const std::string &message) {
    output.Err(UsageText("zanfo-sim", message));
    return kSimBadInput;
}

namespace {

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

// "text, tap, ..." from the table.
std::string FormatNames() {
    std::string names;
    for (size_t i = 0; i < kReportFormatCount; ++i)
        names += (i ? ", " : "") + std::string(kReportFormats[i].name);
    return names;
}

}  // namespace

bool StartOption(const std::string &name, const std::string &value, Options *o, std::string *error) {
    if (name == "--start") {
        ParseAddressOption(name, value, &o->start, error);
    } else if (name == "--set") {
        o->sets.push_back(value);
    } else if (name == "--mem") {
        o->mems.push_back(value);
    } else if (name == "--map") {
        if (!o->map.empty())
            *error = name + " given twice";
        o->map = value;
    } else if (name == "--loop-to-address") {
        o->loopToAddress = true;
    } else {
        return false;
    }
    return true;
}

// False, with the message, when the command line is wrong.
bool ParseOptions(const std::vector<std::string> &args, Options *o, std::string *error) {
    static const std::set<std::string> kWithValue = {"--start", "--set", "--expect", "--mem", "--map",
                                                     "--test", "--break", "--max-cycles", "--report",
                                                     "-o", "--output", "--coverage",
                                                     "--reference", "--random", "--seed", "--vary",
                                                     "--compare", "--show", "--trace-format", "--vcd"};
    OptionReader line(args, kWithValue);
    std::string name, value;
    while (line.Next(&name, &value, error)) {
        if (StartOption(name, value, o, error)) {
            if (!error->empty())
                return false;
        } else if (name == "--expect") {
            o->expects.push_back(value);
        } else if (name == "--test") {
            if (!o->test.empty()) {
                *error = name + " given twice";
                return false;
            }
            o->test = value;
        } else if (name == "--break") {
            unsigned address;
            if (!ParseAddressOption(name, value, &address, error))
                return false;
            o->breaks.push_back(address);
        } else if (name == "--max-cycles") {
            uint64_t n;
            if (!ParseUnsigned(value, false, &n) || n == 0) {
                *error = "--max-cycles: \"" + value + "\" is not a number of cycles from 1 up";
                return false;
            }
            o->maxCycles = n;
        } else if (name == "--report") {
            if (!FindReportFormat(value)) {
                *error = "--report: unknown format \"" + value + "\" (" + FormatNames() + ")";
                return false;
            }
            o->report = value;
        } else if (name == "-o" || name == "--output" || name == "--coverage") {
            if (value.empty()) {
                *error = "option " + name + " needs a file name";
                return false;
            }
            (name == "--coverage" ? o->coverage : o->output) = value;
        } else if (name == "--reference") {
            if (!o->reference.empty()) {
                *error = "--reference given twice";
                return false;
            }
            o->reference = value;
        } else if (name == "--random" || name == "--seed" || name == "--show") {
            uint64_t n;
            if (!ParseUnsigned(value, false, &n) || (name == "--show" && n == 0)) {
                *error = name + ": \"" + value + "\" is not a number" + (name == "--show" ? " from 1 up" : "");
                return false;
            }
            (name == "--random" ? o->random : name == "--seed" ? o->seed : o->show) = n;
            o->randomGiven |= name == "--random";
        } else if (name == "--vary" || name == "--compare") {
            std::vector<std::string> &list = name == "--vary" ? o->vary : o->compare;
            for (size_t at = 0, end; at <= value.size(); at = end + 1) {
                end = std::min(value.find(',', at), value.size());
                if (end == at) {
                    *error = name + ": an empty name in \"" + value + "\"";
                    return false;
                }
                list.push_back(value.substr(at, end - at));
            }
        } else if (name == "--trace") {
            o->trace = true;
        } else if (name == "--trace-format") {
            if (value != "text" && value != "state") {
                *error = "--trace-format: unknown format \"" + value + "\" (text, state)";
                return false;
            }
            o->traceFormat = value;
            o->trace = true;
        } else if (name == "--vcd") {
            if (value.empty()) {
                *error = "option --vcd needs a file name";
                return false;
            }
            o->vcd = value;
        } else if (name == "--help" || name == "-h") {
            o->help = true;
        } else if (name == "--version") {
            o->version = true;
        } else {
            *error = "unknown option " + name;
            return false;
        }
    }
    if (!error->empty())
        return false;
    if (o->help || o->version)
        return true;
    const std::vector<std::string> &files = line.Operands();
    if (files.empty()) {
        *error = "no microprogram given";
        return false;
    }
    if (!o->reference.empty()) {
        const char *alone = !o->test.empty() ? "--test" : o->trace ? "--trace" : !o->expects.empty() ? "--expect"
                          : o->report != "text" ? "--report" : !o->vcd.empty() ? "--vcd" : nullptr;
        if (alone) {
            *error = std::string("--reference and ") + alone + " cannot go together";
            return false;
        }
        if (!o->randomGiven || o->vary.empty() || o->compare.empty()) {
            *error = "--reference needs --random N, --vary NAME and --compare NAME";
            return false;
        }
    } else if (o->randomGiven || !o->vary.empty() || !o->compare.empty()) {
        *error = "--random, --vary and --compare go with --reference";
        return false;
    }
    if (files.size() > 1 && o->test.empty()) {
        *error = "one microprogram only, not \"" + files[0] + "\" and \"" + files[1] + "\"";
        return false;
    }
    if (!o->vcd.empty() && !o->test.empty()) {
        *error = "--vcd writes one run: not the cases of --test";
        return false;
    }
    o->file = files[0];
    o->files = files;
    if (o->coverage == "-" && (o->output.empty() || o->output == "-")) {
        *error = "--coverage - and the report would both go to standard output: give one a file";
        return false;
    }
    if (o->vcd == "-" && (o->output.empty() || o->output == "-" || o->coverage == "-")) {
        *error = "--vcd - and the report or the coverage would both go to standard output: give one a file";
        return false;
    }
    // No output may take the place of an input.
    for (const std::string *out : {&o->output, &o->coverage, &o->vcd}) {
        std::vector<std::string> inputs = files;
        inputs.insert(inputs.end(), {o->test, o->map, o->reference});
        inputs.insert(inputs.end(), o->mems.begin(), o->mems.end());
        for (const std::string &in : inputs)
            if (!out->empty() && *out != "-" && *out == in) {
                *error = "\"" + *out + "\" is an input: it cannot take the " +
                         (out == &o->output ? "report" : out == &o->coverage ? "coverage" : "waveform");
                return false;
            }
    }
    return true;
}

}  // namespace sim
