// What zanfo-sim says about a run: how it ended, why it stopped, the
// state of the machine, and the expectations that did not hold.
#ifndef ZANFO_SIM_REPORT_H
#define ZANFO_SIM_REPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "inputs.h"
#include "machine.h"
#include "program.h"
#include "results.h"

namespace sim {

// printf into a string (of at most 511 bytes).
std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));

// "Z.V." for a flag register holding Z and V.
std::string FlagLetters(uint8_t f);

// The microword in zanfo's notation, as zanfo-dump prints it.
// Jump targets by the source's labels.
std::string Describe(uint64_t word, const Program &program);

// The state after a run: the sequencer, Q, MAR, IR, the flags, every
// register that is not zero and every memory word a cycle wrote.
std::string StateReport(const Machine &m, const Program &program);

// How a run ended, for the first line of the state and for test cases.
std::string Cycles(uint64_t n);
std::string EndLine(const Machine &m, RunEnd end);

// Why the run stopped, for an error or the cycle limit.
// `limit` names where the cycle limit came from.
std::string StopReason(const Machine &m, RunEnd end, uint64_t maxCycles, const Program &program,
                       const std::string &limit = "--max-cycles");

// Every expectation that does not hold ("R3: expected ..., got ...").
std::vector<Mismatch> Failures(const Machine &m, const std::vector<Assignment> &expects);

// The verdict on a run that ended with `end`, its expectations checked
// unless it stopped; the case's name, line and points are the caller's.
CaseResult Judge(const Machine &m, RunEnd end, uint64_t maxCycles, const Program &program,
                 const std::vector<Assignment> &expects, const std::string &limit = "--max-cycles");

}  // namespace sim

#endif
