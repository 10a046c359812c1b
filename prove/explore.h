// Symbolic execution of a microprogram: the cycle of machine/cycle.h run on
// the solver's terms (symbolic.h), from a start state whose free places are
// variables, until every path has halted, stopped on an error or reached
// the bound.
//
// Where the test of a word depends on the inputs, the run forks, each side
// under its path condition (a side the solver finds impossible under the
// assumptions is dropped); JMAP forks by the IR's opcode.  Paths meet
// again: states at the same sequencer state (μPC, R, the stack) merge into
// one, their values chosen by the path conditions, so that a data-dependent
// branch inside a counted loop costs a state or two per round, not a
// doubling.  For them to meet, the states are stepped in order of how many
// jumps back they have taken and then of μPC: every step raises that pair,
// so the state that lags behind in a loop's round always moves first, and
// a branch that skips a word waits at the join for the one that does not.
// The cycle count of a merged state is a term too: the bound cuts each
// path where its own count reaches it.
#ifndef ZANFO_PROVE_EXPLORE_H
#define ZANFO_PROVE_EXPLORE_H

#include <z3++.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "machine.h"
#include "symbolic.h"

using Clock = std::chrono::steady_clock;

// Whether a condition can hold together with the assumptions: the solver,
// within a share of the time left.
class Feasibility {
  public:
    Feasibility(z3::context &ctx, const z3::expr &assumptions, Clock::time_point deadline);
    // False only when the solver shows that `condition` cannot hold.
    bool Possible(const z3::expr &condition);
    unsigned checks() const { return checks_; }

  private:
    z3::solver solver_;           // with the assumptions, a check pushed on top
    Clock::time_point deadline_;  // no check goes past it
    unsigned checks_ = 0;         // checks made
};

// A count of cycles: a number, or a term of 32 bits between lo and hi.
struct SymCycles {
    z3::expr term;    // null when lo == hi
    uint64_t lo = 0;  // the fewest cycles
    uint64_t hi = 0;  // the most

    bool known() const { return static_cast<Z3_ast>(term) == nullptr; }
};

// How a path of the run ends.
struct Ending {
    enum Kind : uint8_t {
        Halted,     // a HALT word ran
        Stopped,    // an error stopped the run (empty address, stack, mapping, CJV, unmodelled field)
        Unbounded,  // the bound was reached without a HALT
    };
    Kind kind;           // how
    z3::expr when;       // the path condition: the inputs that end this way
    SymCycles cycles;    // Halted: the cycles run, the HALT cycle included
    std::optional<SymState> state;  // Halted: the final state
};

struct Exploration {
    std::vector<Ending> endings;  // every way the run can end
    bool complete = false;        // false: given up, and `endings` are not all
    std::string why;              // why it was given up
    uint64_t states = 0;          // states stepped, for the curious
    std::map<std::string, unsigned> forks;  // how many forks each input's variable took part in
};

// Runs `program` (its store, mapping and μPC) from `start` for at most
// `bound` cycles.  The run gives up at `deadline` or when more than
// `maxStates` states are alive at once.  The Halted paths that halt at the
// same sequencer state end in one Ending; Stopped and Unbounded paths in as
// many as they happen to.
Exploration Explore(const Machine &program, const Symbolic &v, const SymState &start, uint64_t bound,
                    Feasibility &feasible, Clock::time_point deadline, size_t maxStates = 4096);

// One state merged into another that has reached the same sequencer state:
// `into` holds where `intoWhen` held, `from` where `fromWhen` did.
void Merge(const Symbolic &v, SymState &into, const z3::expr &intoWhen, const SymState &from);

#endif
