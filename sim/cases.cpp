// zanfo-sim --test: the test-file runner, for one program or a class.
#include "cases.h"

#include <algorithm>

#include "coverage.h"
#include "report.h"
#include "reports.h"
#include "trace.h"

namespace sim {

namespace {

// Passes everything on, and keeps the lines of standard error: a
// program's messages for the reports.
class Keeper : public SimOutput {
  public:
    explicit Keeper(SimOutput &output) : output_(output) {}
    void Out(const std::string &text) override { output_.Out(text); }
    void Err(const std::string &text) override {
        output_.Err(text);
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos)
                end = text.size();
            lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
    }
    bool File(const std::string &name, const std::string &bytes, std::string *error) override {
        return output_.File(name, bytes, error);
    }
    bool Failed() const override { return output_.Failed(); }
    std::vector<std::string> lines;

  private:
    SimOutput &output_;
};

// A program of the class and what it needs to run.
struct Entry {
    ProgramResult result;            // what the reports get
    Program program;                 // the microprogram and its names
    bool runs = false;               // it loaded, and its names and the test file's agree
    std::vector<Assignment> sets;    // --set, with its equates
    std::vector<Assignment> expects; // --expect, likewise
    std::vector<TestCase> cases;     // the test file, with its equates
};

// A program that does not run: the lines that say why, and the problem in
// a line of its own, shown and kept.
void Refuse(Entry &e, const std::string &problem, std::vector<std::string> lines, SimOutput &output) {
    e.runs = false;
    e.result.problem = problem;
    lines.push_back("zanfo-sim: " + e.result.file + ": " + problem + "; nothing was run");
    for (const std::string &line : lines) {
        output.Err(line + "\n");
        e.result.messages.push_back(line);
    }
}

// Runs every case on the program, each from `base` with its own sets, and
// tells the report of each.
void RunCases(CaseMachine &machine, const Options &o, Entry &e, ReportWriter &report, SimOutput &output,
              Coverage *coverage) {
    for (const TestCase &t : e.cases) {
        Machine &m = machine.Fresh();
        for (const Assignment &a : t.sets)
            machine.Set(a);
        const uint64_t limit = t.maxCycles ? t.maxCycles : o.maxCycles;
        report.StartCase(m);
        RunEnd end = RunTraced(m, o, e.program, output, limit, coverage);
        if (output.Failed())
            return;  // the trace cannot be written: RunSim says so
        std::vector<Assignment> expects = e.expects;
        expects.insert(expects.end(), t.expects.begin(), t.expects.end());
        CaseResult c =
            Judge(m, end, limit, e.program, expects, t.maxCycles ? "max-cycles of the test file" : "--max-cycles");
        c.name = t.name;
        c.line = t.line;
        c.points = t.points;
        e.result.cases.push_back(c);
        report.RunCase(e.result, e.result.cases.back(), m, e.program);
    }
}

// The cases of a program that did not run: each an error, for no points.
void NotRun(const std::vector<TestCase> &cases, ProgramResult &result) {
    for (const TestCase &t : cases) {
        CaseResult c;
        c.name = t.name;
        c.line = t.line;
        c.points = t.points;
        c.verdict = Verdict::Error;
        c.end = RunEnd::Error;
        c.ran = false;
        c.stop = "not run: " + result.problem;
        result.cases.push_back(c);
    }
}

// The program's score and exit status from its cases.
void Score(ProgramResult &result) {
    result.score = result.maxScore = 0;
    result.status = kSimHalted;
    for (const CaseResult &c : result.cases) {
        result.maxScore += c.points;
        if (c.verdict == Verdict::Ok)
            result.score += c.points;
        else
            result.status = std::max(result.status, c.verdict == Verdict::Error ? kSimStopped : kSimExpectFailed);
    }
}

// The problems that every program that runs has alike, `problems` of
// each: then they are the command line's or the test file's, not the
// programs'.  Null when they differ or there are none.
const std::vector<std::string> *AllAlike(const std::vector<Entry> &entries,
                                         const std::vector<std::vector<std::string>> &problems) {
    const std::vector<std::string> *first = nullptr;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].runs)
            continue;
        if (!first)
            first = &problems[i];
        else if (problems[i] != *first)
            return nullptr;
    }
    return first && !first->empty() ? first : nullptr;
}

}  // namespace

int RunTestFile(const Options &o, const FileReader &read, SimOutput &output) {
    std::vector<Entry> entries(o.files.size());
    for (size_t i = 0; i < o.files.size(); ++i) {
        Entry &e = entries[i];
        e.result.file = o.files[i];
        Keeper keeper(output);
        e.runs = LoadProgram(e.result.file, read, keeper, &e.program, &e.result.problem);
        e.result.assembled = e.runs;
        e.result.messages = keeper.lines;
    }

    // The --set and --expect of the command line, with each program's
    // equates: a name that no program knows is the command line's error.
    std::vector<std::vector<std::string>> problems(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].runs) {
            std::string errors = ResolveAssignments(o, entries[i].program, &entries[i].sets, &entries[i].expects);
            if (!errors.empty())
                problems[i].push_back(errors);
        }
    if (const std::vector<std::string> *common = AllAlike(entries, problems))
        return AssignmentError(output, common->front());
    for (size_t i = 0; i < entries.size(); ++i)
        if (!problems[i].empty()) {
            std::string errors = problems[i][0];
            errors.pop_back();
            std::vector<std::string> lines;
            for (size_t at = 0, end; at <= errors.size(); at = end + 1) {
                end = std::min(errors.find('\n', at), errors.size());
                lines.push_back("zanfo-sim: " + errors.substr(at, end - at));
            }
            Refuse(entries[i], "the command line names what the program does not define", lines, output);
        }

    SharedInputs inputs;
    if (!ReadSharedInputs(o, read, output, &inputs))
        return kSimBadInput;

    // The test file, read with each program's equates: problems that every
    // program has are the test file's.
    std::string text;
    if (!ReadInput(o.test, read, output, &text))
        return kSimBadInput;
    std::fill(problems.begin(), problems.end(), std::vector<std::string>());
    std::vector<TestCase> anyCases;  // the cases as some program reads them, for those that do not run
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].runs) {
            ParseTestFile(o.test, text, entries[i].program.equates, &entries[i].cases, &problems[i]);
            if (problems[i].empty() && anyCases.empty())
                anyCases = entries[i].cases;
        }
    if (const std::vector<std::string> *common = AllAlike(entries, problems))
        return ShowProblems(*common, output), kSimBadInput;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].runs && !problems[i].empty())
            Refuse(entries[i], "the test file names what the program does not define", problems[i], output);
    if (anyCases.empty()) {  // no program runs: the cases as plain names read them
        std::vector<std::string> ignored;
        ParseTestFile(o.test, text, Equates(), &anyCases, &ignored);
    }

    ReportContext context;
    context.testFile = true;
    context.tests = o.test;
    context.programs = entries.size();
    for (const TestCase &t : anyCases)
        context.weighted |= t.pointsGiven;
    ReportSink sink(output, o.output);
    std::unique_ptr<ReportWriter> report = FindReportFormat(o.report)->make(sink, context);
    std::vector<ProgramResult> results;
    CoverageFile covered(o.coverage, entries.size() > 1);
    // One machine for every program, its memory taken again, not allocated anew.
    const auto empty = std::make_unique<Machine>();
    auto base = std::make_unique<Machine>();
    CaseMachine machine(*base);
    int status = kSimHalted;
    for (Entry &e : entries) {
        if (output.Failed())
            return kSimCannotWrite;
        report->StartProgram(e.result);
        if (e.runs) {
            *base = *empty;
            BuildMachine(o, e.program, inputs, e.sets, *base);
            machine.Rebase();
            std::unique_ptr<Coverage> coverage = o.coverage.empty() ? nullptr : std::make_unique<Coverage>();
            RunCases(machine, o, e, *report, output, coverage.get());
            if (coverage)
                covered.Add(e.result.file, e.program, *base, *coverage);
        } else {
            NotRun(anyCases, e.result);
        }
        Score(e.result);
        if (!e.runs)
            e.result.status = kSimStopped;
        report->EndProgram(e.result);
        status = std::max(status, e.result.status);
        results.push_back(std::move(e.result));
        e = Entry();  // its program and cases are done with
    }
    report->Finish(results);
    if (!sink.Close() || (!o.coverage.empty() && !covered.Write(output)))
        return kSimBadInput;
    return status;
}

}  // namespace sim
