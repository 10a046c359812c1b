// zanfo-prove: the whole command as a function, as zanfo-sim's RunSim is,
// so that the tests run it in process.
#ifndef ZANFO_PROVE_COMMAND_H
#define ZANFO_PROVE_COMMAND_H

#include <string>
#include <vector>

#include "sim.h"

// Exit statuses.
constexpr int kProveProved = 0;    // every property was proved
constexpr int kProveFails = 1;     // a counterexample (even if another property is unknown)
constexpr int kProveBadInput = 2;  // bad command line or input file
constexpr int kProveUnknown = 3;   // no counterexample, but a property is unknown

// Runs `zanfo-prove ARGS...` (args without the command's own name).
int RunProve(const std::vector<std::string> &args, const FileReader &read, SimOutput &output);

#endif
