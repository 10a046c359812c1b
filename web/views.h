// zanfo in the browser: what the page is shown of the toolchain's results,
// as text for the JavaScript side (web/src/toolchain.js reads it back), as
// the simulator's state in numbers and as marks over the memory.
#ifndef ZANFO_WEB_VIEWS_H
#define ZANFO_WEB_VIEWS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "check.h"
#include "machine.h"
#include "notes.h"
#include "session.h"
#include "tracefile.h"

// The messages of an assembly, explained (lexyacc/notes.h), a line each:
// kind (E error, N notice, F fatal), a tab, the line, a tab, zanfo's
// message (ISO-8859-1), a tab, the explanation; then one line per note, a
// tab first, then "n" for a note or "h" for a hint, a tab, the text (UTF-8).
std::string ExplainedText(const std::vector<ExplainedMessage> &messages);

// zanfo-check's checks (kChecks), for the page's explanations: each check
// a record ended by "\x1e", its fields separated by "\x1f": the name, the
// summary, the explanation, the wrong example, the right one, and "1" when
// the examples are .mic text ("0" when they are sources).
std::string ChecksText();

// The warnings among `findings`, a line each, in their order: the check's
// name, a tab, the line, a tab, the address (-1 for none), a tab, the
// message (UTF-8).
std::string WarningsText(const std::vector<Finding> &findings);

// The machine's parts (machine/parts.h) as text for the datapath, a line
// each: "source CODE R S", "dest CODE DEFINED TO SHIFT", "bus CODE DEFINED
// D TRANSFER", "flag CODE DEFINED READ LOAD", "seq CODE NAME PATH PATH PATH
// PATH" (a path NEXT/STACK/COUNTER, by PathIndex), "cond CODE NAME
// REGISTER BITS" (the flag bits the test reads, as a mask), "busreadsflags
// CODE".
std::string PartsText();

// The session's state as numbers in `state`, and when `names` is empty,
// their names into it, one a line, in the same order: the cycle the
// datapath draws (the word at μPC's, or once the machine has halted, the
// HALT word's, seen from the state before it: one cycle back, looked at
// with Machine::Peek, and run again) with the registers it starts from,
// then the registers, the run and its outcome.
void SessionState(SimSession &session, std::vector<uint32_t> *state, std::string *names);

// Files ({name: bytes}) packed as the JavaScript side packs those it
// hands in: the name, a NUL, the size in decimal, a NUL, the bytes.
std::string PackFiles(const std::map<std::string, std::string> &files);

// A tracefile's counts for one source, a line each, by line: "D", a tab,
// the line, a tab, its count (DA); then "B", a tab, the line, a tab, the
// block (the word's address), a tab, the branch ("0" the test passed, "1"
// it failed), a tab, the count or "-" when the word never ran (BRDA), in
// the tracefile's order.
std::string CoverageText(const SourceCoverage &coverage);

// Marks in `marks` (one per memory word) the words that the first `cycles`
// cycles from `start` read, onto the D bus or into IR: the machine is run
// again, with a watcher; `start` must hold no breakpoint.
void ReadMarks(const Machine &start, uint64_t cycles, std::vector<uint8_t> &marks);

#endif
