// Splitting a formula on one input: each value of the input put in and the
// formula simplified, sums and shifts into sums of monomials.  For a
// routine that branches on the bits of one input (a shift-and-add multiply
// tests the multiplier's), each value leaves straight-line arithmetic, which
// the simplifier settles on its own where the SAT solver struggles: the
// 16 by 16 bit multiply is 65,536 such cubes.  A cube the simplifier does
// not settle goes to the SAT solver.
#ifndef ZANFO_PROVE_CUBES_H
#define ZANFO_PROVE_CUBES_H

#include <z3++.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "places.h"

struct CubeOutcome {
    enum Kind : uint8_t {
        Unsat,   // no value of the input satisfies the formula
        Sat,     // one does: `values`
        GaveUp,  // out of time, or a cube the solver could not settle
    };
    Kind kind = GaveUp;
    std::vector<uint16_t> values;  // Sat: a value for each of `places` (the split input's included)
    std::string why;               // GaveUp
    uint64_t cubes = 0;            // cubes settled
};

// Splits `formula` on the input `on` over lo..hi, on `threads` threads.
CubeOutcome SplitOn(const z3::expr &formula, const Place &on, uint32_t lo, uint32_t hi,
                    const std::vector<Place> &places, std::chrono::steady_clock::time_point deadline,
                    unsigned threads);

#endif
