// zanfo: the functions the grammar's actions call.  Statement actions live
// in statements.cpp, the actions of microinstruction items in fields.cpp.
#ifndef ZANFO_ACTIONS_H
#define ZANFO_ACTIONS_H

#include "zanfo.h"

// Statements.
void EndMicroinstruction(int firstLine, int lastLine);  // lines of its first and last tokens
void DefineEquate(const char *name, const char *registerText);
void SetOrigin(int address);
void DefineLabel(const char *name);
void ResolveLabel(YYSTYPE *target, const char *name);

// Values of registers, operands and conditions (both passes).
void IndexedRegister(YYSTYPE *out, int kind, int digit);
void MakeOperand(YYSTYPE *out, int kind, int value);
int ConditionCode(int token);

// Items of a microinstruction (second pass only).
void Halt();
void Jmpz();
void Jmap();
void LdCount(int count);
void Loop(int target);
void Ret();
void RetIf(int cond);
void Call(int target);
void CallIf(int target, int cond);
void Jump(int target);
void JumpIf(int target, int cond);
void Shift(int direction, int mode);
void LoadFlags(int flagInstr);
void LoadBus(int busCode);
void Incr();
void Decr();
void Not();
void Neg();
void UnaryOnRegister(int number);
void UnaryOnIrb(int address);
void UnaryOnQ();
void Comp(const RegType *op1, const RegType *op2);
void Dyadic(int dstKind, int dstValue, const RegType *op1, int fun, const RegType *op2);
void SourceRegister(YYSTYPE *out, int number);
void SourceIra(YYSTYPE *out, int address);
void SourceIrb(YYSTYPE *out, int address);
void SourceMem(YYSTYPE *out);
void SourceFlag(YYSTYPE *out, int flagKind);
void SourceNumber(YYSTYPE *out, int value);
void SourceQ(YYSTYPE *out);
void AssignToRegister(int number, int assignType);
void AssignToQ(int assignType);
void AssignToIrb(int address, int assignType);
void BusSourceSpecial(YYSTYPE *out, const RegType *reg);
void BusSourceRegister(YYSTYPE *out, int number);
void BusSourceNumber(YYSTYPE *out, int value);
void AssignToMem(int assignType);
void AssignToFlag(int flagKind, int assignType);

#endif
