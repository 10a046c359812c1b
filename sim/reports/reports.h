// zanfo-sim --report FORMAT: the report formats, one writer a file, and the
// table that --report, --help and the manual read.  A writer is told of
// each program and each case as the run goes, and writes to a sink:
// standard output as it goes, or the file of -o once the run is done.
#ifndef ZANFO_SIM_REPORTS_H
#define ZANFO_SIM_REPORTS_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "machine.h"
#include "program.h"
#include "results.h"
#include "sim.h"

namespace sim {

// Where a report goes: standard output, piece by piece, or the file of -o,
// written whole by Close.
class ReportSink {
  public:
    ReportSink(SimOutput &output, const std::string &file) : output_(output), file_(file) {}
    void Write(const std::string &text);
    // Writes the file, if there is one; false, with the message shown, when it cannot.
    bool Close();

  private:
    SimOutput &output_;
    std::string file_;    // "" or "-": standard output
    std::string buffer_;  // what the file will hold
};

// What a report knows of the run as a whole.
struct ReportContext {
    bool testFile = false;  // --test: the cases of a test file; else one plain run a program
    std::string tests;      // the test file's name
    size_t programs = 1;    // how many programs the command line names
    bool weighted = false;  // the test file gives points: the text report shows them
};

class ReportWriter {
  public:
    virtual ~ReportWriter() = default;
    // A program, before its cases; one that could not be read or assembled
    // runs none, and EndProgram follows.
    virtual void StartProgram(const ProgramResult &program) { (void)program; }
    // A case about to run, with the machine as it starts.
    virtual void StartCase(const Machine &machine) { (void)machine; }
    // A case that has run, with the machine as the run left it.
    virtual void RunCase(const ProgramResult &program, const CaseResult &result, const Machine &machine,
                         const Program &code) {
        (void)program, (void)result, (void)machine, (void)code;
    }
    // A program after its cases, with its score and status.
    virtual void EndProgram(const ProgramResult &program) { (void)program; }
    // After the last program.
    virtual void Finish(const std::vector<ProgramResult> &programs) { (void)programs; }
};

// A format of --report.
struct ReportFormat {
    const char *name;     // as --report takes it
    const char *purpose;  // for --help and the manual
    std::unique_ptr<ReportWriter> (*make)(ReportSink &sink, const ReportContext &context);
};
extern const ReportFormat kReportFormats[];
extern const size_t kReportFormatCount;

// The format called `name`, or null.
const ReportFormat *FindReportFormat(const std::string &name);

// `text` with every byte that is not part of a UTF-8 character (nor of
// one XML allows: no surrogates, U+FFFE or U+FFFF) replaced by U+FFFD.
std::string ValidUtf8(const std::string &text);

// The writers, one a file.
std::unique_ptr<ReportWriter> TextReport(ReportSink &sink, const ReportContext &context);
std::unique_ptr<ReportWriter> TapReport(ReportSink &sink, const ReportContext &context);
std::unique_ptr<ReportWriter> JunitReport(ReportSink &sink, const ReportContext &context);
std::unique_ptr<ReportWriter> JsonReport(ReportSink &sink, const ReportContext &context);
std::unique_ptr<ReportWriter> GradescopeReport(ReportSink &sink, const ReportContext &context);
std::unique_ptr<ReportWriter> PlainStateReport(ReportSink &sink, const ReportContext &context);

}  // namespace sim

#endif
