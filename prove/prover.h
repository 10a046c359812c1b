// zanfo-prove's portfolio: one goal decided by the cheapest method that can.
//
//   1. Cheap search on the machine: edge values, the programs' own
//      constants and random values for the inputs that the words can read.
//   2. Symbolic execution of the cycle (explore.h), which also tells which
//      inputs the outcome depends on.
//   3. Every input run on the machine, where the assumptions and the set
//      values leave at most 2^24 of them and that is quick.
//   4. The solver (Z3) on the symbolic runs: no input breaks the goal, or
//      one that does; a while on the whole formula, then split on the
//      input that the paths fork on (cubes.h), then the whole formula again.
//   5. Every input run, with what time is left.
//   Else the verdict is unknown: the timeout ends every step.
#ifndef ZANFO_PROVE_PROVER_H
#define ZANFO_PROVE_PROVER_H

#include <cstdint>
#include <string>
#include <vector>

#include "goal.h"

constexpr uint64_t kMostInputsRun = uint64_t{1} << 24;  // inputs that running them all may prove

// Which methods the portfolio may use (the tests set them apart).
enum Method : unsigned {
    kSearch = 1,   // cheap search
    kRunAll = 2,   // every input run
    kSolver = 4,   // symbolic execution and the solver
    kAllMethods = 7,
};

struct ProveOptions {
    double timeout = 60;            // seconds for one goal
    unsigned methods = kAllMethods; // Method bits
    uint64_t seed = 1;              // of the random values
    unsigned threads = 2;           // for splitting a formula on an input
};

struct Verdict {
    enum Kind : uint8_t { Proved, Fails, Unknown };
    Kind kind = Unknown;
    // Proved.
    bool byRunning = false;       // every input ran (else the solver proved it)
    uint64_t inputsRun = 0;       // byRunning: how many met the assumptions
    bool vacuous = false;         // no input meets the assumptions
    uint64_t longest = 0;         // the longest run, in cycles
    // Fails: a counterexample, a value for every input that matters.
    std::vector<Input> inputs;     // the inputs it sets
    std::vector<uint16_t> values;  // their values, in the same order
    std::string why;               // Unknown: why
    std::string method;            // what settled it: "search", "all inputs", "solver", "split on R2"
};

Verdict Decide(const Goal &goal, const ProveOptions &options);

#endif
