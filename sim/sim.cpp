// zanfo-sim: the command, a plain run or the cases of a test file.
#include "sim.h"

#include <memory>

#include "cases.h"
#include "mic_file.h"
#include "coverage.h"
#include "reference.h"
#include "report.h"
#include "reports.h"
#include "setup.h"
#include "trace.h"
#include "vcd.h"

namespace sim {

namespace {

// A plain run of the prepared machine itself: the state after it, then the
// expectations of the command line.
int RunOnce(Setup &s, SimOutput &output) {
    ReportContext context;
    ReportSink sink(output, s.o.output);
    std::unique_ptr<ReportWriter> report = FindReportFormat(s.o.report)->make(sink, context);
    ProgramResult result;
    result.file = s.o.file;
    result.assembled = true;
    report->StartProgram(result);

    Machine &m = s.base;
    std::unique_ptr<Coverage> coverage = s.o.coverage.empty() ? nullptr : std::make_unique<Coverage>();
    std::unique_ptr<Waveform> waveform = s.o.vcd.empty() ? nullptr : std::make_unique<Waveform>(m);
    std::unique_ptr<Both> both = coverage && waveform ? std::make_unique<Both>(*coverage, *waveform) : nullptr;
    CycleWatcher *watcher = both ? static_cast<CycleWatcher *>(both.get())
                            : coverage ? static_cast<CycleWatcher *>(coverage.get()) : waveform.get();
    report->StartCase(m);
    RunEnd end = RunTraced(m, s.o, s.program, output, 0, watcher);
    if (output.Failed())
        return kSimCannotWrite;
    CaseResult c = Judge(m, end, s.o.maxCycles, s.program, s.expects);
    c.name = "run";
    result.cases.push_back(c);
    result.maxScore = 1;
    result.score = c.verdict == Verdict::Ok;
    result.status = c.verdict == Verdict::Error ? kSimStopped : c.verdict == Verdict::Fail ? kSimExpectFailed : kSimHalted;
    report->RunCase(result, result.cases.back(), m, s.program);
    if (c.verdict == Verdict::Error)
        output.Err("zanfo-sim: " + s.o.file + ": " + c.stop + "\n");
    report->EndProgram(result);
    report->Finish({result});
    if (!sink.Close())
        return kSimBadInput;
    std::string error;
    if (waveform && !output.File(s.o.vcd, waveform->Text(), &error)) {
        output.Err("zanfo-sim: cannot write " + s.o.vcd + ": " + error + "\n");
        return kSimBadInput;
    }
    if (coverage) {
        CoverageFile covered(s.o.coverage, false);
        covered.Add(s.o.file, s.program, s.base, *coverage);
        if (!covered.Write(output))
            return kSimBadInput;
    }
    return result.status;
}

}  // namespace

}  // namespace sim

bool ReadFromDisk(const std::string &name, std::string *text, std::string *error) {
    int number = 0;
    if (ReadWholeFile(name, text, &number, kTextFileLimit))
        return true;
    *error = ReadFailure(number, kTextFileLimit);
    return false;
}

int RunSim(const std::vector<std::string> &args, const FileReader &read, SimOutput &output) {
    using namespace sim;
    auto setup = std::make_unique<Setup>();  // off the stack, with its machine
    Setup &s = *setup;
    int status = ReadOptions(args, output, s.o);
    if (status == kGoOn && !s.o.test.empty())
        status = RunTestFile(s.o, read, output);
    else if (status == kGoOn && !s.o.reference.empty())
        status = RunReference(s.o, read, output);
    else if (status == kGoOn && (status = PrepareProgram(read, output, s)) == kGoOn)
        status = RunOnce(s, output);  // runs the machine itself
    return output.Failed() ? kSimCannotWrite : status;
}
