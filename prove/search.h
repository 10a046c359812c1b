// The concrete half of zanfo-prove's portfolio: which inputs a goal reads,
// the cheap search for a counterexample (edge values, the program's own
// constants, random values) and the run of every input where there are
// few enough.
#ifndef ZANFO_PROVE_SEARCH_H
#define ZANFO_PROVE_SEARCH_H

#include <chrono>
#include <cstdint>
#include <vector>

#include "goal.h"
#include "trials.h"

// The places the programs' words and the goal's expressions can read at
// the start that are not fixed: every register a word names (R0..R15 for
// an IR field), Q, MAR, IR, the flag registers a test or the D bus reads,
// and the memory words the expressions name.
std::vector<Input> StaticInputs(const Goal &goal);

// Narrows the inputs' ranges by the assumptions that say so plainly: a
// comparison of a name with a number, alone or joined by &&.
void Narrow(const std::vector<Expr> &assumes, std::vector<Input> *inputs);

// How many inputs the ranges leave, up to 2^63.
uint64_t Count(const std::vector<Input> &inputs);

// The numbers the programs load or put on the bus, and the numbers of the
// goal's expressions: the values a hidden special case compares with.
std::vector<uint32_t> Constants(const Goal &goal);

struct SearchResult {
    bool found = false;             // a counterexample: `values`
    std::vector<uint16_t> values;   // one per input
    bool complete = false;          // Exhaust: every input ran
    uint64_t trials = 0;            // runs tried (those the assumptions excluded too)
    uint64_t ran = 0;               // runs that met the assumptions
    uint64_t longest = 0;           // the longest of them, in cycles
    uint64_t cycles = 0;            // cycles run in all
};

// Edge values, the constants and random values, for at most `maxTrials`
// runs or until `deadline`; the same `seed` tries the same values.
SearchResult Search(Trials &trials, const std::vector<Input> &inputs, const std::vector<uint32_t> &constants,
                    uint64_t maxTrials, uint64_t seed, std::chrono::steady_clock::time_point deadline);

// Every input in the ranges, until `deadline`.
SearchResult Exhaust(Trials &trials, const std::vector<Input> &inputs,
                     std::chrono::steady_clock::time_point deadline);

#endif
