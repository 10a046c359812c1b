// zanfo: the items of a microinstruction, each turned into microword fields
// through the setters.  Items act in the second pass only; the values of
// registers, operands and conditions are computed in both.
//
// The order of setter calls is part of the language: when two items want
// the same field, it decides which second-use messages appear, and in which
// order.
#include <cstring>

#include "actions.h"
#include "errors.h"

// Sequencer instructions (Am2910).
enum {
    SEQ_JZ = 0,     // JMPZ: jump to address 0
    SEQ_CJS = 1,    // CALL
    SEQ_JMAP = 2,   // JMAP: jump to the address the mapping PROM gives
    SEQ_CJP = 3,    // JUMP
    SEQ_RFCT = 8,   // LOOP: repeat from the address while the counter runs
    SEQ_CRTN = 10,  // RET
    SEQ_LDCT = 12,  // LDCOUNT: load the counter
};

// D bus transfers.
enum {
    BUS_MEM_TO_D = 1,     // memory data onto D
    BUS_ALU_TO_MEM = 4,   // ALU result written to memory
    BUS_ALU_TO_FLAG = 6,  // ALU result written to UFLAG or MFLAG
    BUS_CTE_TO_D = 7,     // constant field onto D
    BUS_CTE_TO_MEM = 8,   // constant written to memory
    BUS_CTE_TO_FLAG = 9,  // constant written to UFLAG or MFLAG
    BUS_FLAG_TO_D = 10,   // UFLAG or MFLAG onto D
};

// ALU destinations (Am2901).
enum {
    DST_REG_FROM_D = 5,  // B register loaded from D (memory or constant)
    DST_Q_FROM_D = 7,    // Q loaded from D
    DST_Q = 8,           // Q loaded from the ALU
    DST_REG = 11,        // B register loaded from the ALU
};

// The class of an assignment's source.
enum {
    SOURCE_ALU = 0,      // value comes through the ALU
    SOURCE_D = 1,        // value arrives on D from memory or the constant field
    SOURCE_BUS_CTE = 5,  // number put straight on the bus
    SOURCE_BUS_ALU = 6,  // register taken through the ALU onto the bus
};

static bool SecondPass() { return primeraPasada == 0; }

// ---------------------------------------------------------------------------
// Values.
// ---------------------------------------------------------------------------

// IRA0..IRA3 and IRB0..IRB3 select 16 registers each: the word's digit times
// 16 is the address the field carries.
void IndexedRegister(YYSTYPE *out, int kind, int digit) {
    static const char *const texts[2][4] = {{"ira0", "ira1", "ira2", "ira3"},
                                            {"irb0", "irb1", "irb2", "irb3"}};
    strcpy(out->regType.cadena, texts[kind == REGKIND_IRB][digit]);
    out->regType.intval = 16 * digit;
    out->regType.reg = kind;
}

void MakeOperand(YYSTYPE *out, int kind, int value) {
    out->regType.reg = kind;
    out->regType.intval = value;
}

// The condition select: "M" in place of "U" adds 4, a leading "N" adds 16.
static const struct {
    int token, code;
} conditionTable[] = {
    {COND_UZ, 0},   {COND_NUZ, 16},  {COND_MZ, 4},   {COND_NMZ, 20},
    {COND_UV, 2},   {COND_NUV, 18},  {COND_MV, 6},   {COND_NMV, 22},
    {COND_UN, 1},   {COND_NUN, 17},  {COND_MN, 5},   {COND_NMN, 21},
    {COND_UC, 3},   {COND_NUC, 19},  {COND_MC, 7},   {COND_NMC, 23},
    {COND_USG, 8},  {COND_USGE, 25}, {COND_MSG, 12}, {COND_MSGE, 29},
    {COND_USS, 9},  {COND_USSE, 24}, {COND_MSS, 13}, {COND_MSSE, 28},
    {COND_UUG, 10}, {COND_UUGE, 27}, {COND_MUG, 14}, {COND_MUGE, 31},
    {COND_UUS, 11}, {COND_UUSE, 26}, {COND_MUS, 15}, {COND_MUSE, 30},
};

int ConditionCode(int token) {
    for (const auto &row : conditionTable)
        if (row.token == token)
            return row.code;
    return 0;
}

// ---------------------------------------------------------------------------
// HALT, sequencer, shifter, flags and bus.
// ---------------------------------------------------------------------------

// The breakpoint bit has no setter: a second HALT is harmless.
void Halt() {
    if (!SecondPass()) return;
    instruction.breakpoint = 1;
    instruction.breakpointUsed = 1;
}

void Jmpz() {
    if (!SecondPass()) return;
    SetCcen(1); SetSeq(SEQ_JZ);
}

void Jmap() {
    if (SecondPass()) SetSeq(SEQ_JMAP);
}

void LdCount(int count) {
    if (!SecondPass()) return;
    SetSeq(SEQ_LDCT); SetCte(count);
}

void Loop(int target) {
    if (!SecondPass()) return;
    SetSeq(SEQ_RFCT); SetCte(target);
}

void Ret() {
    if (!SecondPass()) return;
    SetCcen(1); SetSeq(SEQ_CRTN);
}

void RetIf(int cond) {
    if (!SecondPass()) return;
    SetCcen(0); SetSeq(SEQ_CRTN); SetCc(cond);
}

void Call(int target) {
    if (!SecondPass()) return;
    SetCcen(1); SetSeq(SEQ_CJS); SetCte(target);
}

void CallIf(int target, int cond) {
    if (!SecondPass()) return;
    SetCcen(0); SetCc(cond); SetSeq(SEQ_CJS); SetCte(target);
}

void Jump(int target) {
    if (!SecondPass()) return;
    SetCcen(1); SetSeq(SEQ_CJP); SetCte(target);
}

void JumpIf(int target, int cond) {
    if (!SecondPass()) return;
    SetCcen(0); SetCc(cond); SetSeq(SEQ_CJP); SetCte(target);
}

// direction: 1 right, 0 left; mode: 2 arithmetic right, 0 otherwise.
void Shift(int direction, int mode) {
    if (!SecondPass()) return;
    SetShiftDone(direction); SetShift(mode);
}

void LoadFlags(int flagInstr) {
    if (SecondPass()) SetFlag(flagInstr);
}

void LoadBus(int busCode) {
    if (SecondPass()) SetY(busCode);
}

// ---------------------------------------------------------------------------
// One-operand functions: INCR, DECR, NOT, NEG on a register or Q, which is
// both the input (on S, with zero on R) and the destination.
// ---------------------------------------------------------------------------

void Incr() {
    if (!SecondPass()) return;
    SetCarry(1); SetAluFun(0);  // 0 + S + 1
}

void Decr() {
    if (SecondPass()) SetAluFun(1);  // S - 0 - 1
}

void Not() {
    if (SecondPass()) SetAluFun(2);  // 0 + NOT S
}

void Neg() {
    if (!SecondPass()) return;
    SetAluFun(2); SetCarry(1);  // 0 + NOT S + 1
}

void UnaryOnRegister(int number) {
    if (!SecondPass()) return;
    SetRegB(number); SetAluSrc(3); SetRasB(0); SetAluDst(DST_REG);
}

void UnaryOnIrb(int address) {
    if (!SecondPass()) return;
    SetRegB(address); SetAluSrc(3); SetRasB(1); SetAluDst(DST_REG);
}

void UnaryOnQ() {
    if (!SecondPass()) return;
    SetAluSrc(2); SetRasB(0); SetAluDst(DST_Q);
}

// ---------------------------------------------------------------------------
// Two-operand operations and comparisons.
// ---------------------------------------------------------------------------

static OperandType ToOperand(const RegType *value) {
    return OperandType{value->reg, value->intval};
}

void Comp(const RegType *op1, const RegType *op2) {
    if (!SecondPass()) return;
    OperandType o1 = ToOperand(op1), o2 = ToOperand(op2);
    TratarComp(&o1, &o2);
}

void Dyadic(int dstKind, int dstValue, const RegType *op1, int fun, const RegType *op2) {
    if (!SecondPass()) return;
    OperandType dst{dstKind, dstValue}, o1 = ToOperand(op1), o2 = ToOperand(op2);
    TratarDiadico(&dst, &o1, fun, &o2);
}

// ---------------------------------------------------------------------------
// Plain assignments to a register, an IRB register or Q: the value passes
// the ALU unchanged (function 0 adds it to zero).
// ---------------------------------------------------------------------------

void SourceRegister(YYSTYPE *out, int number) {
    if (!SecondPass()) return;
    if (number < 0 || number > 63)
        ShowError(msgBadRegisterNumber);
    SetRegA(number); SetAluFun(0); SetAluSrc(4); SetRasA(0);
    out->assignType = SOURCE_ALU;
}

void SourceIra(YYSTYPE *out, int address) {
    if (!SecondPass()) return;
    SetRegA(address); SetAluFun(0); SetAluSrc(4); SetRasA(1);
    out->assignType = SOURCE_ALU;
}

void SourceIrb(YYSTYPE *out, int address) {
    if (!SecondPass()) return;
    SetRegB(address); SetAluFun(0); SetAluSrc(3); SetRasB(1);
    out->assignType = SOURCE_ALU;
}

void SourceMem(YYSTYPE *out) {
    if (!SecondPass()) return;
    SetY(BUS_MEM_TO_D); SetAluSrc(7); SetAluFun(0);
    out->assignType = SOURCE_D;
}

// A flag register arrives on D but is loaded like a register.
void SourceFlag(YYSTYPE *out, int flagKind) {
    if (!SecondPass()) return;
    SetY(BUS_FLAG_TO_D); SetFlag(flagKind == OPERAND_UFLAG ? 2 : 3); SetAluFun(0); SetAluSrc(7);
    out->assignType = SOURCE_ALU;
}

void SourceNumber(YYSTYPE *out, int value) {
    if (!SecondPass()) return;
    SetCte(value); SetAluFun(0); SetAluSrc(7); SetY(BUS_CTE_TO_D);
    out->assignType = SOURCE_D;
}

void SourceQ(YYSTYPE *out) {
    if (!SecondPass()) return;
    SetAluSrc(2); SetAluFun(0);
    out->assignType = SOURCE_ALU;
}

void AssignToRegister(int number, int assignType) {
    if (!SecondPass()) return;
    SetRegB(number); SetRasB(0); SetAluDst(assignType == SOURCE_D ? DST_REG_FROM_D : DST_REG);
}

void AssignToQ(int assignType) {
    if (SecondPass()) SetAluDst(assignType == SOURCE_D ? DST_Q_FROM_D : DST_Q);
}

void AssignToIrb(int address, int assignType) {
    if (!SecondPass()) return;
    SetRegB(address); SetRasB(1); SetAluDst(assignType == SOURCE_D ? DST_REG_FROM_D : DST_REG);
}

// ---------------------------------------------------------------------------
// Assignments to memory and to the flag registers, over the D bus: a
// register through the ALU, a number straight from the constant field.
// ---------------------------------------------------------------------------

void BusSourceSpecial(YYSTYPE *out, const RegType *reg) {
    if (!SecondPass()) return;
    if (reg->reg == REGKIND_IRA) {
        SetAluSrc(4); SetRegA(reg->intval); SetRasA(1); SetAluFun(0);
    } else if (reg->reg == REGKIND_IRB) {
        SetAluSrc(3); SetRegB(reg->intval); SetRasB(1); SetAluFun(0);
    } else {
        SetAluSrc(2); SetRasA(0); SetAluFun(0);
    }
    out->assignType = SOURCE_BUS_ALU;
}

void BusSourceRegister(YYSTYPE *out, int number) {
    if (!SecondPass()) return;
    SetRegA(number); SetRasA(0); SetAluFun(0); SetAluSrc(4);
    out->assignType = SOURCE_BUS_ALU;
}

void BusSourceNumber(YYSTYPE *out, int value) {
    if (!SecondPass()) return;
    SetCte(value); SetAluFun(0);
    out->assignType = SOURCE_BUS_CTE;
}

void AssignToMem(int assignType) {
    if (!SecondPass()) return;
    if (assignType == SOURCE_BUS_CTE) SetY(BUS_CTE_TO_MEM);
    else if (assignType == SOURCE_BUS_ALU) SetY(BUS_ALU_TO_MEM);
}

void AssignToFlag(int flagKind, int assignType) {
    if (!SecondPass()) return;
    SetY(assignType == SOURCE_BUS_CTE ? BUS_CTE_TO_FLAG : BUS_ALU_TO_FLAG);
    SetFlag(flagKind == OPERAND_UFLAG ? 6 : 7);
}
