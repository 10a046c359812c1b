// zanfo-check: options, the input, and the findings as lines.
#include "check_command.h"

#include <cerrno>
#include <cstring>

#include "check.h"
#include "cli.h"
#include "mapping.h"
#include "mic_file.h"
#include "reading.h"

namespace {

const char kUsage[] =
    "Usage: zanfo-check [--map FILE] [--start ADDR] [--loop-to-address] [-WNAME] [-Wno-NAME] FILE\n"
    "       zanfo-check --list | --explain NAME\n";

const char kHelp[] =
    "Find the classic mistakes of a microprogram before it runs: flags tested\n"
    "in the word that loads them, a RET or LOOP with nothing on the stack,\n"
    "loops that never end, jumps to empty addresses, words nothing reaches, and\n"
    "more (--list names them all).  Every check follows the machine that\n"
    "zanfo-sim runs.\n"
    "\n"
    "FILE is a zanfo source, assembled in memory as zanfo does (zanfo's own\n"
    "diagnostics are reported too), or a .mic file: a name ending in .mic or\n"
    ".zan says which; otherwise a first line of four hex digits, a blank and\n"
    "sixteen hex digits makes it a .mic file.  FILE - is standard input.\n"
    "\n"
    "  --map FILE          JMAP's mapping, \"OPCODE ADDRESS\" lines as for zanfo-sim;\n"
    "                      without it JMAP may go to any word at 0..255\n"
    "  --start ADDR        the program starts at ADDR (default 0)\n"
    "  --loop-to-address   LOOP (Am2910 RFCT, code 8) runs as RPCT (code 9),\n"
    "                      repeating to its operand, as zanfo-sim's option\n"
    "  -WNAME              make the check NAME (all are made by default); -Wall: all\n"
    "  -Wno-NAME           leave the check NAME out; -Wno-all: all of them\n"
    "  --list              list the checks and exit\n"
    "  --explain NAME      explain a check, with a wrong and a right example, and exit\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "ADDR is decimal or hexadecimal after 0x.  Each finding is one line, sorted\n"
    "by line, errors first within a line (for a .mic file LINE is its line):\n"
    "  FILE:LINE: error: MESSAGE            zanfo's own diagnostics, in UTF-8\n"
    "  FILE:LINE: warning: MESSAGE [NAME]   a check's finding\n"
    "\n"
    "Exit status: 0 nothing reported, 1 something reported (a warning, or one of\n"
    "zanfo's errors), 2 a file cannot be read or is too long (64 MiB, 4 MiB for\n"
    "a .mic file), the command line is wrong, or the output cannot be written.\n";

struct Options {
    std::string file;           // the program
    std::string map;            // --map, or ""
    std::string explain;        // --explain, or ""
    bool list = false;          // --list
    bool help = false;          // --help
    bool version = false;       // --version
    CheckOptions check;         // --start, --loop-to-address, -W
};

// Turns the check `name` ("all" for every one) on or off; false for a name
// that is no check.
bool Switch(const std::string &name, bool on, CheckOptions *o) {
    if (name == "all") {
        o->off.clear();
        if (!on)
            for (size_t i = 0; i < kCheckCount; ++i)
                o->off.insert(kChecks[i].name);
        return true;
    }
    if (!FindCheck(name))
        return false;
    if (on)
        o->off.erase(name);
    else
        o->off.insert(name);
    return true;
}

// False, with the message, when the command line is wrong.
bool Parse(const std::vector<std::string> &args, Options *o, std::string *error) {
    OptionReader line(args, {"--map", "--start", "--explain"});
    std::string name, value;
    while (line.Next(&name, &value, error)) {
        if (name.compare(0, 2, "-W") == 0) {
            const bool on = name.compare(0, 5, "-Wno-") != 0;
            const std::string check = name.substr(on ? 2 : 5);
            if (!Switch(check, on, &o->check)) {
                *error = "no check is called \"" + check + "\" (zanfo-check --list names them)";
                return false;
            }
            continue;
        }
        if (name == "--map") {
            o->map = value;
        } else if (name == "--start") {
            uint32_t start;
            if (!ParseNumber(value, kStoreSize - 1, &start, error)) {
                *error = "--start: " + *error;
                return false;
            }
            o->check.start = start;
        } else if (name == "--explain") {
            o->explain = value;
        } else if (name == "--loop-to-address") {
            o->check.loopToAddress = true;
        } else if (name == "--list") {
            o->list = true;
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
    if (o->help || o->version || o->list || !o->explain.empty())
        return true;
    const std::vector<std::string> &files = line.Operands();
    if (files.empty()) {
        *error = "no program given";
        return false;
    }
    if (files.size() > 1) {
        *error = "one program at a time, not \"" + files[0] + "\" and \"" + files[1] + "\"";
        return false;
    }
    o->file = files[0];
    return true;
}

std::string Indented(const char *text) {
    std::string out;
    for (const char *line = text; *line;) {
        const char *end = strchr(line, '\n');
        const size_t n = end ? static_cast<size_t>(end - line) : strlen(line);
        out += "    " + std::string(line, n) + "\n";
        line += n + (end ? 1 : 0);
    }
    return out;
}

std::string List() {
    std::string out;
    for (size_t i = 0; i < kCheckCount; ++i) {
        std::string name = kChecks[i].name;
        out += name + std::string(name.size() < 20 ? 20 - name.size() : 1, ' ') + kChecks[i].summary + "\n";
    }
    return out;
}

std::string Explain(const CheckInfo &info) {
    const char *kind = info.micExamples ? " (a .mic file)" : "";
    return std::string(info.name) + ": " + info.summary + "\n\n" + info.explanation + "\nWrong" + kind + ":\n" +
           Indented(info.wrong) + "\nRight" + kind + ":\n" + Indented(info.right);
}

}  // namespace

CheckRun RunCheck(const std::vector<std::string> &args, const CheckReader &read) {
    CheckRun run;
    Options o;
    std::string error;
    if (!Parse(args, &o, &error)) {
        run.err = "zanfo-check: " + error + "\n" + kUsage + "Try 'zanfo-check --help' for more information.\n";
        run.status = kCheckBadInput;
        return run;
    }
    if (o.help) {
        run.out = std::string(kUsage) + "\n" + kHelp;
        return run;
    }
    if (o.version) {
        run.out = VersionText("zanfo-check");
        return run;
    }
    if (o.list) {
        run.out = List();
        return run;
    }
    if (!o.explain.empty()) {
        const CheckInfo *info = FindCheck(o.explain);
        if (!info) {
            run.err = "zanfo-check: no check is called \"" + o.explain + "\" (zanfo-check --list names them)\n";
            run.status = kCheckBadInput;
            return run;
        }
        run.out = Explain(*info);
        return run;
    }
    int errnum = 0;
    auto cannotRead = [&run](const std::string &name, int error, size_t limit) {
        run.err = name + ": cannot read the file: " + ReadFailure(error, limit) + "\n";
        run.status = kCheckBadInput;
        return run;
    };
    if (!o.map.empty()) {
        std::string text;
        std::vector<std::string> problems;
        if (!read(o.map, kTextFileLimit, &text, &errnum))
            return cannotRead(o.map, errnum, kTextFileLimit);
        if (!ParseMapping(o.map, text, &o.check.mapping, &problems)) {
            for (const std::string &p : problems)
                run.err += p + "\n";
            run.status = kCheckBadInput;
            return run;
        }
        o.check.mapped = true;
    }
    std::string text;
    if (!read(o.file, kTextFileLimit, &text, &errnum))
        return cannotRead(o.file, errnum, kTextFileLimit);
    const bool mic = IsMicText(o.file, text);
    if (mic && text.size() > kMicFileLimit)  // a .mic file has a bound of its own
        return cannotRead(o.file, EFBIG, kMicFileLimit);
    const std::vector<Finding> findings = mic ? CheckMicText(text, o.check) : CheckSource(text, o.check);
    const std::string shown = o.file == "-" ? "<stdin>" : o.file;
    for (const Finding &f : findings)
        run.out += FormatFinding(shown, f);
    run.status = findings.empty() ? kCheckClean : kCheckFound;
    return run;
}
