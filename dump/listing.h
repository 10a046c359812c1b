// zanfo-dump --listing: a source beside the microwords zanfo makes of it.
#ifndef ZANFO_DUMP_LISTING_H
#define ZANFO_DUMP_LISTING_H

#include <cstdint>
#include <map>
#include <string>

struct Listing {
    std::string text;    // the listing, UTF-8 (zanfo's Latin-1 messages converted)
    bool clean = false;  // zanfo reported nothing: no diagnostic, no notice, no syntax error
};

// Assembles `source` in memory with zanfo's own passes and lists every
// source line with the words it made, zanfo's diagnostics at their lines
// with notes that say more (what the parser expected, the label meant),
// warnings where zanfo is silent (a constant cut to 16 bits, addresses
// past the control store, two words at one address), and the labels and
// equates at the end.
Listing ListSource(const std::string &source);

// The listing with a column of counts after each row's microword: the
// count of the row's source line in `counts` (zanfo-sim --coverage) and a
// colon, "#####:" for a line whose microwords never ran; blank on other rows.
std::string ListingWithCounts(const std::string &listing, const std::map<int, uint64_t> &counts);

// The optimal string alignment distance between two names, ignoring case:
// how many letters to insert, delete, change or swap with a neighbour.
size_t SpellingDistance(const std::string &a, const std::string &b);

#endif
