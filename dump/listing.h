// zanfo-dump --listing: a source beside the microwords zanfo makes of it.
#ifndef ZANFO_DUMP_LISTING_H
#define ZANFO_DUMP_LISTING_H

#include <string>
#include <vector>

#include "assemble.h"

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

// One row that the listing prints under a source line: zanfo's own
// "error:LINE:message" (in UTF-8), a "note:" or "hint:" on the error before
// it, zanfo's notice of a character that starts no token, or one of the
// listing's "warning:" rows.
struct ListingNote {
    int line;          // the source line it stands under
    std::string text;  // the row, UTF-8, without the listing's indent
};

// What ListSource says of `source` besides the source and the words: the
// rows under its lines, in the listing's order (by line, each error's notes
// right after it), with the assembly they are about in `*assembly`.
// `also`, if given, watches the same run of zanfo.
std::vector<ListingNote> NoteSource(const std::string &source, Assembly *assembly,
                                    AssemblyObserver *also = nullptr);

// The optimal string alignment distance between two names, ignoring case:
// how many letters to insert, delete, change or swap with a neighbour.
size_t SpellingDistance(const std::string &a, const std::string &b);

#endif
