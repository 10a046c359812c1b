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
    std::string file;                 // the microprogram (the first, with --test)
    std::vector<std::string> files;   // every microprogram: several with --test
    unsigned start = 0;               // --start
    std::vector<std::string> sets;    // --set, as written
    std::vector<std::string> expects; // --expect, as written
    std::vector<std::string> mems;    // --mem files, loaded in order
    std::string map;                  // --map
    std::string test;                 // --test
    bool trace = false;               // --trace
    std::string traceFormat = "text"; // --trace-format: text, or state (the testbench's)
    std::string vcd;                  // --vcd: the waveform's file, or ""
    std::vector<unsigned> breaks;     // --break
    uint64_t maxCycles = kDefaultMaxCycles;  // --max-cycles
    bool loopToAddress = false;       // --loop-to-address
    std::string report = "text";      // --report: a format of kReportFormats
    std::string output;               // -o: the report's file; "" standard output
    std::string coverage;             // --coverage: the lcov tracefile to write, or ""
    std::string reference;            // --reference: the program the other is tested against
    uint64_t random = 0;              // --random: random cases after the edge cases
    bool randomGiven = false;         // --random was given
    uint64_t seed = 1;                // --seed
    std::vector<std::string> vary;    // --vary, one name or range each (lists split)
    std::vector<std::string> compare; // --compare, likewise
    uint64_t show = 3;                // --show: differences shown; the search stops at the last
    bool help = false, version = false;
};

// What --help prints.
std::string Usage();

// A command-line problem: the message, a hint, exit status 2.
int UsageError(SimOutput &output, const std::string &message);

// The options that say what a run starts from, which zanfo-prove reads as
// zanfo-sim does: --start, --set, --mem, --map and --loop-to-address.  True
// when `name` is one of them, read into `o` (a bad value sets `error`);
// false for any other option.
bool StartOption(const std::string &name, const std::string &value, Options *o, std::string *error);

// False, with the message, when the command line is wrong.
bool ParseOptions(const std::vector<std::string> &args, Options *o, std::string *error);

}  // namespace sim

#endif
