// zanfo-sim's command line: the options, read into one record, and the
// text of --help.
#ifndef ZANFO_SIM_OPTIONS_H
#define ZANFO_SIM_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "sim.h"

namespace sim {

constexpr uint64_t kDefaultMaxCycles = 10000000;

struct Options {
    std::string file;                 // the microprogram
    unsigned start = 0;               // --start
    std::vector<std::string> sets;    // --set, as written
    std::vector<std::string> expects; // --expect, as written
    std::vector<std::string> mems;    // --mem files, loaded in order
    std::string map;                  // --map
    std::string test;                 // --test
    bool trace = false;               // --trace
    std::vector<unsigned> breaks;     // --break
    uint64_t maxCycles = kDefaultMaxCycles;  // --max-cycles
    bool loopToAddress = false;       // --loop-to-address
    bool help = false, version = false;
};

// What --help prints.
extern const char kUsage[];

// A command-line problem: the message, a hint, exit status 2.
int UsageError(SimOutput &output, const std::string &message);

// False, with the message, when the command line is wrong.
bool ParseOptions(const std::vector<std::string> &args, Options *o, std::string *error);

}  // namespace sim

#endif
