// zanfo-dump: options, and which of the three readings a run makes.
#include "dump.h"

#include "disassemble.h"
#include "listing.h"
#include "mic_file.h"
#include "notation.h"
#include "tracefile.h"

namespace {

const char kUsage[] =
    "Usage: zanfo-dump [--fields | --source] [-o FILE] FILE.mic\n"
    "       zanfo-dump --listing [--coverage FILE] [-o FILE] FILE.zan\n";

const char kHelp[] =
    "Read zanfo's microcode back.\n"
    "\n"
    "With a .mic file, zanfo-dump prints one line per microword: its address,\n"
    "the word, the Am2910 instruction in its Sequencer field, and what it does\n"
    "in zanfo's own notation.\n"
    "\n"
    "  --fields           also show every field of each word, with its meaning\n"
    "  --source           print a zanfo program that assembles to the very same\n"
    "                     .mic file\n"
    "  --listing          FILE is a zanfo source: assemble it in memory and list\n"
    "                     each line beside the microwords it makes, with zanfo's\n"
    "                     diagnostics, notes on them, warnings, and the labels\n"
    "                     and equates\n"
    "  --coverage FILE    with --listing: beside each word, how often its line ran\n"
    "                     (##### never), from zanfo-sim --coverage's tracefile\n"
    "  -o, --output FILE  write to FILE instead of standard output\n"
    "      --help         show this help and exit\n"
    "      --version      show the version and exit\n"
    "\n"
    "FILE - is standard input.\n"
    "\n"
    "Exit status: 0 done; 1 --source met words that no zanfo items write, or\n"
    "the program given to --listing has diagnostics; 2 wrong arguments, a file\n"
    "that cannot be read or is no .mic file, or an output that cannot be written.\n";

enum class Mode { Words, Fields, Source, Listing };

struct Options {
    Mode mode = Mode::Words;
    std::string modeOption;  // the option that chose the mode, or ""
    bool help = false;
    bool version = false;
    std::string output;
    std::string coverage;  // --coverage: a tracefile for the listing's counts
    std::vector<std::string> files;
    std::string error;  // a usage error, or ""
};

Options Parse(const std::vector<std::string> &args) {
    Options o;
    auto setMode = [&o](Mode mode, const std::string &arg) {
        if (!o.modeOption.empty() && o.mode != mode && o.error.empty())
            o.error = o.modeOption + " and " + arg + " cannot go together";
        o.mode = mode;
        o.modeOption = arg;
    };
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (onlyFiles || a == "-" || a.empty() || a[0] != '-') {
            o.files.push_back(a);
        } else if (a == "--") {
            onlyFiles = true;
        } else if (a == "--help") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--fields") {
            setMode(Mode::Fields, a);
        } else if (a == "--source") {
            setMode(Mode::Source, a);
        } else if (a == "--listing") {
            setMode(Mode::Listing, a);
        } else if (a == "-o" || a == "--output") {
            if (i + 1 == args.size()) {
                if (o.error.empty())
                    o.error = "option " + a + " needs a file name";
            } else {
                o.output = args[++i];
            }
        } else if (a == "--coverage" || a.compare(0, 11, "--coverage=") == 0) {
            if (a == "--coverage" && i + 1 < args.size())
                o.coverage = args[++i];
            else if (a != "--coverage")
                o.coverage = a.substr(11);
            if (o.coverage.empty() && o.error.empty())
                o.error = "option --coverage needs a file name";
        } else if (a.compare(0, 9, "--output=") == 0) {
            o.output = a.substr(9);
            if (o.output.empty() && o.error.empty())
                o.error = "option --output needs a file name";
        } else if (a.compare(0, 2, "-o") == 0 && a.size() > 2) {
            o.output = a.substr(2);
        } else if (o.error.empty()) {
            o.error = "unknown option " + a;
        }
    }
    if (o.error.empty() && !o.coverage.empty() && o.mode != Mode::Listing)
        o.error = "--coverage goes with --listing";
    if (o.error.empty() && o.files.empty())
        o.error = "no input file";
    else if (o.error.empty() && o.files.size() > 1)
        o.error = "one input file at a time";
    return o;
}

std::string Problems(const MicFile &mic, const std::vector<MicProblem> &problems) {
    std::string text;
    for (const MicProblem &p : problems)
        text += FormatProblem(mic, p) + "\n";
    return text;
}

void RunListing(const std::string &name, const std::string &coverage, const ReadFile &read, DumpRun &run) {
    std::string source, tracefile, problem;
    int error = 0;
    std::map<int, uint64_t> counts;
    for (const std::string *file : {&name, &coverage}) {
        if (file->empty() || read(*file, kTextFileLimit, file == &name ? &source : &tracefile, &error))
            continue;
        run.err = *file + ": cannot read the file: " + ReadFailure(error, kTextFileLimit) + "\n";
        run.status = 2;
        return;
    }
    if (!coverage.empty() && !LineCounts(coverage, tracefile, name, &counts, &problem)) {
        run.err = "zanfo-dump: " + problem + "\n";
        run.status = 2;
        return;
    }
    Listing listing = ListSource(source);
    run.out = coverage.empty() ? listing.text : ListingWithCounts(listing.text, counts);
    run.status = listing.clean ? 0 : 1;
    run.writeOutput = true;
}

void RunMic(Mode mode, const std::string &name, const ReadFile &read, DumpRun &run) {
    std::string text;
    int error = 0;
    MicFile mic = read(name, kMicFileLimit, &text, &error) ? ParseMicText(name, text, MicUse::Listing)
                                                           : UnreadableMicFile(name, error);
    run.err = Problems(mic, mic.problems);
    if (mic.Refused()) {
        run.status = 2;
        return;
    }
    run.writeOutput = true;
    if (mode == Mode::Source) {
        Disassembly d = Disassemble(mic);
        run.out = d.source;
        run.err += Problems(mic, d.problems);
        for (const MicProblem &p : d.problems)
            if (!p.warning)
                run.status = 1;
        return;
    }
    const LabelNamer names = HeldTargets(mic);
    for (const MicWord &w : mic.words) {
        run.out += DumpLine(w.address, w.word, names) + "\n";
        if (mode == Mode::Fields)
            run.out += FieldLines(w.word) + "\n";
    }
}

}  // namespace

DumpRun RunDump(const std::vector<std::string> &args, const ReadFile &read) {
    DumpRun run;
    Options o = Parse(args);
    if (o.help) {
        run.out = std::string(kUsage) + kHelp;
        run.writeOutput = true;
        return run;
    }
    if (o.version) {
        run.showVersion = true;
        return run;
    }
    if (!o.error.empty()) {
        run.err = "zanfo-dump: " + o.error + "\n" + kUsage + "Try 'zanfo-dump --help' for more.\n";
        run.status = 2;
        return run;
    }
    run.output = o.output == "-" ? "" : o.output;
    if (o.mode == Mode::Listing)
        RunListing(o.files[0], o.coverage, read, run);
    else
        RunMic(o.mode, o.files[0], read, run);
    return run;
}
