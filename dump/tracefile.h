// zanfo-dump --listing --coverage: the counts of an lcov tracefile, as
// zanfo-sim --coverage writes it, for the lines of one source.
#ifndef ZANFO_DUMP_TRACEFILE_H
#define ZANFO_DUMP_TRACEFILE_H

#include <cstdint>
#include <map>
#include <string>

// The DA counts (line -> count) of the record of `source` in the tracefile
// `text` called `name`: the record whose SF is `source`, or else the only
// one whose SF ends in the same file name.  False, with the message.
bool LineCounts(const std::string &name, const std::string &text, const std::string &source,
                std::map<int, uint64_t> *counts, std::string *error);

#endif
