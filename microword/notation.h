// zanfo: one microword described in zanfo's own notation, the way a
// programmer would have written it: "R1 = R1 - R3, JUMP(L0010, NUZ)".
//
// The description is read off the fields alone (the assembler is not
// needed), so zanfo-dump, the simulator's trace and anything else that
// shows a microword all say the same thing.  Where the word holds what no
// zanfo item writes (a sequencer code 4, an AluDest 6, a constant no item
// uses), the description says so in a comment that zanfo would skip.
#ifndef ZANFO_NOTATION_H
#define ZANFO_NOTATION_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Names a jump target (the word's 16-bit ConstantAddr): the label to write
// for that address, or "" to write the number itself.  An empty function
// writes every target as a number.
using LabelNamer = std::function<std::string(uint32_t address)>;

// An address where no label names it, a jump target or an ORG's, in
// hexadecimal as zanfo reads it, four digits like the addresses zanfo-dump
// prints: "$0040".
std::string AddressNumber(uint32_t address);

// The items of one microinstruction, in statement order.  No items at all
// is an idle word, written "NOP".
using ItemList = std::vector<std::string>;

// The item lists that may give this word, most likely first; each one is
// complete and parses.  The first is what DescribeWord shows.  Which of
// them zanfo really turns into this word is for the assembler to say: the
// order of operands and the register-select bits of a port no item reads
// depend on its placement rules (zanfo-dump --source tries them in turn).
// Every list has the same shape for every namer, so the n-th list written
// with numbers and the n-th written with labels are the same items.
std::vector<ItemList> Spellings(uint64_t word, const LabelNamer &names = nullptr);

// What of the word zanfo's items cannot express, one phrase each
// ("Sequencer 4 (PUSH)", "ConstantAddr 5 with no item that uses it");
// empty for every word zanfo writes.
std::vector<std::string> Inexpressible(uint64_t word);

// "R1 = R1 - R3, JUMP(L0010, NUZ)": the items joined by ", ", or "NOP".
std::string ItemsText(const ItemList &items);

// The first spelling's items, followed by "  { not in zanfo: ... }" when
// Inexpressible has anything to say.
std::string DescribeWord(uint64_t word, const LabelNamer &names = nullptr);

// The Am2910 mnemonic of the word's Sequencer field: "CJP", "CONT".
const char *SequencerName(uint64_t word);

// One line of zanfo-dump, without the line end: address, word, the
// sequencer instruction and the description.
//   "0011 4E0001B240430000  CONT  R1 = R1 - R3"
std::string DumpLine(uint32_t address, uint64_t word, const LabelNamer &names = nullptr);

// Every field of the word, one indented line each, every line ended by
// "\n": display name, value, and what the value means; values zanfo never
// writes are marked "[not expressible in zanfo]".
std::string FieldLines(uint64_t word);

#endif
