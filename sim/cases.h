// zanfo-sim --test: the cases of a test file, each run from the same
// machine with its own sets, and a line for each with its verdict.
#ifndef ZANFO_SIM_CASES_H
#define ZANFO_SIM_CASES_H

#include "setup.h"
#include "sim.h"

namespace sim {

// Reads the test file of `s.o.test` and runs its cases; the exit status.
int RunTestFile(const Setup &s, const FileReader &read, SimOutput &output);

}  // namespace sim

#endif
