// zanfo in the browser: what the page is shown of the toolchain's results,
// as text for the JavaScript side (web/src/toolchain.js reads it back) and
// as marks over the memory.
#ifndef ZANFO_WEB_VIEWS_H
#define ZANFO_WEB_VIEWS_H

#include <cstdint>
#include <string>
#include <vector>

#include "machine.h"
#include "notes.h"

// The messages of an assembly, explained (lexyacc/notes.h), a line each:
// kind (E error, N notice, F fatal), a tab, the line, a tab, zanfo's
// message (ISO-8859-1), a tab, the explanation; then one line per note, a
// tab first, then "n" for a note or "h" for a hint, a tab, the text (UTF-8).
std::string ExplainedText(const std::vector<ExplainedMessage> &messages);

// The machine's parts (machine/parts.h) as text for the datapath, a line
// each: "source CODE R S", "dest CODE DEFINED TO SHIFT", "bus CODE DEFINED
// D TRANSFER", "flag CODE DEFINED READ LOAD", "seq CODE NAME PATH PATH PATH
// PATH" (a path NEXT/STACK/COUNTER, by PathIndex), "cond CODE NAME
// REGISTER BITS" (the flag bits the test reads, as a mask), "busreadsflags
// CODE".
std::string PartsText();

// Marks in `marks` (one per memory word) the words that the first `cycles`
// cycles from `start` read, onto the D bus or into IR: the machine is run
// again, with a watcher; `start` must hold no breakpoint.
void ReadMarks(const Machine &start, uint64_t cycles, std::vector<uint8_t> &marks);

#endif
