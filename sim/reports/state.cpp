// --report state: the state after a run in the plain format that hdl/'s
// testbench prints, one item a line, so that a run on zanfo-sim and the
// same run on the Verilog board compare with diff.  The cases of a test
// file each come after a line "case NAME", and with several programs each
// program's after "program FILE".
#include <cinttypes>

#include "report.h"
#include "reports.h"

namespace sim {

namespace {

const char *EndName(RunEnd end) {
    switch (end) {
    case RunEnd::Halted: return "halted";
    case RunEnd::Error: return "error";
    case RunEnd::CycleLimit: return "limit";
    case RunEnd::Breakpoint: return "break";
    case RunEnd::Stopped: break;  // the trace could not be written: no report follows
    }
    return "error";
}

class State : public ReportWriter {
  public:
    State(ReportSink &sink, const ReportContext &context) : sink_(sink), context_(context) {}

    void StartProgram(const ProgramResult &program) override {
        if (context_.programs > 1)
            sink_.Write("program " + program.file + "\n");
        if (!program.problem.empty())
            sink_.Write("problem " + program.problem + "\n");
    }

    void StartCase(const Machine &machine) override { initial_ = machine.memory; }

    void RunCase(const ProgramResult &, const CaseResult &c, const Machine &m, const Program &) override {
        if (context_.testFile)
            sink_.Write("case " + c.name + "\n");
        const Registers &r = m.regs;
        // The HALT word's address, the word that could not run, or the
        // next word at the limit (or at the --break).
        const unsigned address = c.end == RunEnd::Halted ? m.executed : r.upc & 0xFFFu;
        std::string text = Format("end %s\naddress %03X\ncycles %" PRIu64 "\nupc %03X\ncounter %03X\nstack %u",
                                  EndName(c.end), address, m.cycles, r.upc, r.counter, r.depth);
        for (unsigned i = 0; i < r.depth; ++i)
            text += Format(" %03X", r.stack[i]);
        text += Format("\nq %04X\nmar %04X\nir %04X\nuflag %X\nmflag %X\n", r.q, r.mar, r.ir, r.uflag, r.mflag);
        for (unsigned i = 0; i < kRegisterCount; ++i)
            text += Format("r%u %04X\n", i, r.r[i]);
        // The words the run changed: written, and not as they started.
        const bool known = initial_.size() == m.memory.size();
        for (size_t a = 0; a < kMemoryWords; ++a)
            if (m.written[a] && (!known || m.memory[a] != initial_[a]))
                text += Format("mem %04zX %04X\n", a, m.memory[a]);
        sink_.Write(text);
    }

  private:
    ReportSink &sink_;
    const ReportContext &context_;
    std::vector<uint16_t> initial_;  // the memory as the case started
};

}  // namespace

std::unique_ptr<ReportWriter> PlainStateReport(ReportSink &sink, const ReportContext &context) {
    return std::make_unique<State>(sink, context);
}

}  // namespace sim
