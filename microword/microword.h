// zanfo: the 64-bit microword, field by field.  One table says where every
// field sits and what each of its values makes the machine do; the
// assembler's writer packs through it, and the decoder, the ROM writer and
// the simulator read words back through it.
#ifndef ZANFO_MICROWORD_H
#define ZANFO_MICROWORD_H

#include <cstddef>
#include <cstdint>

// The fields, most significant first.  Bits 61..60 and 55 belong to no
// field: the assembler always writes them 0 and the machine ignores them.
enum class Field {
    Break,         // 63      stop after this microinstruction (HALT)
    CondEnable,    // 62      1: the sequencer's test passes without a condition
    Unused61,      // 61..60  always 0
    Sequencer,     // 59..56  Am2910 instruction
    Unused55,      // 55      always 0
    YBusCtrl,      // 54..51  what the D bus carries and where
    ShiftCtrl,     // 50..49  what enters the shifter
    CondCode,      // 48..44  the condition tested, on UFLAG or MFLAG
    FlagInstr,     // 43..41  flag register read or load
    CarryIn,       // 40      the ALU's carry input
    AluDest,       // 39..36  where the ALU result goes
    AluFunction,   // 35..33  Am2901 function
    AluSource,     // 32..30  Am2901 source pair (R, S)
    RegSelect,     // 29..28  A and B addresses direct or from the IR
    RegB,          // 27..22  B port address, read and written
    RegA,          // 21..16  A port address, read only
    ConstantAddr,  // 15..0   constant, jump target or count
};
constexpr size_t kFieldCount = 17;

// One value of a field with a meaning of its own.
struct FieldValue {
    unsigned code;        // the value in the field
    const char *name;     // short name: the Am2910 mnemonic, the condition word, "D, A"
    const char *meaning;  // what the machine does with it
    bool written;         // zanfo writes this value (false: only hand-made words hold it)
};

struct FieldInfo {
    Field field;
    const char *name;           // display name, as zanfo's messages spell it
    unsigned low;               // least significant bit in the word
    unsigned width;             // in bits
    const FieldValue *values;   // the named values, in code order; null for plain numbers
    size_t valueCount;
};

// The layout, most significant field first; kFieldTable[i].field == Field(i).
extern const FieldInfo kFieldTable[kFieldCount];

inline const FieldInfo &InfoOf(Field field) { return kFieldTable[static_cast<size_t>(field)]; }

inline uint32_t FieldMask(Field field) {
    return static_cast<uint32_t>((uint64_t{1} << InfoOf(field).width) - 1);
}

inline uint32_t GetField(uint64_t word, Field field) {
    return static_cast<uint32_t>(word >> InfoOf(field).low) & FieldMask(field);
}

// The word with `value`, cut to the field's width, in that field.
inline uint64_t PutField(uint64_t word, Field field, uint32_t value) {
    const FieldInfo &info = InfoOf(field);
    uint64_t mask = uint64_t{FieldMask(field)} << info.low;
    return (word & ~mask) | ((uint64_t{value} << info.low) & mask);
}

// The named value of `code`, or null when the field has none of that code.
const FieldValue *FindValue(Field field, uint32_t code);

// True when zanfo can write `code` in that field: a named value it writes,
// or any number in the plain numeric fields.
bool ZanfoWrites(Field field, uint32_t code);

// The field whose display name this is (case matters), or false.
bool FieldByName(const char *name, Field *field);

#endif
