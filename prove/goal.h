// What zanfo-prove decides: a property of one program, or that a program
// ends with the same values as a reference for every input.
#ifndef ZANFO_PROVE_GOAL_H
#define ZANFO_PROVE_GOAL_H

#include <cstdint>
#include <string>
#include <vector>

#include "expr.h"
#include "machine.h"
#include "places.h"

struct Goal {
    std::string name;             // the property's name (an equivalence's, made up)
    std::vector<Expr> assumes;    // every one must hold at the start
    std::vector<Expr> ensures;    // a property: every one must hold at the HALT
    uint64_t within = 10000;      // each run must halt within this many cycles
    std::vector<Place> compared;  // an equivalence: the places that must end equal
    const Machine *program = nullptr;    // the store, mapping and μPC, with the fixed values set
    const Machine *reference = nullptr;  // an equivalence's reference, set alike; null for a property
    Fixed fixed;                  // which places are fixed; every other one is an input
    std::vector<Assignment> sets; // the set and mem lines and --set that fixed them (not --mem)
};

#endif
