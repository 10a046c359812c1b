// zanfo-sim --coverage: how often each microword ran and which way each
// conditional sequencer word went, over a run or every case of a test
// file, written as an lcov tracefile (what genhtml draws and lcov sums).
#ifndef ZANFO_SIM_COVERAGE_H
#define ZANFO_SIM_COVERAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "machine.h"
#include "program.h"
#include "sim.h"

namespace sim {

// Counts the cycles of the runs it watches, by address.
class Coverage : public CycleWatcher {
  public:
    Coverage() : runs(kStoreSize), passes(kStoreSize), fails(kStoreSize) {}
    void Before(const Machine &m) override;
    bool After(const Machine &m, StepResult result) override;  // always goes on

    std::vector<uint64_t> runs;    // cycles of the word at each address
    std::vector<uint64_t> passes;  // of those, the cycles whose test passed
    std::vector<uint64_t> fails;   // and those whose test failed

    // The tracefile's record of `program`, as the file `name`, whose store
    // `machine` holds: a BRDA line for each direction of every conditional
    // word (block: its address; branch 0: the test passed, 1: it failed), a
    // DA line for each line where a microword starts, with the runs of the
    // microwords that start there.
    std::string Record(const std::string &name, const Program &program, const Machine &machine) const;
    // "37 of 40 microwords, 11 of 14 branch directions".
    std::string Summary(const Program &program, const Machine &machine) const;

  private:
    uint16_t address_ = 0;  // of the cycle under way
    bool pass_ = false;     // its test passes
};

// The coverage of every program of a run: the tracefile, a record a
// program, and the summaries for standard error.
class CoverageFile {
  public:
    // `several`: the summaries name their programs.
    CoverageFile(const std::string &file, bool several) : file_(file), several_(several) {}
    void Add(const std::string &name, const Program &program, const Machine &machine, const Coverage &coverage);
    // Writes the file and the summaries ("coverage: 37 of 40 microwords,
    // 11 of 14 branch directions"); false, with the message shown, when the
    // file cannot be written.
    bool Write(SimOutput &output) const;

  private:
    std::string file_;        // --coverage
    bool several_;            // the run has several programs
    std::string records_;     // the tracefile
    std::string summaries_;   // the lines for standard error
};

// True when the word's next address depends on its test: the condition is
// enabled and the Am2910 instruction takes another path when it fails.
bool Conditional(const Microinstruction &w);

}  // namespace sim

#endif
