// The places a run starts from: those fixed by set, mem, --set and --mem,
// and the inputs, which are all the others.
#ifndef ZANFO_PROVE_PLACES_H
#define ZANFO_PROVE_PLACES_H

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "inputs.h"
#include "machine.h"

// The places whose value is fixed before the run.
struct Fixed {
    std::array<bool, kRegisterCount> r{};  // R0..R63
    bool q = false, mar = false, ir = false, uflag = false, mflag = false;
    std::map<uint16_t, uint16_t> memory;   // memory words and their values

    void Add(const Assignment &a);
    bool Has(const Place &p) const;
};

// An input: a place left free, and the values the assumptions leave it
// (as far as they say so plainly: R2 <= 255, MAR == 0x100...).
struct Input {
    Place place;            // a register, Q, MAR, IR, a flag register or a memory word
    uint32_t lo = 0;        // its smallest value
    uint32_t hi = 0xFFFF;   // its largest (15 for a flag register)
};

// The place named as PlaceName (inputs.h) writes it; false for another name.
bool PlaceOfName(const std::string &name, Place *p);
bool SamePlace(const Place &a, const Place &b);
// A total order, for sorting and sets.
bool PlaceBefore(const Place &a, const Place &b);

#endif
