// What zanfo-prove prints for a verdict: one line, and for a counterexample
// the test-file case that makes zanfo-sim fail the same way.
#ifndef ZANFO_PROVE_VERDICT_TEXT_H
#define ZANFO_PROVE_VERDICT_TEXT_H

#include <cstdint>
#include <string>

#include "goal.h"
#include "prover.h"

// "proved NAME (...)", "FAIL NAME: ..." with its case, or "unknown NAME: ...";
// each line ended by "\n", and a counterexample's case by a blank line.
std::string VerdictText(const Goal &goal, const Verdict &verdict);

// 16777216 as "16,777,216".
std::string Grouped(uint64_t n);

#endif
