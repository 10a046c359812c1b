// zanfo-sim --test: the test-file runner.
#include "cases.h"

#include "report.h"
#include "trace.h"

namespace sim {

namespace {

int RunCases(const Machine &base, const Options &o, const Program &program, const std::vector<TestCase> &cases,
             const std::vector<Assignment> &commonExpects, SimOutput &output) {
    unsigned passed = 0, failed = 0;
    bool anyStopped = false;
    Machine m;  // each case starts from `base`, in the same memory
    for (const TestCase &t : cases) {
        m = base;
        for (const Assignment &a : t.sets)
            WritePlace(m, a.place, a.value);
        RunEnd end = RunTraced(m, o, program, output);
        if (output.Failed())
            return kSimCannotWrite;
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

}  // namespace

int RunTestFile(const Setup &s, const FileReader &read, SimOutput &output) {
    std::string text;
    std::vector<std::string> problems;
    std::vector<TestCase> cases;
    if (!ReadInput(s.o.test, read, output, &text))
        return kSimBadInput;
    if (!ParseTestFile(s.o.test, text, s.program.equates, &cases, &problems))
        return ShowProblems(problems, output), kSimBadInput;
    return RunCases(s.base, s.o, s.program, cases, s.expects, output);
}

}  // namespace sim
