// zanfo-sim --reference REF --random N --vary NAME --compare NAME PROG:
// runs PROG and a reference program from the same initial states, the
// varied names at their edge values first and then drawn at random, and
// shows the first cases where the compared names end different (or PROG
// does not halt) as test-file cases that expect the reference's values.
#ifndef ZANFO_SIM_REFERENCE_H
#define ZANFO_SIM_REFERENCE_H

#include <cstdint>
#include <string>
#include <vector>

#include "options.h"
#include "sim.h"

namespace sim {

// The exit status: 0 no difference, 1 a difference, 2 a bad command line
// or reference, 3 the reference stopped on an error or at the cycle limit,
// or PROG cannot be read or assembled.
int RunReference(const Options &o, const FileReader &read, SimOutput &output);

constexpr size_t kMaxEdgeCases = 1000;  // edge combinations at most, before the random cases

// The edge values of a range, ascending: 0, 1, 0x7FFF, 0x8000 and 0xFFFF
// where the range holds them, and its ends.
std::vector<uint16_t> EdgeValues(uint32_t lo, uint32_t hi);

// The edge cases of names with these edge values: each value of a lone
// name; for several, every pair of values of every pair of names, the
// others at their first edge value; no case twice, at most kMaxEdgeCases.
// Each case holds a value a name.
std::vector<std::vector<uint16_t>> EdgeCases(const std::vector<std::vector<uint16_t>> &edges);

}  // namespace sim

#endif
