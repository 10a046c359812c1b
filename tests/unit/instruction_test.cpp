// The microinstruction record: second-use reports of the field setters, and
// the microword line that WriteInstruction completes, packs and prints.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "errors.h"
#include "zanfo.h"

namespace {

// Runs `build` on a cleared record at address `address` and returns the
// line WriteInstruction prints.
template <typename Build>
std::string Line(int address, Build build) {
    char *buffer = nullptr;
    size_t size = 0;
    f = open_memstream(&buffer, &size);
    ClearInstruction();
    dir = address;
    build();
    WriteInstruction();
    fclose(f);
    f = nullptr;
    std::string text(buffer, size);
    free(buffer);
    return text;
}

// What the calls in `build` report on standard error.
template <typename Build>
std::string Reports(Build build) {
    testing::internal::CaptureStderr();
    build();
    return testing::internal::GetCapturedStderr();
}

// R5 = R5 + 7: the constant on D, R5 on A, written back through B.
void AddSevenToR5() {
    SetY(7);
    SetCte(7);
    SetRegA(5);
    SetRasA(0);
    SetAluSrc(5);
    SetRegB(5);
    SetRasB(0);
    SetAluDst(11);
    SetAluFun(0);
}

TEST(Microword, IdleAndBreakpointWords) {
    EXPECT_EQ(Line(0, [] {}), "0000 4E00009040000000\n");
    EXPECT_EQ(Line(0x30, [] {
                  instruction.breakpoint = 1;
                  instruction.breakpointUsed = 1;
              }),
              "0030 CE00009040000000\n");
}

TEST(Microword, AluOperationWithShifts) {
    EXPECT_EQ(Line(0x20, AddSevenToR5), "0020 4E3800B141450007\n");
    EXPECT_EQ(Line(0x20, [] { AddSevenToR5(); SetShiftDone(1); SetShift(0); }),  // LSR
              "0020 4E3800D141450007\n");
    EXPECT_EQ(Line(0x20, [] { AddSevenToR5(); SetShiftDone(1); SetShift(2); }),  // ASR
              "0020 4E3C00D141450007\n");
    EXPECT_EQ(Line(0x20, [] { AddSevenToR5(); SetShiftDone(0); SetShift(0); }),  // LSL
              "0020 4E3800F141450007\n");
}

TEST(Microword, ShiftWithoutShiftableDestination) {
    line = 7;
    std::string out;
    EXPECT_EQ(Reports([&] { out = Line(0, [] { SetShiftDone(1); SetShift(2); }); }),
              "error:7:No hay nada que desplazar\n");
    EXPECT_EQ(out, "0000 4E04009040000000\n");  // ShiftCtrl 2 still written
    EXPECT_EQ(Reports([] { Line(0, [] { SetAluDst(8); SetShiftDone(0); SetShift(0); }); }),
              "error:7:El resultado de la ALU no puede desplazarse\n");
    EXPECT_EQ(Reports([] { Line(0, [] { SetAluDst(13); SetShiftDone(0); SetShift(0); }); }),
              "error:7:Ya se est\xE1 efecuando un desplazamiento\n");
}

TEST(Microword, RegisterSelectFollowsTheOnlySelectGiven) {
    // Only the A port reads through the IR field: B follows, RegSelect 3.
    EXPECT_EQ(Line(0, [] { SetRegA(16); SetRasA(1); }), "0000 4E00009070100000\n");
    EXPECT_EQ(Line(0, [] { SetRasB(1); }), "0000 4E00009070000000\n");
    EXPECT_EQ(Line(0, [] { SetRasA(1); SetRasB(0); }), "0000 4E00009050000000\n");
}

TEST(Microword, AddressAndConstantKeepTheirLow16Bits) {
    EXPECT_EQ(Line(0x12345, [] { SetCte(0x1ABCD); }), "2345 4E0000904000ABCD\n");
    EXPECT_EQ(Line(-1, [] { SetCte(-2); }), "FFFF 4E0000904000FFFE\n");
    // Register numbers keep their low six bits.
    EXPECT_EQ(Line(0, [] { SetRegA(64 + 5); SetRegB(64 + 3); }), "0000 4E00009040C50000\n");
}

TEST(Setters, ReportEachSecondUseInCallOrder) {
    ClearInstruction();
    line = 12;
    EXPECT_EQ(Reports([] {
                  SetCcen(1); SetSeq(1); SetCte(10);  // CALL(10)
                  SetCcen(1); SetSeq(3); SetCte(20);  // JUMP(20)
              }),
              "error:12:El campo \"CondEnable\" ya ha sido utilizado\n"
              "error:12:El campo \"Sequencer\" ya ha sido utilizado\n"
              "error:12:El campo \"ConstantAddr\" ya ha sido utilizado\n");
    EXPECT_EQ(instruction.seq, 3);  // the later value stays
    EXPECT_EQ(instruction.cte, 20);
}

TEST(Setters, EveryFieldReportsWithItsOwnName) {
    const struct {
        void (*set)(int);
        const char *name;
    } setters[] = {
        {SetCcen, "CondEnable"}, {SetSeq, "Sequencer"},   {SetY, "YBusCtrl"},
        {SetShift, "ShiftCtrl"}, {SetCc, "CondCode"},     {SetFlag, "FlagInstr"},
        {SetCarry, "CarryIn"},   {SetAluDst, "AluDest"},  {SetAluFun, "AluFunction"},
        {SetAluSrc, "AluSource"}, {SetRasA, "RegSelect"}, {SetRasB, "RegSelect"},
        {SetRegB, "RegB"},       {SetRegA, "RegA"},       {SetCte, "ConstantAddr"},
    };
    line = 3;
    for (const auto &s : setters) {
        ClearInstruction();
        EXPECT_EQ(Reports([&] { s.set(1); s.set(2); }),
                  std::string("error:3:El campo \"") + s.name + "\" ya ha sido utilizado\n");
    }
}

TEST(Setters, SeparateFieldsAndClearedRecordReportNothing) {
    ClearInstruction();
    EXPECT_EQ(Reports([] { SetRasA(1); SetRasB(1); }), "");  // both named RegSelect
    ClearInstruction();
    EXPECT_EQ(instruction.shiftDone, 2);
    EXPECT_EQ(instruction.rasAUsed + instruction.rasBUsed, 0);
    EXPECT_EQ(Reports([] { SetRasA(0); SetRasB(0); SetShiftDone(1); }), "");
}

TEST(Setters, TwoShiftsReportShiftCtrlTwice) {
    ClearInstruction();
    line = 4;
    EXPECT_EQ(Reports([] {
                  SetShiftDone(0); SetShift(0);  // LSL
                  SetShiftDone(1); SetShift(2);  // ASR
              }),
              "error:4:El campo \"ShiftCtrl\" ya ha sido utilizado\n"
              "error:4:El campo \"ShiftCtrl\" ya ha sido utilizado\n");
    EXPECT_EQ(instruction.shiftDone, 1);
    EXPECT_EQ(instruction.shift, 2);
}

TEST(Messages, AreLatin1BytesWithoutUtf8) {
    EXPECT_STREQ(msgAddressOutOfRange, "Direcci\xF3n fuera de rango");
    EXPECT_STREQ(msgBadRegisterNumber, "N\xFAmero de registro incorrecto");
    EXPECT_STREQ(msgAlreadyShifting, "Ya se est\xE1 efecuando un desplazamiento");
    for (int i = 0; i < messageCatalogueSize; ++i) {
        for (const unsigned char *p = reinterpret_cast<const unsigned char *>(messageCatalogue[i]);
             *p; ++p) {
            if (*p >= 0x80) {
                EXPECT_TRUE(*p == 0xE1 || *p == 0xF3 || *p == 0xFA) << messageCatalogue[i];
            }
        }
    }
}

TEST(Messages, ShowErrorPrintsTheCurrentLine) {
    line = 42;
    EXPECT_EQ(Reports([] { ShowError(msgUnknownIdentifier); }),
              "error:42:Identificador desconocido\n");
    EXPECT_EQ(Reports([] { yyerror("syntax error"); }), "error:42:parse error\n");
    EXPECT_EQ(Reports([] { yyerror("memory exhausted"); }), "error:42:parser stack overflow\n");
}

}  // namespace
