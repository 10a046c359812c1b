// zanfo-prove's portfolio.
#include "prover.h"

#include <algorithm>
#include <map>
#include <thread>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "cubes.h"
#include "explore.h"
#include "formula.h"
#include "search.h"
#include "symbolic.h"
#include "trials.h"

namespace {

// ZANFO_PROVE_DEBUG=1 in the environment: what each step took, on standard error.
void Note(const char *what, Clock::time_point since, const std::string &more = "") {
    static const bool on = getenv("ZANFO_PROVE_DEBUG") != nullptr;
    if (on)
        fprintf(stderr, "zanfo-prove: %s: %.3f s %s\n", what,
                std::chrono::duration<double>(Clock::now() - since).count(), more.c_str());
}

Clock::time_point After(Clock::time_point from, double seconds) {
    return from + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

double Left(Clock::time_point deadline) {
    return std::chrono::duration<double>(deadline - Clock::now()).count();
}

constexpr uint64_t kSearchTrials = 20000;  // runs of the cheap search
constexpr double kRate = 5e7;              // cycles a second, with each run's set-up, for estimates

// The symbolic side of a goal: the start state, the runs of the program (and
// of the reference), and the formula of a counterexample.
class SymbolicSide {
  public:
    explicit SymbolicSide(const Goal &goal) : goal_(goal), initial_(ctx_), assumption_(ctx_), bad_(ctx_) {}

    // Runs the programs symbolically; false when they could not be run through.
    bool Explore(Clock::time_point deadline, std::string *why) {
        start_.emplace(StartState(ctx_, *goal_.program, goal_.fixed, &initial_));
        v_ = std::make_unique<Symbolic>(ctx_, initial_);
        assumption_ = ctx_.bool_val(true);
        for (const Expr &e : goal_.assumes)
            assumption_ = assumption_ && Holds(e, *v_, *start_, *start_);
        Feasibility feasible(ctx_, assumption_, deadline);
        std::vector<std::pair<std::optional<SymState>, z3::expr>> finals;
        for (const Machine *m : {goal_.program, goal_.reference}) {
            if (!m)
                continue;
            SymState start = *start_;
            start.upc = m->regs.upc;
            Exploration e = ::Explore(*m, *v_, start, goal_.within, feasible, deadline);
            if (!e.complete) {
                *why = "symbolic execution gave up: " + e.why;
                return false;
            }
            for (const Ending &end : e.endings)
                if (end.kind == Ending::Halted)
                    halts_.push_back(end);
            for (const auto &f : e.forks)
                forks_[f.first] += f.second;
            finals.push_back(Final(e));
        }
        // A counterexample: the run does not halt, or the property does not hold at the end.
        bad_ = ctx_.bool_val(false);
        for (const auto &f : finals)
            bad_ = bad_ || !f.second;
        if (!goal_.reference) {
            if (finals[0].first)
                for (const Expr &e : goal_.ensures)
                    bad_ = bad_ || !Holds(e, *v_, *start_, *finals[0].first);
        } else if (finals[0].first && finals[1].first) {
            TermValues p(*v_, *start_, *finals[0].first), r(*v_, *start_, *finals[1].first);
            for (const Place &place : goal_.compared)
                bad_ = bad_ || p.Read(place, false).term != r.Read(place, false).term;  // both 16 or 4 bits
        }
        inputs_ = InputsOf({assumption_, bad_});
        for (const Place &p : inputs_.places) {
            if (goal_.fixed.Has(p))
                continue;
            Input in;
            in.place = p;
            in.place.name = PlaceName(p);
            in.hi = PlaceMax(p);
            ranged_.push_back(in);
        }
        Narrow(goal_.assumes, &ranged_);
        return true;
    }

    // The inputs the outcome depends on, when the memory is not read at
    // addresses that depend on them.
    bool Inputs(std::vector<Input> *inputs) const {
        if (inputs_.anyWord)
            return false;
        inputs->clear();
        for (const Place &p : inputs_.places) {
            if (goal_.fixed.Has(p))
                continue;
            Input in;
            in.place = p;
            in.place.name = PlaceName(p);
            in.hi = PlaceMax(p);
            inputs->push_back(in);
        }
        return true;
    }

    // The solver on the formula of a counterexample, until `deadline`.
    Verdict Solve(Clock::time_point deadline) {
        Verdict verdict;
        z3::solver solver(ctx_);
        SetTimeout(solver, deadline);
        solver.add(assumption_ && bad_);
        if (const char *dump = getenv("ZANFO_PROVE_SMT2")) {
            if (FILE *f = fopen(dump, "w")) {
                fputs(solver.to_smt2().c_str(), f);
                fclose(f);
            }
        }
        z3::check_result r = solver.check();
        if (r == z3::unknown) {
            verdict.why = "the solver gave up: " + solver.reason_unknown();
            return verdict;
        }
        verdict.method = "solver";
        if (r == z3::unsat) {
            verdict.kind = Verdict::Proved;
            verdict.longest = Longest(deadline, &verdict.vacuous);
            return verdict;
        }
        z3::model model = solver.get_model();
        for (const Place &p : inputs_.places)
            if (!goal_.fixed.Has(p))
                AddInput(&verdict, p, ModelValue(model, ctx_, p));
        for (uint16_t address : ModelAddresses(model, {assumption_, bad_})) {
            Place p;
            p.kind = Place::Memory;
            p.index = address;
            if (!goal_.fixed.Has(p))
                AddInput(&verdict, p, ModelValue(model, ctx_, p));
        }
        verdict.kind = Verdict::Fails;
        return verdict;
    }

    // Whether some input that the paths fork on has at most 2^16 values.
    bool CanSplit() const { return SplitInput() != nullptr; }

    // The formula split on that input, each value a cube of its own.
    Verdict Split(Clock::time_point deadline, unsigned threads) {
        Verdict verdict;
        const Input *on = SplitInput();
        std::vector<Place> places;
        for (const Input &in : ranged_)
            places.push_back(in.place);
        CubeOutcome o = SplitOn(assumption_ && bad_, on->place, on->lo, on->hi, places, deadline, threads);
        verdict.method = "split on " + PlaceName(on->place);
        if (o.kind == CubeOutcome::GaveUp) {
            verdict.why = o.why;
        } else if (o.kind == CubeOutcome::Unsat) {
            verdict.kind = Verdict::Proved;
            verdict.longest = Longest(deadline, &verdict.vacuous);
        } else {
            verdict.kind = Verdict::Fails;
            for (size_t i = 0; i < places.size(); ++i)
                AddInput(&verdict, places[i], o.values[i]);
        }
        return verdict;
    }

  private:
    // The input the paths fork on most, of those with at most 2^16 values.
    const Input *SplitInput() const {
        const Input *best = nullptr;
        unsigned most = 0;
        for (const Input &in : ranged_) {
            auto forks = forks_.find(PlaceName(in.place));
            if (forks == forks_.end() || in.lo > in.hi || in.hi - in.lo >= 0x10000 || forks->second <= most)
                continue;
            best = &in;
            most = forks->second;
        }
        return best;
    }

    static void AddInput(Verdict *verdict, const Place &p, uint16_t value) {
        for (const Input &in : verdict->inputs)
            if (SamePlace(in.place, p))
                return;
        Input in;
        in.place = p;
        in.place.name = PlaceName(p);
        in.hi = PlaceMax(p);
        verdict->inputs.push_back(in);
        verdict->values.push_back(value);
    }

    void SetTimeout(z3::solver &solver, Clock::time_point deadline) {
        z3::params p(ctx_);
        p.set("timeout", static_cast<unsigned>(std::max(1.0, Left(deadline) * 1000)));
        solver.set(p);
    }

    // The halted endings of a run as one state, each value as the path
    // conditions choose it, and the condition that the run halts.
    std::pair<std::optional<SymState>, z3::expr> Final(const Exploration &e) {
        std::optional<SymState> final;
        z3::expr halts = ctx_.bool_val(false);
        for (const Ending &end : e.endings) {
            if (end.kind != Ending::Halted)
                continue;
            if (!final)
                final = *end.state;
            else
                Merge(*v_, *final, halts, *end.state);
            halts = halts || end.when;
        }
        return {final, halts};
    }

    // The longest run that the assumptions allow, by halving the range of
    // the halted paths' count; `vacuous` when no input meets them.
    uint64_t Longest(Clock::time_point deadline, bool *vacuous) {
        z3::solver solver(ctx_);
        solver.add(assumption_);
        uint64_t longest = 0;
        bool any = false;
        for (const Ending &e : halts_) {
            auto possible = [&](uint64_t atLeast) {
                SetTimeout(solver, std::min(deadline, After(Clock::now(), 2.0)));
                solver.push();
                solver.add(e.when);
                if (!e.cycles.known())
                    solver.add(z3::uge(e.cycles.term, ctx_.bv_val(atLeast, 32)));
                z3::check_result r = solver.check();
                solver.pop();
                return r != z3::unsat;  // possible, or not shown impossible: a bound all the same
            };
            if (!possible(e.cycles.lo))
                continue;
            any = true;
            uint64_t lo = e.cycles.lo, hi = e.cycles.hi;  // lo is possible; is anything above?
            while (lo < hi) {
                uint64_t mid = lo + (hi - lo + 1) / 2;
                if (possible(mid))
                    lo = mid;
                else
                    hi = mid - 1;
            }
            longest = std::max(longest, lo);
        }
        *vacuous = !any;
        return longest;
    }

    const Goal &goal_;
    z3::context ctx_;
    InitialMemory initial_;
    std::optional<SymState> start_;
    std::unique_ptr<Symbolic> v_;
    z3::expr assumption_;   // the assumptions, on the start state
    z3::expr bad_;          // a counterexample, given the assumptions
    FormulaInputs inputs_;  // what the two read
    std::vector<Input> ranged_;  // the inputs among them, with the ranges the assumptions leave
    std::map<std::string, unsigned> forks_;  // the inputs the paths forked on, and how often
    std::vector<Ending> halts_;
};

// A counterexample with the inputs it does not need left out: each input in
// turn is put to 0 (what zanfo-sim starts from) and dropped when the run
// still fails.
Verdict Found(const Goal &goal, const std::vector<Input> &inputs, const std::vector<uint16_t> &values,
              const char *method, Clock::time_point deadline) {
    Verdict v;
    v.kind = Verdict::Fails;
    v.inputs = inputs;
    v.values = values;
    v.method = method;
    for (size_t i = v.inputs.size(); i-- > 0;) {
        std::vector<Input> fewer = v.inputs;
        std::vector<uint16_t> values = v.values;
        fewer.erase(fewer.begin() + static_cast<long>(i));
        values.erase(values.begin() + static_cast<long>(i));
        Trials trials(goal, fewer);
        trials.SetDeadline(deadline);  // a run cut short keeps the input
        if (v.values[i] == 0 || trials.Run(values.data()).kind == Trial::Fails) {
            v.inputs = fewer;
            v.values = values;
        }
    }
    return v;
}

Verdict AllRun(const SearchResult &r) {
    Verdict v;
    v.kind = Verdict::Proved;
    v.byRunning = true;
    v.inputsRun = r.ran;
    v.vacuous = r.ran == 0;
    v.longest = r.longest;
    v.method = "all inputs";
    return v;
}

}  // namespace

Verdict Decide(const Goal &goal, const ProveOptions &options) {
    const Clock::time_point begin = Clock::now();
    const Clock::time_point deadline = After(begin, options.timeout);
    std::vector<Input> inputs = StaticInputs(goal);
    Narrow(goal.assumes, &inputs);
    // Without the symbolic runs, the inputs above are all there is to vary
    // only when no word reads the memory at MAR.
    bool runnable = !goal.program->AnyWord(ReadsMemory) && !(goal.reference && goal.reference->AnyWord(ReadsMemory));
    double cyclesPerRun = 100;

    // 1. Cheap search.
    if (options.methods & kSearch) {
        Trials trials(goal, inputs);
        SearchResult r = Search(trials, inputs, Constants(goal), kSearchTrials, options.seed,
                                After(begin, options.timeout * 0.15));
        Note("search", begin, std::to_string(r.trials) + " runs");
        if (r.found)
            return Found(goal, inputs, r.values, "search", deadline);
        if (r.ran)
            cyclesPerRun = std::max(1.0, static_cast<double>(r.cycles) / r.ran);
    }

    // 2. Symbolic execution, for the solver and for the inputs that matter.
    std::string why;
    SymbolicSide side(goal);
    bool explored = false;
    try {
        explored = side.Explore(After(Clock::now(), Left(deadline) * 0.5), &why);
    } catch (const z3::exception &e) {
        why = std::string("the solver failed: ") + e.msg();
    }
    Note("symbolic execution", begin, why);
    if (explored) {
        runnable = side.Inputs(&inputs);
        Narrow(goal.assumes, &inputs);
    }
    const uint64_t count = Count(inputs);
    runnable = runnable && count <= kMostInputsRun && (options.methods & kRunAll);
    const double runAllSeconds = count * (cyclesPerRun / kRate + 2e-7);

    // 3. Every input, when that is quick.
    auto runAll = [&](Clock::time_point until, Verdict *verdict) {
        Trials trials(goal, inputs);
        SearchResult r = Exhaust(trials, inputs, until);
        if (r.found)
            *verdict = Found(goal, inputs, r.values, "all inputs", deadline);
        else if (r.complete)
            *verdict = AllRun(r);
        else
            return false;
        return true;
    };
    Verdict verdict;
    if (runnable && runAllSeconds < std::min(2.0, Left(deadline) * 0.3) && runAll(deadline, &verdict))
        return verdict;

    // 4. The solver: a while on the whole formula, then split on the input
    // the paths fork on most, then the whole formula with the time left.
    if (explored && (options.methods & kSolver)) {
        Clock::time_point until = deadline;
        if (runnable && runAllSeconds < Left(deadline))
            until = After(Clock::now(), Left(deadline) - runAllSeconds * 1.5);
        try {
            for (int step = 0; step < 3 && Left(until) > 0; ++step) {
                if (step == 0)
                    verdict = side.Solve(std::min(until, After(Clock::now(), std::min(2.0, std::max(0.5, Left(until) * 0.1)))));
                else if (step == 1 && side.CanSplit())
                    verdict = side.Split(until, options.threads);
                else if (step == 2)
                    verdict = side.Solve(until);
                else
                    continue;
                Note(step == 1 ? "split" : "solver", begin, verdict.why);
                if (verdict.kind == Verdict::Fails) {
                    // The machine has the last word: the counterexample must fail there too.
                    Trials replay(goal, verdict.inputs);
                    if (replay.Run(verdict.values.data()).kind == Trial::Fails)
                        return Found(goal, verdict.inputs, verdict.values, verdict.method.c_str(), deadline);
                    verdict = Verdict();
                    verdict.why = "the solver's counterexample does not fail on the machine (a fault of zanfo-prove)";
                    return verdict;
                }
                if (verdict.kind == Verdict::Proved)
                    return verdict;
                why = verdict.why;
            }
        } catch (const z3::exception &e) {
            why = std::string("the solver failed: ") + e.msg();
        }
    } else if (!(options.methods & kSolver)) {
        why = "the solver was not asked";
    }

    // 5. Every input, with the time left.
    if (runnable && runAll(deadline, &verdict))
        return verdict;
    // The solver may have had no time of its own (running all seemed
    // quicker) and left no reason: the next joins without a "; " then.
    const std::string also = why.empty() ? "" : "; ";
    if (runnable)
        why += also + "running all " + std::to_string(count) + " inputs did not finish";
    else if (count > kMostInputsRun && count < (uint64_t{1} << 63))
        why += also + std::to_string(count) + " inputs are too many to run them all";
    verdict = Verdict();
    verdict.why = why.empty() ? "no method could decide" : why;
    return verdict;
}
