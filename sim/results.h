// What came of a run of zanfo-sim, case by case and program by program:
// what every report format writes out.
#ifndef ZANFO_SIM_RESULTS_H
#define ZANFO_SIM_RESULTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "machine.h"

namespace sim {

// An expectation that did not hold.
struct Mismatch {
    std::string name;   // the place as the expectation names it
    uint16_t expected;  // the value expected
    uint16_t got;       // the value found
    std::string text;   // "total: expected 0x0007 (7), got 0x0006 (6)"
};

// How a case came out.
enum class Verdict : uint8_t {
    Ok,     // the run halted (or reached a --break) and every expectation held
    Fail,   // an expectation did not hold
    Error,  // the run stopped on an error or at the cycle limit
};

struct CaseResult {
    std::string name;                 // after "case"; "" for a plain run
    unsigned line = 0;                // of its "case" line; 0 for a plain run
    Verdict verdict = Verdict::Ok;
    RunEnd end = RunEnd::Halted;      // how the run ended
    uint64_t cycles = 0;              // cycles run, the HALT cycle included
    uint64_t maxCycles = 0;           // the cycle limit it ran under
    std::string endLine;              // "halted at 004 after 11 cycles"
    std::string stop;                 // Verdict::Error: why the run stopped
    unsigned expectations = 0;        // how many were checked
    std::vector<Mismatch> failures;   // those that did not hold
    unsigned points = 1;              // its weight
    bool ran = true;                  // false: its program did not run (see ProgramResult::problem)
};

// A program and its cases.
struct ProgramResult {
    std::string file;                   // as named on the command line
    bool assembled = false;             // it was read (and assembled)
    std::string problem;                // why it did not run ("the source does not assemble"), or ""
    std::vector<std::string> messages;  // zanfo's and the loader's, one line each, as on standard error
    std::vector<CaseResult> cases;      // in the order of the test file
    unsigned score = 0;                 // the points of the cases that passed
    unsigned maxScore = 0;              // the points of every case
    int status = 0;                     // its exit status: 0, 1 or 3
};

}  // namespace sim

#endif
