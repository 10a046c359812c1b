// zanfo-sim's inputs besides the microprogram: names and values on the
// command line, memory images, JMAP mappings and test files.  Each reader
// takes the text of a file and its name, and reports every problem as
// "NAME:LINE: message".  Numbers are read by ParseNumber (reading.h) and
// mappings by ParseMapping (mapping.h), which zanfo-check and zanfo-rom
// share.
#ifndef ZANFO_SIM_INPUTS_H
#define ZANFO_SIM_INPUTS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "machine.h"
#include "mapping.h"
#include "reading.h"

// Equate names of a source (lower case) and the register each stands for
// ("r5", "rq", "ira1"), as the assembler lists them.
using Equates = std::map<std::string, std::string>;

// A place of the machine that --set and --expect name.
struct Place {
    enum Kind { Register, Q, Mar, Ir, Uflag, Mflag, Memory };
    Kind kind = Register;
    unsigned index = 0;  // the register number, or the memory address
    std::string name;    // as the user wrote it, for messages
};

// NAME=VALUE for a place.
struct Assignment {
    Place place;
    uint16_t value = 0;
};

// How a place is written back, as zanfo-sim's and zanfo-prove's test
// cases name it: R5, Q, MAR, IR, UFLAG, MFLAG, MEM[0x0100].
std::string PlaceName(const Place &p);
// The largest value of a place: 15 for a flag register, else 0xFFFF.
uint32_t PlaceMax(const Place &p);
// A value of a place as those cases write it: 0x00FF, or 0xC for a flag register.
std::string PlaceValue(const Place &p, uint32_t value);

// R0..R63, Q (or RQ), MAR, IR, UFLAG, MFLAG, MEM[ADDR], in any case, or an
// equate name that stands for a register or Q.
bool ParsePlace(const std::string &text, const Equates &equates, Place *place, std::string *error);

// NAME=VALUE.  A flag register takes 0..15, everything else 16 bits.
bool ParseAssignment(const std::string &text, const Equates &equates, Assignment *assignment,
                     std::string *error);

uint16_t ReadPlace(const Machine &machine, const Place &place);
void WritePlace(Machine &machine, const Place &place, uint16_t value);

// A memory image in the form of Verilog's $readmemh: hexadecimal words
// separated by blanks or line ends, "@ADDR" (hexadecimal) to go on at
// another address, "//" and "/* */" comments, "_" inside numbers ignored.
struct MemoryWord {
    uint16_t address;
    uint16_t value;
};
bool ParseMemoryImage(const std::string &name, const std::string &text, std::vector<MemoryWord> *words,
                      std::vector<std::string> *problems);

// The lines that test files and property files share, read onto `to`:
// "set NAME=VALUE ..." (or "expect ..."), and "mem ADDR VALUE ...", the
// memory words from ADDR on.  Each problem is added as "NAME:LINE: message".
void ReadAssignments(const std::string &name, const WordedLine &line, const Equates &equates,
                     std::vector<Assignment> *to, std::vector<std::string> *problems);
void ReadMemoryWords(const std::string &name, const WordedLine &line, std::vector<Assignment> *to,
                     std::vector<std::string> *problems);

// A test file: named cases, each with what it sets before the run and
// what it expects after it.  Lines before the first case hold for every
// case.
//
//   # a comment
//   case NAME            a new case, named by the rest of the line
//   set NAME=VALUE ...   before the run
//   mem ADDR VALUE ...   memory words from ADDR on, before the run
//   expect NAME=VALUE ...  after the run
//   max-cycles N         the case's cycle limit, over --max-cycles
//   points N             the case's weight in the score (default 1)
struct TestCase {
    std::string name;                  // as written after "case"
    unsigned line = 0;                 // of its "case" line
    std::vector<Assignment> sets;      // common sets first, then its own
    std::vector<Assignment> expects;   // common expects first, then its own
    uint64_t maxCycles = 0;            // max-cycles: its own or the common one; 0 none
    unsigned points = 1;               // its weight
    bool pointsGiven = false;          // a points line gave it (its own or the common one)
};
constexpr unsigned kMaxPoints = 1000;  // the most a case weighs
bool ParseTestFile(const std::string &name, const std::string &text, const Equates &equates,
                   std::vector<TestCase> *cases, std::vector<std::string> *problems);

#endif
