// zanfo-prove: options, the programs, the goals and what is printed.
#include "command.h"

#include <z3++.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>

#include "cli.h"
#include "goal.h"
#include "program.h"
#include "properties.h"
#include "setup.h"
#include "prover.h"
#include "verdict_text.h"

using sim::LoadProgram;
using sim::ReadInput;
using sim::ShowProblems;

namespace {

const char kUsage[] =
    "Usage: zanfo-prove [OPTION]... --props FILE PROG\n"
    "  or:  zanfo-prove [OPTION]... --equiv REF --compare NAME[,NAME]... PROG\n"
    "Proves that the microprogram PROG meets the properties of FILE for every\n"
    "input, or finds an input that breaks one and prints it as a test case for\n"
    "zanfo-sim; or proves that PROG ends with the same values as the reference\n"
    "program REF for every input.  PROG and REF are .mic files or zanfo sources.\n"
    "\n"
    "  --props FILE         the properties: prove NAME, then set, mem, assume EXPR,\n"
    "                       ensure EXPR and within N lines\n"
    "  --equiv REF          prove that PROG ends as REF does on the --compare names\n"
    "  --compare NAME[,NAME...]  what must end equal (repeatable)\n"
    "  --assume EXPR        an assumption for every property (repeatable)\n"
    "  --within N           every run must halt within N cycles (default 10000)\n"
    "  --set NAME=VALUE     fix a register, flag register or memory word at the start\n"
    "  --mem FILE           fix memory words from FILE (hex words, @ADDR, as $readmemh)\n"
    "  --map FILE           JMAP mapping: \"OPCODE ADDRESS\" lines (default IR >> 8)\n"
    "  --start ADDR         start at ADDR (default 0)\n"
    "  --loop-to-address    run LOOP (Am2910 RFCT, code 8) as RPCT (code 9)\n"
    "  --timeout S          give up on a property after S seconds (default 60)\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "Every register, Q, MAR, IR, flag register and memory word that is not fixed\n"
    "is an input.  NAME is R0..R63, Q, MAR, IR, UFLAG, MFLAG, MEM[ADDR], or an EQU\n"
    "name of the source; EXPR is a C expression over those names, old(NAME) and\n"
    "s16(EXPR) (see the manual).\n"
    "\n"
    "Exit status: 0 every property proved, 1 a counterexample, 2 bad command line\n"
    "or input file, 3 no counterexample but a property is unknown.\n";

struct Options {
    std::string file;                   // the microprogram
    std::string props;                  // --props
    std::string equiv;                  // --equiv
    std::vector<std::string> compares;  // --compare, as written
    std::vector<std::string> assumes;   // --assume
    uint64_t within = kDefaultWithin;   // --within
    sim::Options run;                   // --set, --mem, --map, --start, --loop-to-address, as zanfo-sim's
    double timeout = 60;                // --timeout
    bool help = false, version = false;
};

int UsageError(SimOutput &output, const std::string &message) {
    output.Err(UsageText("zanfo-prove", message));
    return kProveBadInput;
}

bool ParseOptions(const std::vector<std::string> &args, Options *o, std::string *error) {
    static const std::set<std::string> kWithValue = {"--props", "--equiv", "--compare", "--assume", "--within",
                                                     "--set",   "--mem",   "--map",     "--start",  "--timeout"};
    OptionReader line(args, kWithValue);
    std::string name, value;
    while (line.Next(&name, &value, error)) {
        if (sim::StartOption(name, value, &o->run, error)) {
            if (!error->empty())
                return false;
        } else if (name == "--props" || name == "--equiv") {
            std::string &slot = name == "--props" ? o->props : o->equiv;
            if (!slot.empty()) {
                *error = name + " given twice";
                return false;
            }
            slot = value;
        } else if (name == "--compare") {
            o->compares.push_back(value);
        } else if (name == "--assume") {
            o->assumes.push_back(value);
        } else if (name == "--within") {
            if (!ParseCycleBound(value, &o->within, error)) {
                *error = "--within: " + *error;
                return false;
            }
        } else if (name == "--timeout") {
            char *end = nullptr;
            double seconds = strtod(value.c_str(), &end);
            if (value.empty() || *end || !(seconds > 0) || seconds > 1e6) {
                *error = "--timeout: \"" + value + "\" is not a number of seconds above 0";
                return false;
            }
            o->timeout = seconds;
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
    if (files.size() != 1) {
        *error = files.empty() ? "no microprogram given" : "one microprogram only, not \"" + files[0] + "\" and \"" + files[1] + "\"";
        return false;
    }
    o->file = files[0];
    if (o->props.empty() == o->equiv.empty()) {
        *error = o->props.empty() ? "nothing to prove: give --props FILE or --equiv REF" : "--props and --equiv do not go together";
        return false;
    }
    if (!o->equiv.empty() && o->compares.empty()) {
        *error = "--equiv needs --compare NAME: what must end equal";
        return false;
    }
    if (o->equiv.empty() && !o->compares.empty()) {
        *error = "--compare goes with --equiv";
        return false;
    }
    return true;
}

// A program on a machine, as every run starts from it: the words, --start,
// --loop-to-address, --map, --mem and --set.
struct Start {
    sim::Program program;              // the words and the equates
    std::unique_ptr<Machine> machine;  // loaded and set up, as every run starts
};

}  // namespace

int RunProve(const std::vector<std::string> &args, const FileReader &read, SimOutput &output) {
    Options o;
    std::string error;
    if (!ParseOptions(args, &o, &error))
        return UsageError(output, error);
    if (o.help) {
        output.Out(kUsage);
        return kProveProved;
    }
    if (o.version) {
        output.Out(VersionText("zanfo-prove"));
        return kProveProved;
    }

    // The program first: its equates name what the options and the properties name.
    Start prog;
    if (!LoadProgram(o.file, read, output, &prog.program, nullptr, "zanfo-prove"))
        return kProveBadInput;
    const Equates &equates = prog.program.equates;
    std::vector<Assignment> sets, none;
    std::string errors = sim::ResolveAssignments(o.run, prog.program, &sets, &none);
    std::vector<Expr> assumes;
    for (const std::string &text : o.assumes) {
        Expr e;
        if (ParseExpr(text, equates, &e, &error))
            assumes.push_back(e);
        else
            errors += "--assume " + text + ": " + error + "\n";
    }
    std::vector<Place> compared;
    for (const std::string &list : o.compares)
        for (size_t at = 0; at <= list.size();) {
            size_t comma = list.find(',', at);
            if (comma == std::string::npos)
                comma = list.size();
            Place p;
            std::string name = list.substr(at, comma - at);
            if (ParsePlace(name, equates, &p, &error))
                compared.push_back(p);
            else
                errors += "--compare " + name + ": " + error + "\n";
            at = comma + 1;
        }
    if (!errors.empty()) {
        errors.pop_back();
        return UsageError(output, errors);
    }

    // The inputs every run shares: memory images and the mapping.
    sim::SharedInputs inputs;
    if (!sim::ReadSharedInputs(o.run, read, output, &inputs))
        return kProveBadInput;
    prog.machine = std::make_unique<Machine>();
    sim::BuildMachine(o.run, prog.program, inputs, sets, *prog.machine);
    Start ref;
    if (!o.equiv.empty()) {
        if (!LoadProgram(o.equiv, read, output, &ref.program, nullptr, "zanfo-prove"))
            return kProveBadInput;
        ref.machine = std::make_unique<Machine>();
        sim::BuildMachine(o.run, ref.program, inputs, sets, *ref.machine);
    }

    // The goals.
    std::vector<Property> properties;
    std::vector<std::string> problems;
    std::string text;
    if (!o.props.empty()) {
        if (!ReadInput(o.props, read, output, &text))
            return kProveBadInput;
        if (!ParsePropertyFile(o.props, text, equates, o.within, &properties, &problems))
            return ShowProblems(problems, output), kProveBadInput;
    } else {
        Property p;
        std::string names;
        for (const Place &c : compared)
            names += (names.empty() ? "" : ",") + PlaceName(c);
        p.name = "same " + names + " as " + o.equiv;
        p.within = o.within;
        properties.push_back(p);
    }

    // The solver's memory is bounded: a formula past it makes the
    // property unknown rather than the machine swap.
    z3::set_param("memory_max_size", 8192);  // MiB
    ProveOptions options;
    options.timeout = o.timeout;
    if (const char *threads = getenv("ZANFO_PROVE_THREADS"))
        options.threads = static_cast<unsigned>(std::max(1, atoi(threads)));
    // ZANFO_PROVE_METHODS=search,all,solver picks the methods, for the
    // benchmark and for finding out which one settles a property.
    if (const char *methods = getenv("ZANFO_PROVE_METHODS")) {
        const std::string list = std::string(",") + methods + ",";
        options.methods = (list.find(",search,") != std::string::npos ? kSearch : 0u) |
                          (list.find(",all,") != std::string::npos ? kRunAll : 0u) |
                          (list.find(",solver,") != std::string::npos ? kSolver : 0u);
    }
    bool fails = false, unknown = false;
    for (const Property &p : properties) {
        auto program = std::make_unique<Machine>(*prog.machine);
        std::unique_ptr<Machine> reference;
        if (ref.machine)
            reference = std::make_unique<Machine>(*ref.machine);
        Goal goal;
        goal.name = p.name;
        goal.assumes = assumes;
        goal.assumes.insert(goal.assumes.end(), p.assumes.begin(), p.assumes.end());
        goal.ensures = p.ensures;
        goal.within = p.within;
        goal.compared = compared;
        goal.sets = sets;
        for (const MemoryWord &w : inputs.memory) {
            Assignment a;
            a.place.kind = Place::Memory;
            a.place.index = w.address;
            a.value = w.value;
            goal.fixed.Add(a);
        }
        for (const Assignment &a : sets)
            goal.fixed.Add(a);
        for (const Assignment &a : p.sets) {
            WritePlace(*program, a.place, a.value);
            if (reference)
                WritePlace(*reference, a.place, a.value);
            goal.fixed.Add(a);
            goal.sets.push_back(a);
        }
        goal.program = program.get();
        goal.reference = reference.get();
        Verdict verdict = Decide(goal, options);
        fails |= verdict.kind == Verdict::Fails;
        unknown |= verdict.kind == Verdict::Unknown;
        output.Out(VerdictText(goal, verdict));
    }
    return fails ? kProveFails : unknown ? kProveUnknown : kProveProved;
}
