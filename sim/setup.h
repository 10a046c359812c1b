// What a run of zanfo-sim starts from: the command line read, the program
// loaded and the machine prepared, for the command and for a session alike.
#ifndef ZANFO_SIM_SETUP_H
#define ZANFO_SIM_SETUP_H

#include <string>
#include <vector>

#include "inputs.h"
#include "machine.h"
#include "options.h"
#include "program.h"
#include "sim.h"

namespace sim {

// Everything a run starts from: the options, the program, the expectations
// of the command line and the machine with its store, memory, mapping and
// registers loaded.
struct Setup {
    Options o;                        // the command line
    Program program;                  // the microprogram and its names
    std::vector<Assignment> expects;  // --expect
    Machine base;                     // as the run starts
};

constexpr int kGoOn = -1;  // Prepare's "nothing stops the run"

// Reads the command line and every input but the test file into `s`.
// Returns kGoOn, or the exit status when there is nothing to run (--help,
// --version, or a problem, shown on `output`).
int Prepare(const std::vector<std::string> &args, const FileReader &read, SimOutput &output, Setup &s);

}  // namespace sim

#endif
