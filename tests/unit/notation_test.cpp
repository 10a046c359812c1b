// The notation of a microword: what zanfo-dump and the simulator's trace
// show.  The words are zanfo's own (the worked examples of the manual) and
// hand-made ones that hold what zanfo never writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "microword.h"
#include "mic_file.h"
#include "notation.h"
#include "targets.h"

namespace {

TEST(Notation, DescribesWordsAsZanfoWritesThem) {
    const struct {
        uint64_t word;
        const char *text;
    } cases[] = {
        {0x430000B100420010, "R1 = R2, JUMP($0010)"},  // an address in hexadecimal
        {0x0A01009040000000, "RET(NUZ)"},
        {0x4E0001B240430000, "R1 = R1 - R3"},          // S - R: the destination first
        {0x4E08008940040000, "RQ = R4 AND MEM"},
        {0x4E38099340010005, "COMP(R1, 5)"},
        {0x4E3C00D141450007, "R5 = R5 + 7, ASR"},
        {0x4E3808B941020001, "R4 = R2 AND 1, LDUFLAG"},
        {0x480000D100820001, "R2 = R2, LSR, LOOP($0001)"},
        {0x4E1001B0C3C00000, "INCR(R15), LDIR"},
        {0xCE00009040000000, "HALT"},
        {0x4E00009040000000, "NOP"},
        // What zanfo never writes is named after the items.
        {0x4400009040000000, "NOP  { not in zanfo: Sequencer 4 (PUSH) }"},
        {0x4E00006040000000, "NOP  { not in zanfo: AluDest 6 }"},
        {0x6E00009040000000, "NOP  { not in zanfo: Unused61 2 }"},
        {0x4E00009040000007, "NOP  { not in zanfo: ConstantAddr 7 with no item that uses it }"},
        {0x0E00009040000000,
         "NOP  { not in zanfo: CondEnable 0 (test) with Sequencer 14 (CONT), which zanfo never makes conditional }"},
        // ... and what the machine does with it.
        {0x4E00005041030000,
         "R4 = R4 + R3  { not in zanfo: AluDest 5 (F->B) with F = A + B: the machine writes F, as with AluDest 11, "
         "where zanfo uses 5 only to load the D bus }"},
        {0x4E08007140020000,
         "RQ = R2 + MEM  { not in zanfo: AluDest 7 (F->Q) with F = D + A: the machine writes F, as with AluDest 8, "
         "where zanfo uses 7 only to load the D bus }"},
        {0x4E0001B040420000, "R1 = R1 + R2  { not in zanfo: CarryIn 1 with AluFunction 0 (ADD): F = A + B + 1 }"},
        {0x4E000B9440810000,
         "COMP(R1, R2), LDMFLAG  { not in zanfo: COMP with FlagInstr 5 (LDMFLAG): the comparison's flags go into "
         "MFLAG, not UFLAG }"},
        {0x4E000890C0000000,
         "LDUFLAG  { not in zanfo: an ALU operation (AluSource 3 (0, B), AluFunction 0 (ADD), CarryIn 0) whose "
         "result goes nowhere, but its flags into UFLAG }"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DescribeWord(c.word), c.text) << std::hex << c.word;
}

TEST(Notation, NamesJumpTargetsThroughTheCallersNamer) {
    LabelNamer names = [](uint32_t address) { return address == 0x10 ? std::string("start") : std::string(); };
    EXPECT_EQ(DescribeWord(0x430000B100420010, names), "R1 = R2, JUMP(start)");
    EXPECT_EQ(DescribeWord(0x4300009040000011, names), "JUMP($0011)");
    // The count of LDCOUNT is no address.
    EXPECT_EQ(DescribeWord(0x4C00009040000010, names), "LDCOUNT(16)");
}

TEST(Notation, EverySpellingHasTheSameShapeWhateverTheNamer) {
    LabelNamer names = [](uint32_t) { return std::string("there"); };
    // RQ = IRA1 with the B select 0 is "RQ = IRA1 + 0" before "RQ = IRA1".
    const uint64_t word = 0x4300008110100005;
    auto labelled = Spellings(word, names), numbered = Spellings(word);
    ASSERT_EQ(labelled.size(), numbered.size());
    EXPECT_EQ(ItemsText(labelled[0]), "RQ = IRA1 + 0, JUMP(there)");
    EXPECT_EQ(ItemsText(numbered.back()), "RQ = IRA1, JUMP($0005)");
}

// A .mic file's targets: a label where a word is, the number elsewhere.
TEST(Notation, NamesTheTargetsThatHoldAWord) {
    const MicFile mic = ParseMicText("p.mic", "0010 4300009040000010\n0011 4300009040000123\n", MicUse::Listing);
    const LabelNamer names = HeldTargets(mic);
    EXPECT_EQ(DescribeWord(mic.words[0].word, names), "JUMP(L0010)");
    EXPECT_EQ(DescribeWord(mic.words[1].word, names), "JUMP($0123)");
    EXPECT_EQ(AddressNumber(0xFFFF), "$FFFF");
}

TEST(Notation, DumpLineShowsAddressWordAndSequencer) {
    EXPECT_EQ(DumpLine(0x11, 0x4E0001B240430000), "0011 4E0001B240430000  CONT  R1 = R1 - R3");
    EXPECT_EQ(DumpLine(0x12345, 0x0A01009040000000), "2345 0A01009040000000  CRTN  RET(NUZ)");
    EXPECT_STREQ(SequencerName(0x4F00009040000000), "TWB");
}

TEST(Notation, FieldLinesNameEveryFieldAndMarkWhatZanfoNeverWrites) {
    const std::string lines = FieldLines(0x4600006040000000);
    EXPECT_NE(lines.find("    Sequencer         6  CJV: pass: jump to the vector input  [not expressible in zanfo]\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("    AluDest           6  not defined  [not expressible in zanfo]\n"), std::string::npos)
        << lines;
    EXPECT_NE(lines.find("    ConstantAddr      0  $0000\n"), std::string::npos) << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 17);
    // An IR field as the B address, with bits the machine ignores.
    const uint64_t irb = PutField(PutField(0x4E0000B040000000, Field::RegSelect, 2), Field::RegB, 33);
    EXPECT_NE(FieldLines(irb).find("RegB             33  IRB2: B address from IR bits 11..8; the low 4 bits are "
                                   "ignored  [not expressible in zanfo]"),
              std::string::npos)
        << FieldLines(irb);
}

}  // namespace
