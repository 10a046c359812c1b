// zanfo-dump --listing --coverage and the playground's gutter: the counts
// of an lcov tracefile, as zanfo-sim --coverage writes it, for the lines of
// one source.
#ifndef ZANFO_DUMP_TRACEFILE_H
#define ZANFO_DUMP_TRACEFILE_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One direction of a conditional word: a BRDA line.
struct BranchCount {
    int line;            // the line where the word starts
    uint64_t block;      // zanfo-sim's block: the word's address
    std::string branch;  // zanfo-sim's: "0" the test passed, "1" it failed
    bool ran;            // false ("-"): the word never ran
    uint64_t taken;      // the cycles that went this way
};

// What a tracefile says of one source.
struct SourceCoverage {
    std::map<int, uint64_t> lines;       // DA lines: line -> count
    std::vector<BranchCount> branches;   // BRDA lines, in the file's order
};

// The record of `source` in the tracefile `text` called `name`: the record
// whose SF is `source`, or else the only one whose SF ends in the same
// file name.  False, with the message.
bool ReadCoverage(const std::string &name, const std::string &text, const std::string &source,
                  SourceCoverage *coverage, std::string *error);

// The DA counts (line -> count) of that record.
bool LineCounts(const std::string &name, const std::string &text, const std::string &source,
                std::map<int, uint64_t> *counts, std::string *error);

#endif
