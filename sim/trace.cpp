// zanfo-sim --trace.
#include "trace.h"

#include <cinttypes>

#include "report.h"

namespace sim {

std::string TraceLine(const CycleStart &before, const Machine &m, StepResult result, const Program &program) {
    const Registers &now = m.regs;
    const Registers &was = before.regs;
    std::string line = Format("%03X  ", m.executed);
    std::string notation = Describe(m.WordAt(m.executed), program);
    line += notation;
    if (notation.size() < 36)
        line.append(36 - notation.size(), ' ');
    line += Format("  -> %03X", now.upc);
    for (unsigned i = 0; i < kRegisterCount; ++i)
        if (now.r[i] != was.r[i])
            line += Format("  R%u=%04X", i, now.r[i]);
    if (now.q != was.q)
        line += Format("  Q=%04X", now.q);
    if (now.mar != was.mar)
        line += Format("  MAR=%04X", now.mar);
    if (now.ir != was.ir)
        line += Format("  IR=%04X", now.ir);
    if (m.memory[before.mar] != before.memory)
        line += Format("  MEM[%04X]=%04X", before.mar, m.memory[before.mar]);
    if (now.uflag != was.uflag)
        line += "  UFLAG=" + FlagLetters(now.uflag);
    if (now.mflag != was.mflag)
        line += "  MFLAG=" + FlagLetters(now.mflag);
    if (now.counter != was.counter)
        line += Format("  counter=%03X", now.counter);
    bool stackChanged = now.depth != was.depth;
    for (unsigned i = 0; i < now.depth && !stackChanged; ++i)
        stackChanged = now.stack[i] != was.stack[i];
    if (stackChanged) {
        line += "  stack=";
        for (unsigned i = 0; i < now.depth; ++i)
            line += Format(i ? ",%03X" : "%03X", now.stack[i]);
        if (now.depth == 0)
            line += "empty";
    }
    if (result == StepResult::Halted)
        line += "  HALT";
    return line + "\n";
}

bool StackChanged(const Registers &now, const Registers &was) {
    bool changed = now.depth != was.depth;
    for (unsigned i = 0; i < now.depth && !changed; ++i)
        changed = now.stack[i] != was.stack[i];
    return changed;
}

std::string StateTraceLine(const CycleStart &before, const Machine &m) {
    const Registers &now = m.regs;
    const Registers &was = before.regs;
    std::string line = Format("%" PRIu64 " %03X %016" PRIX64, m.cycles - 1, m.executed, m.WordAt(m.executed));
    if (now.upc != was.upc)
        line += Format(" upc=%03X", now.upc);
    if (now.counter != was.counter)
        line += Format(" counter=%03X", now.counter);
    if (StackChanged(now, was)) {
        line += Format(" stack=%u:", now.depth);
        for (unsigned i = 0; i < now.depth; ++i)
            line += Format(i ? ",%03X" : "%03X", now.stack[i]);
    }
    if (now.q != was.q)
        line += Format(" q=%04X", now.q);
    if (now.mar != was.mar)
        line += Format(" mar=%04X", now.mar);
    if (now.ir != was.ir)
        line += Format(" ir=%04X", now.ir);
    if (now.uflag != was.uflag)
        line += Format(" uflag=%X", now.uflag);
    if (now.mflag != was.mflag)
        line += Format(" mflag=%X", now.mflag);
    for (unsigned i = 0; i < kRegisterCount; ++i)
        if (now.r[i] != was.r[i])
            line += Format(" r%u=%04X", i, now.r[i]);
    if (m.memory[before.mar] != before.memory)
        line += Format(" mem[%04X]=%04X", before.mar, m.memory[before.mar]);
    return line + "\n";
}

namespace {

class Tracer : public CycleWatcher {
  public:
    Tracer(SimOutput &output, const Program &program, bool state)
        : output_(output), program_(program), state_(state) {}
    ~Tracer() override { Flush(); }

    void Before(const Machine &m) override { before_ = CycleStart(m); }

    // The run goes on while the trace can be written.
    bool After(const Machine &m, StepResult result) override {
        if (result == StepResult::Error)
            return true;
        buffer_ += state_ ? StateTraceLine(before_, m) : TraceLine(before_, m, result, program_);
        if (buffer_.size() > (1 << 16))
            Flush();
        return !output_.Failed();
    }

    void Flush() {
        if (!buffer_.empty())
            output_.Out(buffer_);
        buffer_.clear();
    }

  private:
    SimOutput &output_;
    const Program &program_;
    bool state_;  // --trace-format state
    std::string buffer_;
    CycleStart before_;
};

}  // namespace

RunEnd RunTraced(Machine &m, const Options &o, const Program &program, SimOutput &output, uint64_t maxCycles,
                 CycleWatcher *watcher) {
    if (maxCycles == 0)
        maxCycles = o.maxCycles;
    if (!o.trace)
        return Run(m, maxCycles, watcher);
    Tracer tracer(output, program, o.traceFormat == "state");
    Both both(tracer, watcher ? *watcher : tracer);
    return Run(m, maxCycles, watcher ? static_cast<CycleWatcher *>(&both) : &tracer);
}

}  // namespace sim
