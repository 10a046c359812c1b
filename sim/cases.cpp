// zanfo-sim --test: the test-file runner.
#include "cases.h"

#include "report.h"
#include "reports.h"
#include "trace.h"

namespace sim {

namespace {

// Runs every case on the program, each from `base` with its own sets, and
// tells the report of each.
void RunCases(const Machine &base, const Options &o, const Program &program, const std::vector<TestCase> &cases,
              const std::vector<Assignment> &commonExpects, ReportWriter &report, ProgramResult &result,
              SimOutput &output) {
    CaseMachine machine(base);
    for (const TestCase &t : cases) {
        Machine &m = machine.Fresh();
        for (const Assignment &a : t.sets)
            machine.Set(a);
        const uint64_t limit = t.maxCycles ? t.maxCycles : o.maxCycles;
        RunEnd end = RunTraced(m, o, program, output, limit);
        std::vector<Assignment> expects = commonExpects;
        expects.insert(expects.end(), t.expects.begin(), t.expects.end());
        CaseResult c = Judge(m, end, limit, program, expects, t.maxCycles ? "max-cycles of the test file" : "--max-cycles");
        c.name = t.name;
        c.line = t.line;
        c.points = t.points;
        result.cases.push_back(c);
        report.RunCase(result, result.cases.back(), m, program);
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

}  // namespace

int RunTestFile(const Setup &s, const FileReader &read, SimOutput &output) {
    std::string text;
    std::vector<std::string> problems;
    std::vector<TestCase> cases;
    if (!ReadInput(s.o.test, read, output, &text))
        return kSimBadInput;
    if (!ParseTestFile(s.o.test, text, s.program.equates, &cases, &problems))
        return ShowProblems(problems, output), kSimBadInput;

    ReportContext context;
    context.testFile = true;
    context.tests = s.o.test;
    for (const TestCase &t : cases)
        context.weighted |= t.pointsGiven;
    ReportSink sink(output, s.o.output);
    std::unique_ptr<ReportWriter> report = FindReportFormat(s.o.report)->make(sink, context);
    ProgramResult result;
    result.file = s.o.file;
    result.assembled = true;
    report->StartProgram(result);
    RunCases(s.base, s.o, s.program, cases, s.expects, *report, result, output);
    Score(result);
    report->EndProgram(result);
    report->Finish({result});
    return sink.Close() ? result.status : kSimBadInput;
}

}  // namespace sim
