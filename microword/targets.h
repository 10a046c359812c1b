// zanfo: naming the jump targets of a .mic file, which has no labels.  A
// target that holds a word of the file is named after its address,
// "L0010"; any other is written as a number ("$0123", notation.h).
// zanfo-dump, its --source and zanfo-sim's trace of a .mic file all name
// them so.
#ifndef ZANFO_TARGETS_H
#define ZANFO_TARGETS_H

#include <cstdint>
#include <string>

#include "mic_file.h"
#include "notation.h"

// The label given to a target that holds a word: "L0010".
std::string TargetLabel(uint32_t address);

// Names every target in `mic` that holds a word by TargetLabel, others not
// at all (they are written as numbers).
LabelNamer HeldTargets(const MicFile &mic);

#endif
