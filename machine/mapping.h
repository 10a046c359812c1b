// The machine's JMAP mapping as a file: which microaddress each opcode
// (IR >> 8) jumps to.  zanfo-sim, zanfo-check, zanfo-prove, zanfo-rom's
// --jmap image and the playground all read it here.
#ifndef ZANFO_MAPPING_H
#define ZANFO_MAPPING_H

#include <array>
#include <string>
#include <vector>

#include "machine.h"

// A JMAP mapping: one "OPCODE ADDRESS" pair a line (decimal or 0x hex),
// blank lines and "#" comments allowed.  Opcodes not listed map to -1.
// Each problem is "NAME:LINE: message".
bool ParseMapping(const std::string &name, const std::string &text, std::array<int, kOpcodes> *mapping,
                  std::vector<std::string> *problems);

#endif
