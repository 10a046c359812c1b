// zanfo-check: what one decoded word reads and loads, and how the
// messages name words, addresses and conditions.
#ifndef ZANFO_CHECK_WORDS_H
#define ZANFO_CHECK_WORDS_H

#include <cstdint>
#include <string>

#include "machine.h"
#include "notation.h"

// Registers whose loading the checks follow, as bits.
constexpr uint8_t kUflag = 1;    // UFLAG
constexpr uint8_t kMflag = 2;    // MFLAG
constexpr uint8_t kIr = 4;       // the IR
constexpr uint8_t kCounter = 8;  // the sequencer's register/counter R

// The microword zanfo writes for NOP: the fields nobody set make the
// machine do nothing (CONT, no destination, the source pair A, B).
constexpr uint64_t kIdleWord = 0x4E00009040000000;

struct WordFacts {
    uint8_t loads = 0;          // registers the word loads at the end of its cycle
    uint8_t uses = 0;           // registers it reads: a test that decides the path, the IR, R
    bool irMap = false;         // JMAP maps the IR
    bool irA = false;           // the A port is read, at an address from the IR (IRAk)
    bool irB = false;           // the B port is read or written, at an address from the IR (IRBk)
    bool readsD = false;        // some path goes to D
    bool loadsCount = false;    // some path loads R from D (LDCOUNT)
    bool counts = false;        // the path depends on R being zero: a counted loop
    bool unusedResult = false;  // the ALU fields are not the idle word's, and F goes nowhere
};

// The facts of `m`, decoded from `word`.  Only the paths the word can
// take count: a test that always passes (CondEnable) decides nothing.
WordFacts FactsOf(const Microinstruction &m, uint64_t word);

// "00A", or "round (00A)" when `names` gives the address a name.
std::string AddressName(unsigned address, const LabelNamer &names);

// The item that writes the word's sequencer instruction, for a message:
// zanfo's ("JUMP", "CALL", "RET", "LOOP", "LDCOUNT", "JMAP", "JMPZ"), or
// for the instructions zanfo never writes the Am2910's mnemonic and code
// ("PUSH (4)").
std::string ItemName(uint64_t word);

// The condition the word tests, as zanfo writes it: "NUZ".
std::string ConditionName(uint64_t word);

std::string Hex2(unsigned value);  // "0A"
std::string Hex3(unsigned value);  // "00A"
std::string Hex4(unsigned value);  // "000A"

#endif
