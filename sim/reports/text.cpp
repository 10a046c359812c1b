// --report text: what zanfo-sim prints for people.  A plain run prints how
// it ended and the state, then its expectations; a test file a line per
// case and the count of those that passed.  With several programs, each
// one's lines come under a line that names it.
#include "report.h"
#include "reports.h"

namespace sim {

namespace {

std::string PointsText(unsigned points) { return Format("%u point%s", points, points == 1 ? "" : "s"); }

class Text : public ReportWriter {
  public:
    Text(ReportSink &sink, const ReportContext &context) : sink_(sink), context_(context) {}

    void StartProgram(const ProgramResult &program) override {
        if (context_.programs > 1)
            sink_.Write("== " + program.file + "\n");
        if (!program.problem.empty() && context_.programs > 1)
            sink_.Write("not run: " + program.problem + "\n");
    }

    void RunCase(const ProgramResult &, const CaseResult &c, const Machine &m, const Program &code) override {
        if (!context_.testFile)
            return PlainRun(c, m, code);
        const bool weighted = context_.weighted;
        if (c.verdict == Verdict::Ok) {
            sink_.Write("ok    " + c.name + " (" + Cycles(c.cycles) + (weighted ? ", " + PointsText(c.points) : "") +
                        ")\n");
            return;
        }
        std::string verdict;
        if (c.verdict == Verdict::Error)
            verdict = c.endLine + ": " + c.stop;
        for (const Mismatch &f : c.failures)
            verdict += (verdict.empty() ? "" : "; ") + f.text;
        sink_.Write("FAIL  " + c.name + (weighted ? " (" + PointsText(c.points) + ")" : "") + ": " + verdict + "\n");
    }

    void EndProgram(const ProgramResult &program) override {
        if (!context_.testFile || !program.problem.empty())
            return;
        unsigned passed = 0;
        for (const CaseResult &c : program.cases)
            passed += c.verdict == Verdict::Ok;
        std::string line = Format("%u passed, %zu failed", passed, program.cases.size() - passed);
        if (context_.weighted)
            line += Format("; score %u of %u", program.score, program.maxScore);
        sink_.Write(line + "\n");
    }

  private:
    // How the run ended, the state, and the expectations of the command line.
    void PlainRun(const CaseResult &c, const Machine &m, const Program &code) {
        sink_.Write(c.endLine + "\n" + StateReport(m, code));
        if (c.verdict == Verdict::Error || c.expectations == 0)
            return;
        for (const Mismatch &f : c.failures)
            sink_.Write("FAIL " + f.text + "\n");
        if (c.failures.empty())
            sink_.Write(Format("%u expectation%s held\n", c.expectations, c.expectations == 1 ? "" : "s"));
    }

    ReportSink &sink_;
    const ReportContext &context_;
};

}  // namespace

std::unique_ptr<ReportWriter> TextReport(ReportSink &sink, const ReportContext &context) {
    return std::make_unique<Text>(sink, context);
}

}  // namespace sim
