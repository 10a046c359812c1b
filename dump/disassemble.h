// zanfo-dump --source: a .mic file turned back into a zanfo program that
// assembles to the very same file.
#ifndef ZANFO_DUMP_DISASSEMBLE_H
#define ZANFO_DUMP_DISASSEMBLE_H

#include <cstdint>
#include <string>

#include "mic_file.h"
#include "notation.h"
#include "targets.h"

struct Disassembly {
    std::string source;                // PROGRAM ... END
    std::vector<MicProblem> problems;  // words no items can write (errors), ORGs zanfo reports (warnings)
    bool exact = false;                // the source assembles back to the file's words, byte for byte
};

// One statement per word, in file order; an ORG wherever the address does
// not follow on from the word before (backwards too), its address written
// "$0040"; a label "L0010" (targets.h) on
// the first word at every jump target that holds one.  Each word's items
// are checked by assembling them: a word whose items would come out
// different gets them all the same, with a comment saying what zanfo
// cannot write, and an error among the problems.
Disassembly Disassemble(const MicFile &mic);

#endif
