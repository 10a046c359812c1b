// zanfo-sim's command line.
#include "options.h"

#include <cctype>
#include <set>

#include "inputs.h"
#include "machine.h"

namespace sim {

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
    "or a test case failed, 2 bad command line or input file, or an output that\n"
    "cannot be written, 3 the run stopped on an error of the microprogram or at\n"
    "the cycle limit.\n";

// A command-line problem: the message, a hint, exit status 2.
int UsageError(SimOutput &output, const std::string &message) {
    output.Err("zanfo-sim: " + message + "\nTry 'zanfo-sim --help' for more information.\n");
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

}  // namespace

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
                ok = isdigit(static_cast<unsigned char>(*p));
                uint64_t digit = ok ? static_cast<uint64_t>(*p - '0') : 0;
                ok = ok && n <= (UINT64_MAX - digit) / 10;  // n * 10 + digit still fits
                n = n * 10 + digit;
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

}  // namespace sim
