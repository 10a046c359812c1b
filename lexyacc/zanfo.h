// zanfo: the records and globals that the scanner, the parser, the field
// actions and the microword builder share.
#ifndef ZANFO_ZANFO_H
#define ZANFO_ZANFO_H

#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------
// Semantic value of a token and of every grammar symbol.
//
// All members start at the same storage: `intval` and `assignType` are the
// first four bytes of `cadena`, and `regType.cadena` is `cadena` itself, so
// text written through one is read through the other.  The register number
// and kind of `regType` lie after the 16 characters and do not overlap them.
// ---------------------------------------------------------------------------
struct RegType {
    char cadena[16];   // register text as bound by EQU ("r5", "ira1", "rq"), at most 15 chars
    int32_t intval;    // register number (general), or 16 * digit (IRA/IRB words)
    int32_t reg;       // register kind: 0 RQ, 1 IRA, 2 IRB, 3 general "Rn"; operand kind in ALU items
};

union YYSTYPE {
    char cadena[16];     // identifier text, at most 15 characters and the terminator
    int32_t intval;      // number, condition code, operator code, jump target
    RegType regType;     // register or ALU operand
    int32_t assignType;  // class of an assignment's source (see the field actions)
};
typedef union YYSTYPE YYSTYPE;
#define YYSTYPE_IS_TRIVIAL 1
#define YYSTYPE_IS_DECLARED 1

// Register kinds carried in `regType.reg`.
enum RegisterKind { REGKIND_Q = 0, REGKIND_IRA = 1, REGKIND_IRB = 2, REGKIND_GENERAL = 3 };

// ---------------------------------------------------------------------------
// An ALU operand as the field actions hand it to the two-operand translation.
// ---------------------------------------------------------------------------
enum OperandKind {
    OPERAND_Q = 0,       // the Q register: reaches the ALU on S only
    OPERAND_IRA = 1,     // IRA0..IRA3: A port with the instruction-register select
    OPERAND_IRB = 2,     // IRB0..IRB3: B port with the instruction-register select
    OPERAND_REG = 3,     // R0..R63: A or B port, direct address
    OPERAND_MEM = 4,     // memory data on the D bus
    OPERAND_CONST = 5,   // the 16-bit constant field on the D bus
    OPERAND_UFLAG = 9,   // user flag register on the D bus
    OPERAND_MFLAG = 10,  // machine flag register on the D bus
    OPERAND_ZERO = 11,   // a constant 0: the ALU's own zero input
};

struct OperandType {
    int type;    // an OperandKind
    int intval;  // register number, 16 * IR digit, or the constant's value
};

// ---------------------------------------------------------------------------
// The microinstruction being assembled.  Every field has its value and a
// used flag; the value's width and place in the 64-bit microword are given
// beside it (bit 63 is the leftmost).  Field setters live in instruction.cpp.
// ---------------------------------------------------------------------------
struct Instruction {
    int breakpoint;      // bit 63, Break: 1 stops the machine here (HALT)
    int breakpointUsed;
    int ccen;            // bit 62, CondEnable: 0 the sequencer tests cc, 1 it does not
    int ccenUsed;
    int seq;             // bits 59..56, Sequencer: Am2910 instruction (14 = continue)
    int seqUsed;
    int y;               // bits 54..51, YBusCtrl: which transfer the D bus makes
    int yUsed;
    int shift;           // bits 50..49, ShiftCtrl: shifter mode, 2 arithmetic right
    int shiftUsed;
    int cc;              // bits 48..44, CondCode: condition the sequencer tests
    int ccUsed;
    int flag;            // bits 43..41, FlagInstr: operation on UFLAG/MFLAG
    int flagUsed;
    int carry;           // bit 40, CarryIn: the ALU's carry input
    int carryUsed;
    int aluDst;          // bits 39..36, AluDest: where the ALU result goes (9 = nowhere)
    int aluDstUsed;
    int aluFun;          // bits 35..33, AluFunction: Am2901 function
    int aluFunUsed;
    int aluSrc;          // bits 32..30, AluSource: Am2901 source pair (R, S)
    int aluSrcUsed;
    int rasA;            // A address from the IR field (1) or from rega (0)
    int rasAUsed;
    int rasB;            // B address from the IR field (1) or from regb (0)
    int rasBUsed;
    int ar;              // bits 29..28, RegSelect: rasA + 2 * rasB, computed when written
    int arUsed;          // never set
    int regb;            // bits 27..22, RegB: B port address, read and written
    int regbUsed;
    int rega;            // bits 21..16, RegA: A port address, read only
    int regaUsed;
    int cte;             // bits 15..0, ConstantAddr: immediate, jump target or count
    int cteUsed;
    int shiftDone;       // pending shift: 2 none, 1 right (ASR, LSR), 0 left (ASL, LSL)
};

// ---------------------------------------------------------------------------
// Process-wide state.
// ---------------------------------------------------------------------------
extern Instruction instruction;  // the microinstruction being assembled
extern int primeraPasada;        // nonzero in the first pass, 0 in the second
extern int dir;                  // address of the microinstruction being assembled
extern int line;                 // source line the scanner is on
extern FILE *f;                  // the .mic output
extern FILE *yyin;               // the source
extern YYSTYPE yylval;           // value of the token the scanner returned last

// Scanner and parser.
int yylex();
int yyparse();
int RegTypeToToken(int reg, int val);
int ParseNumber(const char *cad, int base);
int HexaToInt(const char *cad);
int OctalToInt(const char *cad);
// The scanner as at program start, reading `in`: nothing buffered, outside
// any comment, on line 1.  Only for running zanfo again in one process.
void RestartScanner(FILE *in);

// Microinstruction record and microword output.
void ClearInstruction();
void SetCcen(int n);
void SetSeq(int n);
void SetY(int n);
void SetShift(int n);
void SetShiftDone(int n);
void SetCc(int n);
void SetFlag(int n);
void SetCarry(int n);
void SetAluDst(int n);
void SetAluFun(int n);
void SetAluSrc(int n);
void SetRasA(int n);
void SetRasB(int n);
void SetRegB(int n);
void SetRegA(int n);
void SetCte(int n);
void WriteInstruction();

// Two-operand ALU operations and comparisons.
int IsSameRegister(const OperandType *o1, const OperandType *o2);
int IsBRReg(const OperandType *o);
int IsDOp(const OperandType *o);
void TratarDiadico(OperandType *dst, OperandType *op1, int fun, OperandType *op2);
void TratarComp(OperandType *op1, OperandType *op2);

// Wrap-around arithmetic of the 32-bit counters, without signed overflow.
inline int32_t WrapToInt32(uint32_t u) {
    return u <= INT32_MAX ? static_cast<int32_t>(u) : -static_cast<int32_t>(~u) - 1;
}
inline int32_t WrapAdd(int32_t a, int32_t b) {
    return WrapToInt32(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Token codes come from the generated parser header.
#include "zanfo.tab.h"

#endif
