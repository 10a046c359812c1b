// Splitting a formula on one input.
#include "cubes.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "formula.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the threads share.
struct Shared {
    std::atomic<bool> stop{false};     // a thread found a value, or gave up
    std::atomic<uint64_t> settled{0};  // cubes settled
    std::mutex lock;                   // over `outcome`
    CubeOutcome outcome;               // the first Sat or GaveUp
};

// One thread's share: the values lo + first, lo + first + step, ...
class Worker {
  public:
    Worker(const z3::expr &formula, const Place &on, const std::vector<Place> &places)
        : on_(on), places_(places) {
        z3::expr_vector source(formula.ctx());
        source.push_back(formula);
        z3::expr_vector here(ctx_, source);  // the formula in this thread's own context
        formula_ = std::make_unique<z3::expr>(here[0]);
        variable_ = std::make_unique<z3::expr>(ctx_.bv_const(PlaceName(on).c_str(), PlaceMax(on) == 15 ? 4 : 16));
    }

    void Run(uint32_t lo, uint32_t hi, uint32_t first, uint32_t step, Clock::time_point deadline, Shared &shared) {
        const uint64_t total = uint64_t{hi} - lo + 1;
        const Clock::time_point begin = Clock::now();
        uint64_t mine = 0;
        z3::params simplify(ctx_);
        simplify.set("som", true);
        for (uint64_t value = uint64_t{lo} + first; value <= hi; value += step) {
            if (shared.stop)
                return;
            if (Clock::now() > deadline)
                return GiveUp(shared, "the time ran out after " + std::to_string(shared.settled.load()) + " of " +
                                          std::to_string(total) + " values of " + PlaceName(on_));
            z3::expr_vector from(ctx_), to(ctx_);
            from.push_back(*variable_);
            to.push_back(ctx_.bv_val(value, variable_->get_sort().bv_size()));
            z3::expr cube = formula_->substitute(from, to).simplify(simplify);
            if (!cube.is_false() && !Solve(cube, value, deadline, shared))
                return;
            ++mine;
            ++shared.settled;
            // After a first few cubes: would all of them fit in the time?
            if (mine == 16) {
                double each = std::chrono::duration<double>(Clock::now() - begin).count() / 16;
                double left = std::chrono::duration<double>(deadline - Clock::now()).count();
                if (each * total / step > left * 1.2)
                    return GiveUp(shared, "splitting on " + PlaceName(on_) + " would take about " +
                                              std::to_string(static_cast<long>(each * total / step) + 1) + " s");
            }
        }
    }

  private:
    void GiveUp(Shared &shared, const std::string &why) {
        std::lock_guard<std::mutex> hold(shared.lock);
        if (!shared.stop.exchange(true)) {
            shared.outcome.kind = CubeOutcome::GaveUp;
            shared.outcome.why = why;
        }
    }

    // The SAT solver on a cube the simplifier left; false when the split is over.
    bool Solve(const z3::expr &cube, uint64_t value, Clock::time_point deadline, Shared &shared) {
        z3::solver solver(ctx_);
        z3::params p(ctx_);
        double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        p.set("timeout", static_cast<unsigned>(std::max(1.0, std::min(left, 10.0) * 1000)));
        solver.set(p);
        solver.add(cube);
        z3::check_result r = solver.check();
        if (r == z3::unsat)
            return true;
        if (r == z3::unknown) {
            GiveUp(shared, "the solver could not settle " + PlaceName(on_) + " = " + std::to_string(value));
            return false;
        }
        z3::model model = solver.get_model();
        std::lock_guard<std::mutex> hold(shared.lock);
        if (shared.stop.exchange(true))
            return false;
        shared.outcome.kind = CubeOutcome::Sat;
        for (const Place &p : places_)
            shared.outcome.values.push_back(SamePlace(p, on_) ? static_cast<uint16_t>(value)
                                                              : ModelValue(model, ctx_, p));
        return false;
    }

    z3::context ctx_;
    Place on_;
    const std::vector<Place> &places_;
    std::unique_ptr<z3::expr> formula_;
    std::unique_ptr<z3::expr> variable_;
};

}  // namespace

CubeOutcome SplitOn(const z3::expr &formula, const Place &on, uint32_t lo, uint32_t hi,
                    const std::vector<Place> &places, Clock::time_point deadline, unsigned threads) {
    threads = std::max(1u, threads);
    Shared shared;
    // Every context is made, and the formula translated into it, here:
    // the source context is touched by this thread only.
    std::vector<std::unique_ptr<Worker>> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.push_back(std::make_unique<Worker>(formula, on, places));
    std::vector<std::thread> running;
    auto work = [&](unsigned t) {
        try {
            workers[t]->Run(lo, hi, t, threads, deadline, shared);
        } catch (const z3::exception &e) {  // out of memory, say: the split gives up
            std::lock_guard<std::mutex> hold(shared.lock);
            if (!shared.stop.exchange(true)) {
                shared.outcome.kind = CubeOutcome::GaveUp;
                shared.outcome.why = std::string("the solver failed: ") + e.msg();
            }
        }
    };
    for (unsigned t = 1; t < threads; ++t)
        running.emplace_back(work, t);
    work(0);
    for (std::thread &t : running)
        t.join();
    if (!shared.stop)
        shared.outcome.kind = CubeOutcome::Unsat;
    shared.outcome.cubes = shared.settled;
    return shared.outcome;
}
