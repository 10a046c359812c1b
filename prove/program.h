// A microprogram for zanfo-prove: a .mic file, or a zanfo source that is
// assembled first, as zanfo-sim takes it.
#ifndef ZANFO_PROVE_PROGRAM_H
#define ZANFO_PROVE_PROGRAM_H

#include <string>
#include <vector>

#include "inputs.h"
#include "mic_file.h"
#include "sim.h"

struct Program {
    std::vector<MicWord> words;  // what the control store holds
    Equates equates;             // of a source
};

// Reads `file` and assembles it when it is a source (a name ending in .zan,
// or a first line that is not a .mic line).  False when it cannot run; the
// messages went to `output`, each "FILE:LINE: message" or "command: ...".
bool LoadProgram(const std::string &command, const std::string &file, const FileReader &read, SimOutput &output,
                 Program *program);

#endif
