// zanfo: two-operand ALU operations ("dst = op1 op op2") and comparisons
// ("COMP(op1, op2)").
//
// The datapath: an Am2901-style ALU with inputs R and S.  The source code
// picks the pair (R, S):
//
//      code   0    1    2     3    4     5    6    7
//      R      A    A    zero  zero zero  D    D    D
//      S      Q    B    Q     B    A     A    Q    zero
//
// A and B are the register file's two ports (the result goes back through
// B only); each is addressed directly (rega/regb) or through the IR fields
// (IRA0..IRA3 on A, IRB0..IRB3 on B).  D is a bus carrying memory data, the
// constant field or a flag register, and the same bus carries the result out
// to memory or a flag register: one transfer per microinstruction.
#include "errors.h"
#include "zanfo.h"

// ---------------------------------------------------------------------------
// Operand kinds.
// ---------------------------------------------------------------------------

int IsSameRegister(const OperandType *o1, const OperandType *o2) {
    return o1->type == o2->type && o1->intval == o2->intval;
}

int IsBRReg(const OperandType *o) {
    return o->type == OPERAND_REG || o->type == OPERAND_IRA || o->type == OPERAND_IRB;
}

int IsDOp(const OperandType *o) {
    return o->type == OPERAND_MEM || o->type == OPERAND_CONST || o->type == OPERAND_UFLAG ||
           o->type == OPERAND_MFLAG;
}

static bool Is(const OperandType *o, int kind) { return o->type == kind; }
static bool IsRegOrIra(const OperandType *o) { return Is(o, OPERAND_REG) || Is(o, OPERAND_IRA); }
static bool IsRegOrIrb(const OperandType *o) { return Is(o, OPERAND_REG) || Is(o, OPERAND_IRB); }

// A constant 0 needs neither the bus nor the constant field: the ALU has a
// zero input of its own.
static void ConvertZero(OperandType *o) {
    if (Is(o, OPERAND_CONST) && o->intval == 0)
        o->type = OPERAND_ZERO;
}

// A <- x: the A port reads x.
static void PortA(const OperandType *x) {
    SetRegA(x->intval);
    SetRasA(Is(x, OPERAND_IRA) ? 1 : 0);
}

// B <- x: the B port reads x.
static void PortB(const OperandType *x) {
    SetRegB(x->intval);
    SetRasB(Is(x, OPERAND_IRB) ? 1 : 0);
}

// ---------------------------------------------------------------------------
// dst = op1 fun op2
// ---------------------------------------------------------------------------

// D bus code of an operand read as a source, and of the destination.
static int SourceBusCode(const OperandType *o) {
    switch (o->type) {
    case OPERAND_MEM: return 1;
    case OPERAND_CONST: return 7;
    case OPERAND_UFLAG:
    case OPERAND_MFLAG: return 10;
    default: return 0;
    }
}

static int DestinationBusCode(const OperandType *o) {
    switch (o->type) {
    case OPERAND_MEM: return 4;
    case OPERAND_UFLAG:
    case OPERAND_MFLAG: return 6;
    default: return 0;
    }
}

// What the D input needs besides the bus code: the flag register to read,
// or the constant.
static void DSetup(const OperandType *x) {
    if (Is(x, OPERAND_UFLAG)) SetFlag(2);
    else if (Is(x, OPERAND_MFLAG)) SetFlag(3);
    else if (Is(x, OPERAND_CONST)) SetCte(x->intval);
}

// The register (or Q, or zero) that shares the ALU with a D operand.
static void BesideD(const OperandType *other) {
    if (IsRegOrIra(other)) { PortA(other); SetAluSrc(5); }  // (D, A)
    else if (Is(other, OPERAND_Q)) SetAluSrc(6);            // (D, Q)
    else if (Is(other, OPERAND_ZERO)) SetAluSrc(7);         // (D, 0)
    else ShowError(msgInvalidOperands);
}

// The operand that shares the ALU with the zero input.
static void BesideZero(const OperandType *other) {
    if (Is(other, OPERAND_Q)) SetAluSrc(2);                       // (0, Q)
    else if (Is(other, OPERAND_REG)) { PortA(other); SetAluSrc(4); }  // (0, A)
    else if (Is(other, OPERAND_IRB)) { PortB(other); SetAluSrc(3); }  // (0, B)
    else if (Is(other, OPERAND_IRA)) { PortA(other); SetAluSrc(4); }  // (0, A)
    else ShowError(msgInvalidOperands);
}

// The checks that end the operation before any field changes; returns the
// message, or nullptr when the operation can go on.
static const char *DyadicCheck(const OperandType *dst, const OperandType *op1,
                               const OperandType *op2, int numBusUsed) {
    const bool regDst = Is(dst, OPERAND_REG) || Is(dst, OPERAND_IRB);
    const bool dstIsSource = IsSameRegister(dst, op1) || IsSameRegister(dst, op2);
    const bool constant = Is(op1, OPERAND_CONST) || Is(op2, OPERAND_CONST);

    if (numBusUsed >= 2)
        return msgDestIncompatible;
    if (regDst && !dstIsSource && IsBRReg(op1) && IsBRReg(op2))
        return msgDestIncompatible;
    // An IRB source beside the zero input travels through the B port, which
    // the destination would take over: the result would be computed from
    // the destination register instead.
    if (regDst && ((Is(op1, OPERAND_ZERO) && Is(op2, OPERAND_IRB) && !IsSameRegister(dst, op2)) ||
                   (Is(op2, OPERAND_ZERO) && Is(op1, OPERAND_IRB) && !IsSameRegister(dst, op1))))
        return msgDestIncompatible;
    if (Is(dst, OPERAND_IRA))
        return msgBadDestination;
    if (numBusUsed == 1 && instruction.yUsed)
        return msgYUsed;
    if (regDst && instruction.regbUsed)
        return msgRegBUsed;
    if (Is(op1, OPERAND_IRB) && Is(op2, OPERAND_IRB))
        return msgSourcesIncompatible;
    if (Is(op1, OPERAND_Q) && Is(op2, OPERAND_Q))
        return msgSourcesIncompatible;
    if (constant && instruction.cteUsed)
        return msgConstUsed;
    return nullptr;
}

// Puts the operands on R and S; returns 1 when op1 ended up on S ("swapped").
// Rows are tried in order and the first that matches places the operands.
static int PlaceDyadic(const OperandType *dst, const OperandType *op1, const OperandType *op2) {
    // 1. reg/IRA, Q: (A, Q)
    if (IsRegOrIra(op1) && Is(op2, OPERAND_Q)) {
        PortA(op1); SetAluSrc(0);
        return 0;
    }
    // 2. Q, reg/IRA: (A, Q), exchanged
    if (Is(op1, OPERAND_Q) && IsRegOrIra(op2)) {
        PortA(op2); SetAluSrc(0);
        return 1;
    }
    // 3. reg/IRA, reg/IRB, op1 is the destination: op1 on B, exchanged
    if (IsRegOrIra(op1) && IsRegOrIrb(op2) && IsSameRegister(op1, dst)) {
        PortB(op1);
        if (Is(op2, OPERAND_IRB)) ShowError(msgInvalidOperands);
        else PortA(op2);
        SetAluSrc(1);
        return 1;
    }
    // 4. reg/IRA, reg/IRB: (A, B)
    if (IsRegOrIra(op1) && IsRegOrIrb(op2)) {
        PortA(op1); PortB(op2); SetAluSrc(1);
        return 0;
    }
    // 5. reg/IRB, reg/IRA, op1 is the destination: (A, B), exchanged
    if (IsRegOrIrb(op1) && IsRegOrIra(op2) && IsSameRegister(op1, dst)) {
        PortB(op1); PortA(op2); SetAluSrc(1);
        return 1;
    }
    // 6. reg/IRB, reg/IRA otherwise: the ports cannot take them in this order
    if (IsRegOrIrb(op1) && IsRegOrIra(op2)) {
        ShowError(msgWrongOperandOrder); SetAluSrc(1);
        return 0;
    }
    // 7. D operand first: (D, other)
    if (IsDOp(op1)) {
        DSetup(op1); BesideD(op2);
        return 0;
    }
    // 8. D operand second: (D, other), exchanged
    if (IsDOp(op2)) {
        DSetup(op2); BesideD(op1);
        return 1;
    }
    // 9. zero first: (0, other)
    if (Is(op1, OPERAND_ZERO)) {
        BesideZero(op2);
        return 0;
    }
    // 10. zero second: (0, other), exchanged
    if (Is(op2, OPERAND_ZERO)) {
        BesideZero(op1);
        return 1;
    }
    // 11. nothing else fits
    ShowError(msgInvalidOperands);
    return 0;
}

// The register file is written through the B address; flags and memory
// through the bus.
static void SetDestination(const OperandType *dst, int regbUsedBefore, int rasBUsedBefore) {
    switch (dst->type) {
    case OPERAND_REG:
    case OPERAND_IRB:
        // The destination takes over the B address that placement may have
        // just given the same register.
        if (!regbUsedBefore) instruction.regbUsed = 0;
        if (!rasBUsedBefore) instruction.rasBUsed = 0;
        SetRegB(dst->intval);
        SetRasB(Is(dst, OPERAND_IRB) ? 1 : 0);
        SetAluDst(11);
        break;
    case OPERAND_Q: SetAluDst(8); break;
    case OPERAND_UFLAG: SetFlag(4); break;
    case OPERAND_MFLAG: SetFlag(5); break;
    default: break;  // MEM: the bus code already says it
    }
}

// Operator codes: + - OR AND NOTRS XOR XNOR are 0..6.  Subtraction is
// R - S (function 2) or, with the operands exchanged, S - R (function 1),
// both with the carry in set.
static void SetFunction(int fun, int swapped) {
    if (fun == 0) {
        SetAluFun(0);
    } else if (fun == 1) {
        SetAluFun(swapped ? 1 : 2);
        SetCarry(1);
    } else if (fun >= 2 && fun <= 6) {
        SetAluFun(fun + 1);
    }
}

void TratarDiadico(OperandType *dst, OperandType *op1, int fun, OperandType *op2) {
    const int regbUsedBefore = instruction.regbUsed;
    const int rasBUsedBefore = instruction.rasBUsed;
    ConvertZero(op1);
    ConvertZero(op2);

    const int busOp1 = SourceBusCode(op1);
    const int busOp2 = SourceBusCode(op2);
    const int busDst = DestinationBusCode(dst);
    const int numBusUsed = (busOp1 != 0) + (busOp2 != 0) + (busDst != 0);

    if (const char *msg = DyadicCheck(dst, op1, op2, numBusUsed)) {
        ShowError(msg);
        return;
    }
    if (numBusUsed == 1) {
        instruction.y = busOp1 ? busOp1 : busOp2 ? busOp2 : busDst;
        instruction.yUsed = 1;
    }
    const int swapped = PlaceDyadic(dst, op1, op2);
    SetDestination(dst, regbUsedBefore, rasBUsedBefore);
    if (!instruction.rasBUsed) SetRasB(0);
    if (!instruction.rasAUsed) SetRasA(0);
    SetFunction(fun, swapped);
}

// ---------------------------------------------------------------------------
// COMP(op1, op2): the ALU computes op1 - op2 for the flags and writes no
// register.
// ---------------------------------------------------------------------------

static void DSetupComp(const OperandType *x) {
    switch (x->type) {
    case OPERAND_MEM: SetY(1); break;
    case OPERAND_CONST: SetY(7); SetCte(x->intval); break;
    case OPERAND_UFLAG: SetY(10); SetFlag(2); break;
    case OPERAND_MFLAG: SetY(10); SetFlag(3); break;
    default: break;
    }
}

static void PlaceComp(const OperandType *op1, const OperandType *op2) {
    const bool zero1 = Is(op1, OPERAND_ZERO);
    if (IsRegOrIra(op1) && Is(op2, OPERAND_Q)) { PortA(op1); SetAluSrc(0); }              // 1
    else if (IsRegOrIra(op1) && IsRegOrIrb(op2)) { PortA(op1); PortB(op2); SetAluSrc(1); }  // 2
    else if (zero1 && Is(op2, OPERAND_Q)) SetAluSrc(2);                                    // 3
    else if (zero1 && IsRegOrIra(op2)) { PortA(op2); SetAluSrc(4); }                       // 4
    else if (zero1 && Is(op2, OPERAND_IRB)) { PortB(op2); SetAluSrc(3); }                  // 5
    else if (IsDOp(op1) && IsRegOrIra(op2)) { PortA(op2); DSetupComp(op1); SetAluSrc(5); }  // 6
    else if (IsDOp(op1) && Is(op2, OPERAND_Q)) { DSetupComp(op1); SetAluSrc(6); }          // 7
    else if (IsDOp(op1) && Is(op2, OPERAND_ZERO)) { DSetupComp(op1); SetAluSrc(7); }       // 8
    else if (zero1 && Is(op2, OPERAND_ZERO)) { SetY(7); SetCte(0); SetAluSrc(7); }         // 9
    else ShowError(msgInvalidOperands);                                                    // 10
}

void TratarComp(OperandType *op1, OperandType *op2) {
    ConvertZero(op1);
    ConvertZero(op2);
    // Q and IRB can only sit on S, D and zero only on R: exchange the
    // operands to bring them there.
    int swapped = 0;
    if (Is(op1, OPERAND_IRB) || Is(op1, OPERAND_Q) || IsDOp(op2) ||
        (Is(op2, OPERAND_ZERO) && !IsDOp(op1))) {
        OperandType *t = op1;
        op1 = op2;
        op2 = t;
        swapped = 1;
    }
    PlaceComp(op1, op2);
    SetAluFun(swapped ? 1 : 2);
    SetFlag(4);
    SetCarry(1);
}
