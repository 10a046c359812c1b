// zanfo-sim: the command, a plain run or the cases of a test file.
#include "sim.h"

#include <memory>

#include "cases.h"
#include "report.h"
#include "setup.h"
#include "trace.h"

namespace sim {

namespace {

// A plain run of `m`: the state after it, then the expectations of the
// command line.
int RunOnce(Machine &m, const Options &o, const Program &program, const std::vector<Assignment> &expects,
            SimOutput &output) {
    RunEnd end = RunTraced(m, o, program, output);
    if (output.Failed())
        return kSimCannotWrite;
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

}  // namespace

}  // namespace sim

int RunSim(const std::vector<std::string> &args, const FileReader &read, SimOutput &output) {
    using namespace sim;
    auto setup = std::make_unique<Setup>();  // off the stack, with its machine
    Setup &s = *setup;
    int status = Prepare(args, read, output, s);
    if (status == kGoOn)
        status = s.o.test.empty() ? RunOnce(s.base, s.o, s.program, s.expects, output)  // runs the machine itself
                                  : RunTestFile(s, read, output);
    return output.Failed() ? kSimCannotWrite : status;
}
