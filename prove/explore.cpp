// Symbolic execution of a microprogram on the cycle of machine/cycle.h.
#include "explore.h"

#include <algorithm>
#include <map>

#include "cycle.h"
#include "formula.h"

namespace {

z3::expr Conjoin(const z3::expr &a, const z3::expr &b) {
    if (a.is_true())
        return b;
    return a && b;
}

// JMAP's target, chosen by the exploration for the opcodes of one branch:
// an address, or -1 for the opcodes the mapping leaves out.
struct ChosenTarget {
    int target;  // the address, or -1

    bool Target(const SymState &, uint16_t *next, MachineError &error, uint16_t address,
                const Microinstruction &) const {
        if (target >= 0) {
            *next = static_cast<uint16_t>(target);
            return true;
        }
        error.address = address;
        error.what = "JMAP: the opcode is not in the mapping";
        return false;
    }
};

// Where a state stands: what states must share to merge (μPC, R and the
// stack, and the jumps back taken), in the order they are stepped.
using Key = std::array<uint64_t, 4 + kStackDepth>;

struct Node {
    SymState state;    // where a set of paths stands
    z3::expr when;     // which inputs take one of them
    SymCycles cycles;  // the cycles they have run
    uint64_t back;     // the jumps back (to the same address or an earlier one) taken
};

Key KeyOf(const Node &n) {
    const SymState &s = n.state;
    Key key{};
    key[0] = n.back;
    key[1] = s.upc;
    key[2] = s.counter;
    key[3] = s.depth;
    for (unsigned i = 0; i < s.depth; ++i)
        key[4 + i] = s.stack[i];
    return key;
}

class Explorer {
  public:
    Explorer(const Machine &program, const Symbolic &v, uint64_t bound, Feasibility &feasible,
             Clock::time_point deadline, size_t maxStates)
        : program_(program), v_(v), bound_(bound), feasible_(feasible), deadline_(deadline),
          maxStates_(maxStates) {}

    Exploration Run(const SymState &start) {
        Add(Node{start, v_.ctx().bool_val(true), SymCycles{z3::expr(v_.ctx()), 0, 0}, 0});
        while (!frontier_.empty()) {
            if (Clock::now() > deadline_)
                return GiveUp("the time ran out after " + std::to_string(result_.states) + " states");
            if (frontier_.size() > maxStates_)
                return GiveUp(std::to_string(frontier_.size()) + " states at once");
            Node n = std::move(frontier_.begin()->second);
            frontier_.erase(frontier_.begin());
            ++result_.states;
            // The bound: a path whose count has reached it ends here.
            if (n.cycles.hi >= bound_) {
                z3::expr over = n.cycles.lo >= bound_ ? v_.ctx().bool_val(true)
                                                      : z3::uge(n.cycles.term, v_.ctx().bv_val(bound_, 32));
                End(Ending::Unbounded, Conjoin(n.when, over), n.cycles, nullptr);
                if (n.cycles.lo >= bound_)
                    continue;
                n.when = Conjoin(n.when, !over);
                n.cycles.hi = bound_ - 1;
            }
            Step(n);
        }
        for (auto &h : halted_)
            result_.endings.push_back(std::move(h.second));
        result_.complete = true;
        return std::move(result_);
    }

  private:
    Exploration GiveUp(const std::string &why) {
        result_.complete = false;
        result_.why = why;
        return std::move(result_);
    }

    SymCycles Choose(const z3::expr &when, const SymCycles &a, const SymCycles &b) const {
        if (a.known() && b.known() && a.lo == b.lo)
            return a;
        auto term = [&](const SymCycles &c) { return c.known() ? v_.ctx().bv_val(c.lo, 32) : c.term; };
        return SymCycles{z3::ite(when, term(a), term(b)), std::min(a.lo, b.lo), std::max(a.hi, b.hi)};
    }

    static SymCycles Next(const SymCycles &c) {
        if (c.known())
            return SymCycles{c.term, c.lo + 1, c.hi + 1};
        return SymCycles{c.term + 1, c.lo + 1, c.hi + 1};
    }

    void End(Ending::Kind kind, const z3::expr &when, const SymCycles &cycles, const SymState *state) {
        if (kind == Ending::Halted) {
            // The halted paths merged by where they halted.
            Node n{*state, when, cycles, 0};
            Key key = KeyOf(n);
            auto at = halted_.find(key);
            if (at != halted_.end()) {
                Ending &e = at->second;
                Merge(v_, *e.state, e.when, *state);
                e.cycles = Choose(e.when, e.cycles, cycles);
                e.when = e.when || when;
            } else {
                halted_.emplace(key, Ending{kind, when, cycles, *state});
            }
            return;
        }
        result_.endings.push_back(Ending{kind, when, cycles, std::nullopt});
    }

    // Into the frontier, merged with a state that stands where it does.
    void Add(Node &&n) {
        Key key = KeyOf(n);
        auto at = frontier_.find(key);
        if (at == frontier_.end()) {
            frontier_.emplace(key, std::move(n));
            return;
        }
        Node &into = at->second;
        Merge(v_, into.state, into.when, n.state);
        into.cycles = Choose(into.when, into.cycles, n.cycles);
        into.when = into.when || n.when;
    }

    // The sides of the test that the inputs of `when` can take.
    std::vector<std::pair<bool, z3::expr>> Sides(const Microinstruction &w, const SymState &s, const SymBool &pass,
                                                  const z3::expr &when) {
        if (!cycle::PathTests(w, s.counter))
            return {{pass.known() && pass.value, when}};
        if (pass.known())
            return {{pass.value, when}};
        std::vector<std::pair<bool, z3::expr>> sides;
        for (bool side : {true, false}) {
            z3::expr condition = Conjoin(when, side ? pass.term : !pass.term);
            if (feasible_.Possible(condition))
                sides.push_back({side, condition});
        }
        if (sides.size() == 2)
            for (const Place &p : InputsOf({pass.term}).places)
                ++result_.forks[PlaceName(p)];
        return sides;
    }

    // JMAP's targets for the IR of `s`: each with the inputs that lead there.
    std::vector<std::pair<int, z3::expr>> Targets(const SymState &s, const z3::expr &when) {
        if (s.ir.known())
            return {{program_.MapTarget(s.ir.number >> 8), when}};
        std::map<int, std::vector<unsigned>> opcodes;
        for (unsigned op = 0; op < kOpcodes; ++op)
            opcodes[program_.MapTarget(op)].push_back(op);
        std::vector<std::pair<int, z3::expr>> targets;
        z3::expr opcode = s.ir.term.extract(15, 8);
        for (const auto &t : opcodes) {
            z3::expr any = v_.ctx().bool_val(false);
            for (unsigned op : t.second)
                any = any || opcode == v_.ctx().bv_val(op, 8);
            z3::expr condition = Conjoin(when, any);
            if (feasible_.Possible(condition))
                targets.push_back({t.first, condition});
        }
        return targets;
    }

    void Step(const Node &n) {
        const SymState &s = n.state;
        const Microinstruction &w = program_.At(s.upc);
        if (w.fault != Fault::None)
            return End(Ending::Stopped, n.when, n.cycles, nullptr);
        cycle::Cycle<Symbolic> c(v_);
        c.address = s.upc & 0xFFF;
        cycle::Datapath(v_, s, s.memory, w, c);  // 2 to 7
        cycle::Test(v_, s, w, c);                // 8, the test
        for (const auto &side : Sides(w, s, c.pass, n.when)) {
            const Path &path = kSequencer[w.sequencer].paths[PathIndex(s.counter == 0, side.first)];
            std::vector<std::pair<int, z3::expr>> targets{{0, side.second}};
            if (path.next == Next::Map)
                targets = Targets(s, side.second);
            for (const auto &target : targets) {
                cycle::Cycle<Symbolic> taken = c;
                MachineError error;
                ChosenTarget map{target.first};
                if (!cycle::Sequencer<Symbolic>(s, w, side.first, map, taken, error)) {
                    End(Ending::Stopped, target.second, n.cycles, nullptr);
                    continue;
                }
                Node next{s, target.second, Next(n.cycles), n.back + (taken.next <= c.address)};
                cycle::Commit(v_, next.state, next.state.memory, w, taken);
                if (w.halt)
                    End(Ending::Halted, next.when, next.cycles, &next.state);
                else
                    Add(std::move(next));
            }
        }
    }

    const Machine &program_;
    const Symbolic &v_;
    const uint64_t bound_;
    Feasibility &feasible_;
    const Clock::time_point deadline_;
    const size_t maxStates_;
    Exploration result_;
    std::map<Key, Node> frontier_;   // the states to step, the first one first
    std::map<Key, Ending> halted_;   // the paths that have halted, by where
};

template <class T>
void MergeValue(const Symbolic &v, T &into, const z3::expr &when, const T &from) {
    into = v.Ite(when, into, from);
}

}  // namespace

Feasibility::Feasibility(z3::context &ctx, const z3::expr &assumptions, Clock::time_point deadline)
    : solver_(ctx), deadline_(deadline) {
    solver_.add(assumptions);
}

bool Feasibility::Possible(const z3::expr &condition) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
    if (left <= 0)
        return true;
    ++checks_;
    z3::params p(solver_.ctx());
    p.set("timeout", static_cast<unsigned>(std::min<long long>(left, 2000)));
    solver_.set(p);
    solver_.push();
    solver_.add(condition);
    z3::check_result r = solver_.check();
    solver_.pop();
    return r != z3::unsat;
}

void Merge(const Symbolic &v, SymState &into, const z3::expr &intoWhen, const SymState &from) {
    for (size_t i = 0; i < into.r.size(); ++i)
        MergeValue(v, into.r[i], intoWhen, from.r[i]);
    MergeValue(v, into.q, intoWhen, from.q);
    MergeValue(v, into.mar, intoWhen, from.mar);
    MergeValue(v, into.ir, intoWhen, from.ir);
    MergeValue(v, into.uflag, intoWhen, from.uflag);
    MergeValue(v, into.mflag, intoWhen, from.mflag);

    SymMemory &m = into.memory;
    const SymMemory &o = from.memory;
    if (z3::eq(m.array, o.array))
        return;  // the same writes
    if (m.exact && o.exact) {
        std::map<uint16_t, SymWord> words;
        const std::map<uint16_t, SymWord> *sides[] = {&m.words, &o.words};
        for (const auto *side : sides)
            for (const auto &w : *side) {
                if (words.count(w.first))
                    continue;
                auto a = m.words.find(w.first);
                auto b = o.words.find(w.first);
                SymWord x = a != m.words.end() ? a->second : v.InitialWord(w.first);
                SymWord y = b != o.words.end() ? b->second : v.InitialWord(w.first);
                words.emplace(w.first, v.Ite(intoWhen, x, y));
            }
        m.words = std::move(words);
    } else {
        m.exact = false;
        m.words.clear();
    }
    m.array = z3::ite(intoWhen, m.array, o.array);
}

Exploration Explore(const Machine &program, const Symbolic &v, const SymState &start, uint64_t bound,
                    Feasibility &feasible, Clock::time_point deadline, size_t maxStates) {
    Explorer explorer(program, v, bound, feasible, deadline, maxStates);
    return explorer.Run(start);
}
