// zanfo-sim's microprogram: a .mic file, or a source that zanfo assembles
// in memory, with the source's names for registers and addresses; and the
// reading of every input file, with its problems shown.
#ifndef ZANFO_SIM_PROGRAM_H
#define ZANFO_SIM_PROGRAM_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "inputs.h"
#include "mic_file.h"
#include "sim.h"

namespace sim {

struct Program {
    std::vector<MicWord> words;             // what the control store holds
    std::vector<unsigned> lines;            // for each of words, the line of the file where it starts
    Equates equates;                        // of a source
    std::map<unsigned, std::string> names;  // register number (64 for Q) -> its EQU names
    std::map<uint32_t, std::string> labels; // address -> the label the trace writes for it

    // The EQU names of register `index` (64 for Q), or "".
    std::string NamesOf(unsigned index) const {
        auto it = names.find(index);
        return it == names.end() ? std::string() : it->second;
    }
};


// Reads a named input file of at most `limit` bytes; false, with the
// message shown, when it cannot be read or is longer.
bool ReadInput(const std::string &name, const FileReader &read, SimOutput &output, std::string *text,
               size_t limit = kTextFileLimit);

// Reads and, for a source, assembles the microprogram; false when it cannot
// run, with why in `problem` ("the source does not assemble").  A .mic file
// holds at most kMicFileLimit bytes, a source kTextFileLimit.  `command`
// names who refuses a source that does not assemble (zanfo-prove loads its
// programs here too).
bool LoadProgram(const std::string &file, const FileReader &read, SimOutput &output, Program *program,
                 std::string *problem = nullptr, const char *command = "zanfo-sim");

// Shows the problems of an input file, one line each; true when there are none.
bool ShowProblems(const std::vector<std::string> &problems, SimOutput &output);

}  // namespace sim

#endif
