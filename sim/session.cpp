// zanfo-sim a cycle at a time: the playground's session.
#include "session.h"

#include <deque>
#include <memory>

#include "report.h"
#include "setup.h"
#include "trace.h"

using namespace sim;

struct SimSession::Impl {
    // What one cycle changed, to undo it, and its trace line.
    struct Undo {
        Registers regs;      // before the cycle
        uint64_t cycles;     // Machine::cycles before it
        uint16_t executed;   // Machine::executed before it
        uint16_t mar;        // the memory word the cycle could write,
        uint16_t memory;     // its value before,
        uint8_t written;     // and its mark
        std::string trace;   // the cycle's trace line
    };

    Setup setup;                 // the options, the program, the machine as Open left it
    Machine machine;             // the machine now
    std::deque<Undo> history;    // the last cycles, oldest first
    bool historyWhole = true;    // false after a run: rebuilt from a checkpoint when needed
    // The machine as it was when the last two runs started: a replay starts
    // from the latest that lies far enough back instead of from the start.
    // The machine runs alike every time, so a checkpoint stays good
    // whatever steps, runs, backs and resets come after it.
    std::deque<std::unique_ptr<Machine>> checkpoints;
    Outcome last = Outcome::Ran;
    bool ended = false;

    // One cycle with its undo record.
    StepResult StepRecorded(Machine &m, std::deque<Undo> &into) {
        CycleStart start(m);
        Undo undo{m.regs, m.cycles, m.executed, start.mar, start.memory, m.written[start.mar], std::string()};
        StepResult result = m.Step();
        if (result == StepResult::Error)
            return result;
        undo.trace = TraceLine(start, m, result, setup.program);
        into.push_back(std::move(undo));
        if (into.size() > kHistory)
            into.pop_front();
        return result;
    }

    // The history of the last cycles, after a run that kept none: the
    // machine is run again from a checkpoint (or the start), fast up to the
    // last kHistory cycles and recorded from there.
    void Replay() {
        historyWhole = true;
        history.clear();
        const uint64_t target = machine.cycles;
        const uint64_t from = target > kHistory ? target - kHistory : 0;
        const Machine *start = &setup.base;
        for (const auto &c : checkpoints)
            if (c->cycles <= from && c->cycles > start->cycles)
                start = c.get();
        auto again = std::make_unique<Machine>(*start);
        for (unsigned a = 0; a < kStoreSize; ++a)
            again->SetBreakpoint(a, false);
        if (from > again->cycles)
            ::Run(*again, from);
        while (again->cycles < target && StepRecorded(*again, history) == StepResult::Ran) {
        }
        if (again->cycles != target || again->regs != machine.regs)
            history.clear();  // not the same run: nothing to go back to
    }

    RunEnd End() const {
        switch (last) {
        case Outcome::Halted: return RunEnd::Halted;
        case Outcome::Breakpoint: return RunEnd::Breakpoint;
        case Outcome::Error: return RunEnd::Error;
        default: return RunEnd::CycleLimit;
        }
    }

    Outcome Stop(Outcome outcome) {
        last = outcome;
        ended = outcome == Outcome::Halted || outcome == Outcome::Error || outcome == Outcome::CycleLimit;
        return outcome;
    }
};

SimSession::SimSession() : impl_(std::make_unique<Impl>()) {}
SimSession::~SimSession() = default;

bool SimSession::Open(const std::vector<std::string> &args, const FileReader &read, SimOutput &output,
                      int *status) {
    impl_ = std::make_unique<Impl>();
    *status = Prepare(args, read, output, impl_->setup);
    if (*status != kGoOn)
        return false;
    *status = 0;
    Reset();
    return true;
}

SimSession::Outcome SimSession::Step() {
    Impl &s = *impl_;
    if (s.ended)
        return s.last;
    if (s.machine.cycles >= s.setup.o.maxCycles)
        return s.Stop(Outcome::CycleLimit);
    switch (s.StepRecorded(s.machine, s.history)) {
    case StepResult::Ran: return s.Stop(Outcome::Ran);
    case StepResult::Halted: return s.Stop(Outcome::Halted);
    default: return s.Stop(Outcome::Error);
    }
}

SimSession::Outcome SimSession::Run(uint64_t atMost) {
    Impl &s = *impl_;
    if (s.ended || atMost == 0)
        return s.last;
    if (s.machine.At(s.machine.regs.upc).breakpoint) {  // go on from the breakpoint the run starts at
        if (Step() != Outcome::Ran || --atMost == 0)
            return s.last;
    }
    const uint64_t limit = s.setup.o.maxCycles - s.machine.cycles < atMost ? s.setup.o.maxCycles
                                                                            : s.machine.cycles + atMost;
    const uint64_t before = s.machine.cycles;
    if (s.checkpoints.empty() || s.checkpoints.back()->cycles < before) {
        s.checkpoints.push_back(std::make_unique<Machine>(s.machine));
        if (s.checkpoints.size() > 2)
            s.checkpoints.pop_front();
    }
    RunEnd end = ::Run(s.machine, limit);
    if (s.machine.cycles != before)
        s.historyWhole = false;
    switch (end) {
    case RunEnd::Halted: return s.Stop(Outcome::Halted);
    case RunEnd::Breakpoint: return s.Stop(Outcome::Breakpoint);
    case RunEnd::Error: return s.Stop(Outcome::Error);
    case RunEnd::CycleLimit:
    case RunEnd::Stopped: break;  // no watcher here
    }
    return s.Stop(s.machine.cycles >= s.setup.o.maxCycles ? Outcome::CycleLimit : Outcome::Ran);
}

bool SimSession::Back() {
    Impl &s = *impl_;
    if (!s.historyWhole)
        s.Replay();
    if (s.history.empty())
        return false;
    Impl::Undo &u = s.history.back();
    s.machine.regs = u.regs;
    s.machine.cycles = u.cycles;
    s.machine.executed = u.executed;
    s.machine.memory[u.mar] = u.memory;
    s.machine.written[u.mar] = u.written;
    s.history.pop_back();
    s.Stop(Outcome::Ran);
    return true;
}

void SimSession::Reset() {
    Impl &s = *impl_;
    s.machine = s.setup.base;
    s.history.clear();
    s.historyWhole = true;
    s.Stop(Outcome::Ran);
}

void SimSession::SetBreakpoint(unsigned address, bool on) {
    impl_->setup.base.SetBreakpoint(address, on);
    impl_->machine.SetBreakpoint(address, on);
}

const Machine &SimSession::machine() const { return impl_->machine; }
SimSession::Outcome SimSession::last() const { return impl_->last; }
bool SimSession::ended() const { return impl_->ended; }

std::string SimSession::Report() const {
    return EndLine(impl_->machine, impl_->End()) + "\n" + StateReport(impl_->machine, impl_->setup.program);
}

std::string SimSession::Message() const {
    const Impl &s = *impl_;
    if (s.last != Outcome::Error && s.last != Outcome::CycleLimit)
        return "";
    return "zanfo-sim: " + s.setup.o.file + ": " +
           StopReason(s.machine, s.End(), s.setup.o.maxCycles, s.setup.program) + "\n";
}

std::string SimSession::Trace() {
    Impl &s = *impl_;
    if (!s.historyWhole)
        s.Replay();
    std::string text;
    for (const Impl::Undo &u : s.history)
        text += u.trace;
    return text;
}

std::string SimSession::Describe(uint64_t word) const { return sim::Describe(word, impl_->setup.program); }

std::string SimSession::NamesOf(unsigned index) const { return impl_->setup.program.NamesOf(index); }
