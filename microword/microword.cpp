// zanfo: the microword's fields and the meaning of their values, laid out
// as the datasheets of the Am2910 sequencer and the Am2901 ALU list them.
#include "microword.h"

#include <cstring>

namespace {

const FieldValue kBreak[] = {
    {0, "run", "go on after this microinstruction", true},
    {1, "HALT", "stop after this microinstruction", true},
};

const FieldValue kCondEnable[] = {
    {0, "test", "the sequencer tests the condition in CondCode", true},
    {1, "pass", "no condition: the sequencer's test passes", true},
};

const FieldValue kUnused[] = {
    {0, "0", "always 0", true},
};

// The Am2910's sixteen instructions.  "pass" is the test of CondEnable and
// CondCode; D is the low 12 bits of ConstantAddr; R the register/counter.
const FieldValue kSequencer[] = {
    // code name    meaning                                                        zanfo
    {0, "JZ", "jump to address 0 and empty the stack (JMPZ)", true},
    {1, "CJS", "pass: call D, pushing the next address (CALL)", true},
    {2, "JMAP", "jump to the mapping of the IR's opcode (JMAP)", true},
    {3, "CJP", "pass: jump to D (JUMP)", true},
    {4, "PUSH", "push the next address; pass: R = D", false},
    {5, "JSRP", "push the next address; pass: jump to D, else to R", false},
    {6, "CJV", "pass: jump to the vector input", false},
    {7, "JRP", "pass: jump to D, else to R", false},
    {8, "RFCT", "R != 0: R - 1, repeat from the top of the stack; R = 0: pop (LOOP)", true},
    {9, "RPCT", "R != 0: R - 1, jump to D; R = 0: go on", false},
    {10, "CRTN", "pass: return to the top of the stack (RET)", true},
    {11, "CJPP", "pass: pop and jump to D", false},
    {12, "LDCT", "R = D, go on (LDCOUNT)", true},
    {13, "LOOP", "pass: pop, go on; else repeat from the top of the stack", false},
    {14, "CONT", "go on with the next address", true},
    {15, "TWB", "three-way branch on R and the test", false},
};

// What the D bus carries, and where the bus takes the ALU result.
const FieldValue kYBusCtrl[] = {
    {0, "none", "no bus transfer; the D input is 0", true},
    {1, "MEM->D", "memory word at MAR onto the D bus", true},
    {2, "MEM->IR", "memory word at MAR into the IR (LDIR)", true},
    {3, "3", "not defined", false},
    {4, "F->MEM", "ALU result into memory at MAR", true},
    {5, "F->MAR", "ALU result into MAR (LDMAR)", true},
    {6, "F->FLAGS", "ALU result onto the bus to the flag registers", true},
    {7, "CONST->D", "constant onto the D bus", true},
    {8, "CONST->MEM", "constant into memory at MAR", true},
    {9, "CONST->FLAGS", "constant onto the bus to the flag registers", true},
    {10, "FLAGS->D", "flag register chosen by FlagInstr onto the D bus", true},
    {11, "11", "not defined", false},
    {12, "12", "not defined", false},
    {13, "13", "not defined", false},
    {14, "14", "not defined", false},
    {15, "15", "not defined", false},
};

const FieldValue kShiftCtrl[] = {
    {0, "logical", "a zero enters the shifter", true},
    {1, "1", "not defined", false},
    {2, "arithmetic", "on a right shift the old bit 15 enters", true},
    {3, "3", "not defined", false},
};

// 0 to 15 test UFLAG (0-3, 8-11) or MFLAG (4-7, 12-15); 16 to 31 are their
// negations.  After COMP(a, b) the relations read as a compared with b.
const FieldValue kCondCode[] = {
    {0, "UZ", "UFLAG zero", true},
    {1, "UN", "UFLAG negative", true},
    {2, "UV", "UFLAG overflow", true},
    {3, "UC", "UFLAG carry", true},
    {4, "MZ", "MFLAG zero", true},
    {5, "MN", "MFLAG negative", true},
    {6, "MV", "MFLAG overflow", true},
    {7, "MC", "MFLAG carry", true},
    {8, "USG", "UFLAG signed greater", true},
    {9, "USS", "UFLAG signed smaller", true},
    {10, "UUG", "UFLAG unsigned greater", true},
    {11, "UUS", "UFLAG unsigned smaller", true},
    {12, "MSG", "MFLAG signed greater", true},
    {13, "MSS", "MFLAG signed smaller", true},
    {14, "MUG", "MFLAG unsigned greater", true},
    {15, "MUS", "MFLAG unsigned smaller", true},
    {16, "NUZ", "UFLAG not zero", true},
    {17, "NUN", "UFLAG not negative", true},
    {18, "NUV", "UFLAG no overflow", true},
    {19, "NUC", "UFLAG no carry", true},
    {20, "NMZ", "MFLAG not zero", true},
    {21, "NMN", "MFLAG not negative", true},
    {22, "NMV", "MFLAG no overflow", true},
    {23, "NMC", "MFLAG no carry", true},
    {24, "USSE", "UFLAG signed smaller or equal", true},
    {25, "USGE", "UFLAG signed greater or equal", true},
    {26, "UUSE", "UFLAG unsigned smaller or equal", true},
    {27, "UUGE", "UFLAG unsigned greater or equal", true},
    {28, "MSSE", "MFLAG signed smaller or equal", true},
    {29, "MSGE", "MFLAG signed greater or equal", true},
    {30, "MUSE", "MFLAG unsigned smaller or equal", true},
    {31, "MUGE", "MFLAG unsigned greater or equal", true},
};

const FieldValue kFlagInstr[] = {
    {0, "none", "no flag register is read or loaded", true},
    {1, "1", "not defined", false},
    {2, "UFLAG->D", "UFLAG is the flag register the D bus reads", true},
    {3, "MFLAG->D", "MFLAG is the flag register the D bus reads", true},
    {4, "LDUFLAG", "UFLAG = status of the ALU result", true},
    {5, "LDMFLAG", "MFLAG = status of the ALU result", true},
    {6, "BUS->UFLAG", "UFLAG = low 4 bits of the bus", true},
    {7, "BUS->MFLAG", "MFLAG = low 4 bits of the bus", true},
};

const FieldValue kCarryIn[] = {
    {0, "0", "no carry into the ALU", true},
    {1, "1", "carry 1 into the ALU", true},
};

// Where F, the ALU result, goes.  B is the register at the B address.
const FieldValue kAluDest[] = {
    {0, "0", "not defined", false},
    {1, "1", "not defined", false},
    {2, "2", "not defined", false},
    {3, "3", "not defined", false},
    {4, "4", "not defined", false},
    {5, "F->B", "F into the B register (a value from the D bus)", true},
    {6, "6", "not defined", false},
    {7, "F->Q", "F into Q (a value from the D bus)", true},
    {8, "F->Q", "F into Q", true},
    {9, "none", "F goes nowhere", true},
    {10, "10", "not defined", false},
    {11, "F->B", "F into the B register", true},
    {12, "12", "not defined", false},
    {13, "F/2->B", "F shifted right one place into the B register", true},
    {14, "14", "not defined", false},
    {15, "2F->B", "F shifted left one place into the B register", true},
};

// The Am2901's functions; c is CarryIn.
const FieldValue kAluFunction[] = {
    {0, "ADD", "R + S + c", true},
    {1, "SUBR", "S + ~R + c (S - R when c is 1)", true},
    {2, "SUBS", "R + ~S + c (R - S when c is 1)", true},
    {3, "OR", "R | S", true},
    {4, "AND", "R & S", true},
    {5, "NOTRS", "~R & S", true},
    {6, "EXOR", "R ^ S", true},
    {7, "EXNOR", "~(R ^ S)", true},
};

// The Am2901's source pairs, as (R, S).
const FieldValue kAluSource[] = {
    {0, "A, Q", "R = A port, S = Q", true},
    {1, "A, B", "R = A port, S = B port", true},
    {2, "0, Q", "R = 0, S = Q", true},
    {3, "0, B", "R = 0, S = B port", true},
    {4, "0, A", "R = 0, S = A port", true},
    {5, "D, A", "R = D bus, S = A port", true},
    {6, "D, Q", "R = D bus, S = Q", true},
    {7, "D, 0", "R = D bus, S = 0", true},
};

// Bit 0 for the A address, bit 1 for the B address: 1 takes the address
// from a 4-bit field of the IR (IRA0..IRA3, IRB0..IRB3).
const FieldValue kRegSelect[] = {
    {0, "A, B", "A address RegA, B address RegB", true},
    {1, "IR, B", "A address from the IR, B address RegB", true},
    {2, "A, IR", "A address RegA, B address from the IR", true},
    {3, "IR, IR", "both addresses from the IR", true},
};

#define VALUES(table) table, sizeof table / sizeof table[0]

}  // namespace

const FieldInfo kFieldTable[kFieldCount] = {
    // field                 display name    low width  values
    {Field::Break,           "Break",         63, 1,   VALUES(kBreak)},
    {Field::CondEnable,      "CondEnable",    62, 1,   VALUES(kCondEnable)},
    {Field::Unused61,        "Unused61",      60, 2,   VALUES(kUnused)},
    {Field::Sequencer,       "Sequencer",     56, 4,   VALUES(kSequencer)},
    {Field::Unused55,        "Unused55",      55, 1,   VALUES(kUnused)},
    {Field::YBusCtrl,        "YBusCtrl",      51, 4,   VALUES(kYBusCtrl)},
    {Field::ShiftCtrl,       "ShiftCtrl",     49, 2,   VALUES(kShiftCtrl)},
    {Field::CondCode,        "CondCode",      44, 5,   VALUES(kCondCode)},
    {Field::FlagInstr,       "FlagInstr",     41, 3,   VALUES(kFlagInstr)},
    {Field::CarryIn,         "CarryIn",       40, 1,   VALUES(kCarryIn)},
    {Field::AluDest,         "AluDest",       36, 4,   VALUES(kAluDest)},
    {Field::AluFunction,     "AluFunction",   33, 3,   VALUES(kAluFunction)},
    {Field::AluSource,       "AluSource",     30, 3,   VALUES(kAluSource)},
    {Field::RegSelect,       "RegSelect",     28, 2,   VALUES(kRegSelect)},
    {Field::RegB,            "RegB",          22, 6,   nullptr, 0},
    {Field::RegA,            "RegA",          16, 6,   nullptr, 0},
    {Field::ConstantAddr,    "ConstantAddr",   0, 16,  nullptr, 0},
};

const FieldValue *FindValue(Field field, uint32_t code) {
    const FieldInfo &info = InfoOf(field);
    for (size_t i = 0; i < info.valueCount; ++i)
        if (info.values[i].code == code)
            return &info.values[i];
    return nullptr;
}

bool ZanfoWrites(Field field, uint32_t code) {
    if (code > FieldMask(field))
        return false;
    if (!InfoOf(field).values)
        return true;
    const FieldValue *value = FindValue(field, code);
    return value && value->written;
}

bool FieldByName(const char *name, Field *field) {
    for (const FieldInfo &info : kFieldTable)
        if (strcmp(info.name, name) == 0) {
            *field = info.field;
            return true;
        }
    return false;
}
