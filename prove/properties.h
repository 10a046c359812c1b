// zanfo-prove's property files: zanfo-sim's test-file format, with
// properties in place of cases.
//
//   # a comment
//   prove NAME          a new property, named by the rest of the line
//   set NAME=VALUE ...  initial values, as in a test file
//   mem ADDR VALUE ...  memory words from ADDR on, as in a test file
//   assume EXPR         the run starts only from states where EXPR holds
//   ensure EXPR         must hold when the run halts
//   within N            the run must halt within N cycles (HALT's included)
//
// Lines before the first `prove` hold for every property.  Everything not
// set is an input: every register, Q, MAR, IR, the flag registers and every
// memory word.
#ifndef ZANFO_PROVE_PROPERTIES_H
#define ZANFO_PROVE_PROPERTIES_H

#include <cstdint>
#include <string>
#include <vector>

#include "expr.h"
#include "inputs.h"

constexpr uint64_t kDefaultWithin = 10000;  // cycles, when no `within` line says

struct Property {
    std::string name;                 // as written after "prove"
    unsigned line = 0;                // of its "prove" line
    std::vector<Assignment> sets;     // set and mem lines: the common ones first
    std::vector<Expr> assumes;        // every one must hold at the start
    std::vector<Expr> ensures;        // every one must hold at the HALT
    uint64_t within = kDefaultWithin; // the bound of the run in cycles
};

// Reads a property file; every problem is reported as "NAME:LINE: message".
// `within` is the bound before any `within` line.
bool ParsePropertyFile(const std::string &name, const std::string &text, const Equates &equates,
                       uint64_t within, std::vector<Property> *properties, std::vector<std::string> *problems);

// A bound of a run in cycles, from 1 up ("within N", --within).
bool ParseCycleBound(const std::string &text, uint64_t *bound, std::string *error);

#endif
