// zanfo-sim --test: the cases of a test file, each run from the same
// machine with its own sets, and a line for each with its verdict.
#ifndef ZANFO_SIM_CASES_H
#define ZANFO_SIM_CASES_H

#include "setup.h"
#include "sim.h"

namespace sim {

// Reads every program of `o.files` and the test file of `o.test`, runs
// every case on every program that loads and reports them; the exit
// status, the highest of the programs'.  A program that cannot be read,
// assembled or loaded, or whose names the test file or the command line
// use but it lacks, is an error of its own (3): its cases do not run, and
// the others' do.  Problems that every program has are the command
// line's or the test file's (2).
int RunTestFile(const Options &o, const FileReader &read, SimOutput &output);

}  // namespace sim

#endif
