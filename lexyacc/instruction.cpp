// zanfo: the microinstruction record, its field setters, and the writer that
// completes a microinstruction and prints it as one line of the .mic file.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "errors.h"
#include "microword.h"
#include "zanfo.h"

Instruction instruction;  // all zeros at start-up: shiftDone is 0 until the first clear

void ClearInstruction() {
    memset(&instruction, 0, sizeof instruction);
    instruction.shiftDone = 2;
}

// A field takes the later value even when it was already set; the second use
// is reported and assembly goes on.
static void SetField(int &value, int &used, const char *msg, int n) {
    if (used)
        ShowError(msg);
    value = n;
    used = 1;
}

void SetCcen(int n) { SetField(instruction.ccen, instruction.ccenUsed, msgCcenUsed, n); }
void SetSeq(int n) { SetField(instruction.seq, instruction.seqUsed, msgSeqUsed, n); }
void SetY(int n) { SetField(instruction.y, instruction.yUsed, msgYUsed, n); }
void SetShift(int n) { SetField(instruction.shift, instruction.shiftUsed, msgShiftUsed, n); }
void SetCc(int n) { SetField(instruction.cc, instruction.ccUsed, msgCcUsed, n); }
void SetFlag(int n) { SetField(instruction.flag, instruction.flagUsed, msgFlagUsed, n); }
void SetCarry(int n) { SetField(instruction.carry, instruction.carryUsed, msgCarryUsed, n); }
void SetAluDst(int n) { SetField(instruction.aluDst, instruction.aluDstUsed, msgAluDstUsed, n); }
void SetAluFun(int n) { SetField(instruction.aluFun, instruction.aluFunUsed, msgAluFunUsed, n); }
void SetAluSrc(int n) { SetField(instruction.aluSrc, instruction.aluSrcUsed, msgAluSrcUsed, n); }
void SetRasA(int n) { SetField(instruction.rasA, instruction.rasAUsed, msgRegSelectUsed, n); }
void SetRasB(int n) { SetField(instruction.rasB, instruction.rasBUsed, msgRegSelectUsed, n); }
void SetRegB(int n) { SetField(instruction.regb, instruction.regbUsed, msgRegBUsed, n); }
void SetRegA(int n) { SetField(instruction.rega, instruction.regaUsed, msgRegAUsed, n); }
void SetCte(int n) { SetField(instruction.cte, instruction.cteUsed, msgCteUsed, n); }

// The shift direction has no used flag of its own: 2 means no shift pending.
void SetShiftDone(int n) {
    if (instruction.shiftDone != 2)
        ShowError(msgShiftUsed);
    instruction.shiftDone = n;
}

// ---------------------------------------------------------------------------
// Writing the microword.
// ---------------------------------------------------------------------------

// Fields nobody set take the values that make the machine do nothing:
// continue with the next microinstruction, test no condition, write no ALU
// result, read the A and B ports.
static void FillIdleValues() {
    Instruction &in = instruction;
    if (!in.breakpointUsed) { in.breakpoint = 0; in.breakpointUsed = 1; }
    if (!in.ccenUsed) { in.ccen = 1; in.ccenUsed = 1; }
    if (!in.seqUsed) { in.seq = 14; in.seqUsed = 1; }
    if (!in.aluDstUsed) { in.aluDst = 9; in.aluDstUsed = 1; }
    if (!in.aluSrcUsed) { in.aluSrc = 1; in.aluSrcUsed = 1; }
}

// A port select that nobody set follows the other port's.
static void CompleteRegisterSelect() {
    Instruction &in = instruction;
    if (!in.rasAUsed)
        in.rasA = in.rasBUsed ? in.rasB : 0;
    if (!in.rasBUsed)
        in.rasB = in.rasAUsed ? in.rasA : 0;
}

// The shifter works on the ALU result on its way to the register file:
// destination 10 or 11 (B register) becomes 13 (shift right) or 15 (left).
static void FoldPendingShift() {
    Instruction &in = instruction;
    if (in.shiftDone == 2)
        return;
    switch (in.aluDst) {
    case 0: case 1: case 2: case 3: case 5: case 7: case 8:
        ShowError(msgCannotShift);
        break;
    case 4: case 6: case 12: case 13: case 14: case 15:
        ShowError(msgAlreadyShifting);
        break;
    case 9:
        ShowError(msgNothingToShift);
        break;
    case 10: case 11:
        in.aluDst = in.shiftDone == 1 ? 13 : 15;
        break;
    default:
        break;
    }
}

static void ComputeRegisterSelect() {
    Instruction &in = instruction;
    if ((in.rasA == 0 || in.rasA == 1) && (in.rasB == 0 || in.rasB == 1))
        in.ar = in.rasA | in.rasB << 1;
}

// Which record field fills which microword field; where each one sits in
// the word is the microword's own table.  Bits 61..60 and 55 stay 0.
struct PackedField {
    Field field;
    int Instruction::*value;
};
static const PackedField packedFields[] = {
    {Field::Break, &Instruction::breakpoint},
    {Field::CondEnable, &Instruction::ccen},
    {Field::Sequencer, &Instruction::seq},
    {Field::YBusCtrl, &Instruction::y},
    {Field::ShiftCtrl, &Instruction::shift},
    {Field::CondCode, &Instruction::cc},
    {Field::FlagInstr, &Instruction::flag},
    {Field::CarryIn, &Instruction::carry},
    {Field::AluDest, &Instruction::aluDst},
    {Field::AluFunction, &Instruction::aluFun},
    {Field::AluSource, &Instruction::aluSrc},
    {Field::RegSelect, &Instruction::ar},
    {Field::RegB, &Instruction::regb},
    {Field::RegA, &Instruction::rega},
    {Field::ConstantAddr, &Instruction::cte},
};

// Each value is cut to its field's width.
static uint64_t PackMicroword() {
    uint64_t word = 0;
    for (const PackedField &packed : packedFields)
        word = PutField(word, packed.field, static_cast<uint32_t>(instruction.*packed.value));
    return word;
}

// "AAAA WWWWWWWWWWWWWWWW\n": the address's low 16 bits and the microword,
// in upper-case hexadecimal.
static void FormatLine(char out[22], uint32_t address, uint64_t word) {
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 3; i >= 0; --i, address >>= 4)
        out[i] = hex[address & 15];
    out[4] = ' ';
    for (int i = 20; i >= 5; --i, word >>= 4)
        out[i] = hex[word & 15];
    out[21] = '\n';
}

void WriteInstruction() {
    FillIdleValues();
    CompleteRegisterSelect();
    FoldPendingShift();
    ComputeRegisterSelect();
    char text[22];
    FormatLine(text, static_cast<uint32_t>(dir), PackMicroword());
    fwrite(text, 1, sizeof text, f);
    ClearInstruction();
}
