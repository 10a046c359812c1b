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
// with their explanations (explain.h) and the notes that say more for
// this program (notes.h: what the parser expected, the likely cause, the
// label meant), zanfo-check's warnings at theirs (check/check.h: a
// constant cut to 16 bits, addresses past the control store, two words at
// one address, a flag tested where it is loaded, a RET with nothing on the
// stack...), and the labels and equates at the end.
Listing ListSource(const std::string &source);

// The listing with a column of counts after each row's microword: the
// count of the row's source line in `counts` (zanfo-sim --coverage) and a
// colon, "#####:" for a line whose microwords never ran; blank on other rows.
std::string ListingWithCounts(const std::string &listing, const std::map<int, uint64_t> &counts);

#endif
