// Runs on zanfo-sim's machine for chosen values of the inputs.
#include "trials.h"

NumberValues::Value NumberValues::Read(const Place &p, bool old) const {
    const Registers &r = old ? start_ : end_;
    switch (p.kind) {
    case Place::Register: return r.r[p.index];
    case Place::Q: return r.q;
    case Place::Mar: return r.mar;
    case Place::Ir: return r.ir;
    case Place::Uflag: return r.uflag;
    case Place::Mflag: return r.mflag;
    case Place::Memory: return ReadMemory(p.index, old);
    }
    return 0;
}

NumberValues::Value NumberValues::ReadMemory(Value address, bool old) const {
    const uint16_t a = static_cast<uint16_t>(address);
    if (!old)
        return endMemory_[a];
    for (const auto &w : words_)
        if (w.first == a)
            return w.second;
    return startMemory_[a];
}

Trials::Trials(const Goal &goal, const std::vector<Input> &inputs)
    : goal_(goal), inputs_(inputs), program_(*goal.program) {
    if (goal.reference)
        reference_ = std::make_unique<sim::CaseMachine>(*goal.reference);
}

Trials::~Trials() = default;

Machine &Trials::Start(sim::CaseMachine &side, const uint16_t *values) {
    Machine &m = side.Fresh();
    for (size_t i = 0; i < inputs_.size(); ++i)
        side.Set(inputs_[i].place, values[i]);
    return m;
}

bool Trials::Assumed(const Machine &m, const uint16_t *values) {
    words_.clear();
    for (size_t i = 0; i < inputs_.size(); ++i)
        if (inputs_[i].place.kind == Place::Memory)
            words_.push_back({static_cast<uint16_t>(inputs_[i].place.index), values[i]});
    start_ = m.regs;
    NumberValues before(start_, m.memory.data(), words_, start_, m.memory.data());
    for (const Expr &e : goal_.assumes)
        if (!Evaluate(e, before))
            return false;
    return true;
}

// A run to the bound, a slice at a time so that the deadline is seen.
RunEnd Trials::RunFor(Machine &m, bool *late) {
    constexpr uint64_t kSlice = uint64_t{1} << 22;
    while (true) {
        uint64_t until = goal_.within - m.cycles > kSlice ? m.cycles + kSlice : goal_.within;
        RunEnd end = ::Run(m, until);
        if (end != RunEnd::CycleLimit || m.cycles >= goal_.within)
            return end;
        if (std::chrono::steady_clock::now() > deadline_) {
            *late = true;
            return end;
        }
    }
}

Trial Trials::Run(const uint16_t *values) {
    Trial t;
    Machine &m = Start(program_, values);
    if (!Assumed(m, values))
        return t;
    bool late = false;
    RunEnd end = RunFor(m, &late);
    t.cycles = m.cycles;
    t.kind = late ? Trial::Late : Trial::Fails;
    bool holds = end == RunEnd::Halted;
    if (holds && !goal_.reference) {
        NumberValues after(start_, goal_.program->memory.data(), words_, m.regs, m.memory.data());
        for (const Expr &e : goal_.ensures)
            holds = holds && Evaluate(e, after) != 0;
    } else if (holds) {
        Machine &r = Start(*reference_, values);
        holds = RunFor(r, &late) == RunEnd::Halted;
        if (late)
            t.kind = Trial::Late;
        t.cycles = std::max(t.cycles, r.cycles);
        for (const Place &p : goal_.compared)
            holds = holds && ReadPlace(m, p) == ReadPlace(r, p);
    }
    if (holds && t.kind != Trial::Late)
        t.kind = Trial::Holds;
    if (late)
        t.kind = Trial::Late;
    return t;
}
