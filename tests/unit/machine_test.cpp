// The machine of zanfo-sim against values worked out by hand from the
// model: the ALU at the 16-bit edges, every sequencer instruction on each
// of its paths, every condition after COMP, and what one cycle reads and
// writes.
#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "assemble.h"
#include "machine.h"
#include "mic_file.h"
#include "microword.h"

namespace {

constexpr uint64_t kIdle = 0x4E00009040000000;  // NOP: CONT, no destination, source (A, B)

uint64_t Word(std::initializer_list<std::pair<Field, uint32_t>> fields, uint64_t base = kIdle) {
    for (const auto &f : fields)
        base = PutField(base, f.first, f.second);
    return base;
}

// Loads a zanfo source, assembled by zanfo itself, into `m`.
void LoadSource(Machine &m, const std::string &body) {
    Assembly a = AssembleText("PROGRAM t\n" + body + "\nEND\n");
    ASSERT_TRUE(a.parsed) << a.diagnostics;
    ASSERT_EQ(a.diagnostics, "") << body;
    for (const MicWord &w : ParseMicText("t", a.mic, MicUse::ControlStore).words)
        m.LoadWord(w.address, w.word);
}

// ---------------------------------------------------------------------------
// The ALU: A is R1, B is R2, F goes to R2 and its status to UFLAG.

struct AluCase {
    const char *what;
    unsigned source, function, carry;
    uint16_t a, b, q, d;
    uint16_t f;     // worked out by hand
    uint8_t flags;  // Z 1, N 2, V 4, C 8
};

const AluCase kAluCases[] = {
    // Each source pair, adding: A 0001, B 0010, Q 0100, D 1000.
    {"A+Q", 0, 0, 0, 0x0001, 0x0010, 0x0100, 0x1000, 0x0101, 0},
    {"A+B", 1, 0, 0, 0x0001, 0x0010, 0x0100, 0x1000, 0x0011, 0},
    {"0+Q", 2, 0, 0, 0x0001, 0x0010, 0x0100, 0x1000, 0x0100, 0},
    {"0+B", 3, 0, 0, 0x0001, 0x0010, 0x0100, 0x1000, 0x0010, 0},
    {"0+A", 4, 0, 0, 0x0001, 0x0010, 0x0100, 0x1000, 0x0001, 0},
    {"D+A", 5, 0, 0, 0x0001, 0x0010, 0x0100, 0x1000, 0x1001, 0},
    {"D+Q", 6, 0, 0, 0x0001, 0x0010, 0x0100, 0x1000, 0x1100, 0},
    {"D+0", 7, 0, 0, 0x0001, 0x0010, 0x0100, 0x1000, 0x1000, 0},
    // ADD at the edges.
    {"7FFF+1", 1, 0, 0, 0x7FFF, 0x0001, 0, 0, 0x8000, kFlagN | kFlagV},
    {"0+7FFF+c", 3, 0, 1, 0, 0x7FFF, 0, 0, 0x8000, kFlagN | kFlagV},
    {"FFFF+1", 1, 0, 0, 0xFFFF, 0x0001, 0, 0, 0x0000, kFlagZ | kFlagC},
    {"8000+8000", 1, 0, 0, 0x8000, 0x8000, 0, 0, 0x0000, kFlagZ | kFlagV | kFlagC},
    {"FFFF+FFFF+c", 1, 0, 1, 0xFFFF, 0xFFFF, 0, 0, 0xFFFF, kFlagN | kFlagC},
    // SUBS, R + ~S + c: A - B with carry 1.
    {"0-1", 1, 2, 1, 0x0000, 0x0001, 0, 0, 0xFFFF, kFlagN},
    {"8000-1", 1, 2, 1, 0x8000, 0x0001, 0, 0, 0x7FFF, kFlagV | kFlagC},
    {"1-1", 1, 2, 1, 0x0001, 0x0001, 0, 0, 0x0000, kFlagZ | kFlagC},
    {"5-3-1 without carry", 1, 2, 0, 0x0005, 0x0003, 0, 0, 0x0001, kFlagC},
    // SUBR, S + ~R + c: S - R, here B - A, and Q - D.
    {"0-1 reversed", 1, 1, 1, 0x0001, 0x0000, 0, 0, 0xFFFF, kFlagN},
    {"8000-1 reversed", 1, 1, 1, 0x0001, 0x8000, 0, 0, 0x7FFF, kFlagV | kFlagC},
    {"7FFF-(-1)", 1, 1, 1, 0xFFFF, 0x7FFF, 0, 0, 0x8000, kFlagN | kFlagV},
    {"Q-D", 6, 1, 1, 0, 0, 0x0010, 0x0011, 0xFFFF, kFlagN},
    // The logic functions ignore the carry and clear C and V.
    {"OR", 1, 3, 1, 0xF0F0, 0xFF00, 0, 0, 0xFFF0, kFlagN},
    {"AND", 1, 4, 1, 0xF0F0, 0xFF00, 0, 0, 0xF000, kFlagN},
    {"AND zero", 1, 4, 1, 0x00FF, 0xFF00, 0, 0, 0x0000, kFlagZ},
    {"NOTRS", 1, 5, 1, 0xF0F0, 0xFF00, 0, 0, 0x0F00, 0},
    {"XOR", 1, 6, 1, 0xF0F0, 0xFF00, 0, 0, 0x0FF0, 0},
    {"XNOR", 1, 7, 1, 0xF0F0, 0xFF00, 0, 0, 0xF00F, kFlagN},
    {"XNOR zero", 1, 7, 0, 0xFFFF, 0x0000, 0, 0, 0x0000, kFlagZ},
};

TEST(MachineAlu, FunctionsAndSourcePairsAtTheEdges) {
    for (const AluCase &t : kAluCases) {
        Machine m;
        m.LoadWord(0, Word({{Field::AluSource, t.source},
                            {Field::AluFunction, t.function},
                            {Field::CarryIn, t.carry},
                            {Field::AluDest, 11},
                            {Field::FlagInstr, 4},
                            {Field::YBusCtrl, 7},
                            {Field::ConstantAddr, t.d},
                            {Field::RegA, 1},
                            {Field::RegB, 2}}));
        m.regs.r[1] = t.a;
        m.regs.r[2] = t.b;
        m.regs.q = t.q;
        ASSERT_EQ(m.Step(), StepResult::Ran) << t.what;
        EXPECT_EQ(m.regs.r[2], t.f) << t.what;
        EXPECT_EQ(m.regs.uflag, t.flags) << t.what;
    }
}

// ---------------------------------------------------------------------------
// The sequencer: the word at 010 with D = 123 (ConstantAddr F123: only
// the low 12 bits are the target).  "pass" is CondEnable 1; "fail" tests
// UZ on a UFLAG of 0.  The stack starts as given, its top last.

struct SequencerCase {
    const char *what;
    unsigned code;
    bool pass;
    uint16_t counter;
    std::vector<uint16_t> stack;
    uint16_t next, counterAfter;  // μPC and R after the cycle
    std::vector<uint16_t> stackAfter;
    const char *error;            // non-null: the cycle stops with this message
};

const std::vector<uint16_t> S2 = {0x200, 0x300};
const std::vector<uint16_t> S4 = {1, 2, 3, 4};
const std::vector<uint16_t> S5 = {1, 2, 3, 4, 5};

const SequencerCase kSequencerCases[] = {
    {"JZ", 0, true, 5, S2, 0x000, 5, {}, nullptr},
    {"JZ on an empty stack", 0, true, 5, {}, 0x000, 5, {}, nullptr},
    {"CJS pass", 1, true, 5, S2, 0x123, 5, {0x200, 0x300, 0x011}, nullptr},
    {"CJS fail", 1, false, 5, S2, 0x011, 5, S2, nullptr},
    {"CJS to a fifth entry", 1, true, 5, S4, 0x123, 5, {1, 2, 3, 4, 0x011}, nullptr},
    {"CJS to a sixth entry", 1, true, 5, S5, 0, 0, {}, "CJS pushes onto a full stack (5 entries)"},
    {"CJP pass", 3, true, 5, S2, 0x123, 5, S2, nullptr},
    {"CJP fail", 3, false, 5, S2, 0x011, 5, S2, nullptr},
    {"PUSH pass loads R", 4, true, 5, S2, 0x011, 0x123, {0x200, 0x300, 0x011}, nullptr},
    {"PUSH fail", 4, false, 5, S2, 0x011, 5, {0x200, 0x300, 0x011}, nullptr},
    {"PUSH onto five", 4, false, 5, S5, 0, 0, {}, "PUSH pushes onto a full stack (5 entries)"},
    {"JSRP pass", 5, true, 5, S2, 0x123, 5, {0x200, 0x300, 0x011}, nullptr},
    {"JSRP fail goes to R", 5, false, 5, S2, 0x005, 5, {0x200, 0x300, 0x011}, nullptr},
    {"CJV", 6, true, 5, S2, 0, 0, {}, "not modelled: Sequencer 6 (CJV)"},
    {"JRP pass", 7, true, 5, S2, 0x123, 5, S2, nullptr},
    {"JRP fail", 7, false, 5, S2, 0x005, 5, S2, nullptr},
    {"RFCT R>0 repeats from the top", 8, true, 5, S2, 0x300, 4, S2, nullptr},
    {"RFCT R=0 pops", 8, false, 0, S2, 0x011, 0, {0x200}, nullptr},
    {"RFCT R>0 on an empty stack", 8, true, 5, {}, 0, 0, {}, "RFCT reads the top of an empty stack"},
    {"RFCT R=0 on an empty stack", 8, true, 0, {}, 0, 0, {}, "RFCT pops an empty stack"},
    {"RPCT R>0", 9, false, 5, S2, 0x123, 4, S2, nullptr},
    {"RPCT R=0", 9, true, 0, S2, 0x011, 0, S2, nullptr},
    {"CRTN pass", 10, true, 5, S2, 0x300, 5, {0x200}, nullptr},
    {"CRTN fail", 10, false, 5, S2, 0x011, 5, S2, nullptr},
    {"CRTN fail on an empty stack", 10, false, 5, {}, 0x011, 5, {}, nullptr},
    {"CRTN pass on an empty stack", 10, true, 5, {}, 0, 0, {}, "CRTN reads the top of an empty stack"},
    {"CJPP pass", 11, true, 5, S2, 0x123, 5, {0x200}, nullptr},
    {"CJPP fail", 11, false, 5, S2, 0x011, 5, S2, nullptr},
    {"LDCT", 12, false, 5, S2, 0x011, 0x123, S2, nullptr},
    {"LOOP pass", 13, true, 5, S2, 0x011, 5, {0x200}, nullptr},
    {"LOOP fail", 13, false, 5, S2, 0x300, 5, S2, nullptr},
    {"LOOP fail on an empty stack", 13, false, 5, {}, 0, 0, {}, "LOOP reads the top of an empty stack"},
    {"CONT", 14, false, 5, S2, 0x011, 5, S2, nullptr},
    {"TWB R>0 fail", 15, false, 5, S2, 0x300, 4, S2, nullptr},
    {"TWB R>0 pass", 15, true, 5, S2, 0x011, 4, {0x200}, nullptr},
    {"TWB R=0 fail", 15, false, 0, S2, 0x123, 0, {0x200}, nullptr},
    {"TWB R=0 pass", 15, true, 0, S2, 0x011, 0, {0x200}, nullptr},
    {"TWB R=0 on an empty stack", 15, true, 0, {}, 0, 0, {}, "TWB pops an empty stack"},
};

void SetStack(Registers &regs, const std::vector<uint16_t> &stack) {
    regs.depth = static_cast<uint8_t>(stack.size());
    for (size_t i = 0; i < stack.size(); ++i)
        regs.stack[i] = stack[i];
}

TEST(MachineSequencer, EveryInstructionOnEachPath) {
    for (const SequencerCase &t : kSequencerCases) {
        Machine m;
        m.LoadWord(0x10, Word({{Field::Sequencer, t.code},
                               {Field::CondEnable, t.pass ? 1u : 0u},
                               {Field::CondCode, 0},
                               {Field::ConstantAddr, 0xF123}}));
        m.regs.upc = 0x10;
        m.regs.counter = t.counter;
        SetStack(m.regs, t.stack);
        Registers before = m.regs;
        StepResult result = m.Step();
        if (t.error) {
            ASSERT_EQ(result, StepResult::Error) << t.what;
            EXPECT_EQ(m.error.what, t.error) << t.what;
            EXPECT_EQ(m.error.address, 0x10) << t.what;
            EXPECT_TRUE(m.regs == before) << t.what << ": a failed cycle changed the state";
            EXPECT_EQ(m.cycles, 0u) << t.what;
            continue;
        }
        ASSERT_EQ(result, StepResult::Ran) << t.what << ": " << m.error.what;
        EXPECT_EQ(m.regs.upc, t.next) << t.what;
        EXPECT_EQ(m.regs.counter, t.counterAfter) << t.what;
        Registers want = m.regs;
        SetStack(want, t.stackAfter);
        EXPECT_TRUE(m.regs == want) << t.what << ": stack of depth " << int{m.regs.depth};
    }
}

TEST(MachineSequencer, JmapDefaultAndMapped) {
    Machine m;
    m.LoadWord(0, Word({{Field::Sequencer, 2}}));
    m.regs.ir = 0x4512;
    ASSERT_EQ(m.Step(), StepResult::Ran);
    EXPECT_EQ(m.regs.upc, 0x45);  // IR >> 8

    std::array<int, kOpcodes> map;
    map.fill(-1);
    map[0x45] = 0x321;
    m.SetMapping(map);
    m.regs.upc = 0;
    ASSERT_EQ(m.Step(), StepResult::Ran);
    EXPECT_EQ(m.regs.upc, 0x321);

    m.regs.upc = 0;
    m.regs.ir = 0x4612;
    ASSERT_EQ(m.Step(), StepResult::Error);
    EXPECT_EQ(m.error.what, "JMAP: opcode 0x46 (IR 0x4612) is not in the mapping");
}

TEST(MachineSequencer, LoopToAddressRunsRfctAsRpct) {
    Machine m;
    m.LoadWord(5, Word({{Field::Sequencer, 8}, {Field::ConstantAddr, 2}}));
    m.SetLoopToAddress(true);
    m.regs.upc = 5;
    m.regs.counter = 1;
    ASSERT_EQ(m.Step(), StepResult::Ran) << m.error.what;  // no stack needed
    EXPECT_EQ(m.regs.upc, 2);
    EXPECT_EQ(m.regs.counter, 0);
    m.regs.upc = 5;
    ASSERT_EQ(m.Step(), StepResult::Ran);
    EXPECT_EQ(m.regs.upc, 6);
}

// Five nested CALLs fit; the sixth stops the run, naming the address.
TEST(MachineSequencer, CallsNestFiveDeep) {
    Machine m;
    LoadSource(m, "CALL(1); CALL(2); CALL(3); CALL(4); CALL(5); CALL(6); HALT");
    EXPECT_EQ(::Run(m, 100), RunEnd::Error);
    EXPECT_EQ(m.cycles, 5u);
    EXPECT_EQ(m.error.address, 5);
    EXPECT_EQ(m.regs.depth, 5);
}

// ---------------------------------------------------------------------------
// Conditions after COMP(a, b): the flags of a - b in UFLAG (COMP) or in
// MFLAG (the same subtraction with LDMFLAG), then a jump on the condition.

struct ConditionCase {
    unsigned code;  // 0..3 and 8..11 on UFLAG; +4 for MFLAG, +16 negated
    std::vector<std::pair<uint16_t, uint16_t>> holds, fails;
};

const ConditionCase kConditionCases[] = {
    {0, {{5, 5}, {0x8000, 0x8000}}, {{5, 6}, {0, 0xFFFF}}},                        // Z: a = b
    {1, {{0, 1}, {0x8000, 0}}, {{1, 0}, {0x8000, 1}}},                             // N: bit 15 of a - b
    {2, {{0x8000, 1}, {0x7FFF, 0xFFFF}}, {{1, 1}, {0xFFFF, 1}}},                   // V: signed overflow
    {3, {{1, 1}, {0xFFFF, 0}}, {{0, 1}, {0x7FFF, 0x8000}}},                        // C: no borrow
    {8, {{0x7FFF, 0x8000}, {0, 0xFFFF}, {2, 1}}, {{0x8000, 0x7FFF}, {3, 3}, {0xFFFF, 0}}},  // signed a > b
    {9, {{0x8000, 0x7FFF}, {0xFFFF, 0}}, {{0x7FFF, 0x8000}, {3, 3}, {0, 0xFFFF}}},          // signed a < b
    {10, {{0x8000, 0x7FFF}, {0xFFFF, 0}, {2, 1}}, {{0x7FFF, 0x8000}, {3, 3}, {0, 0xFFFF}}}, // unsigned a > b
    {11, {{0x7FFF, 0x8000}, {0, 0xFFFF}}, {{0x8000, 0x7FFF}, {3, 3}, {0xFFFF, 0}}},         // unsigned a < b
};

bool Jumps(unsigned code, uint16_t a, uint16_t b) {
    bool machineFlags = (code >> 2) & 1;
    Machine m;
    // R1 + ~R2 + 1 into the flags, then CJP to 100 on the condition.
    m.LoadWord(0, Word({{Field::AluSource, 1}, {Field::AluFunction, 2}, {Field::CarryIn, 1},
                        {Field::FlagInstr, machineFlags ? 5u : 4u}, {Field::RegA, 1}, {Field::RegB, 2}}));
    m.LoadWord(1, Word({{Field::Sequencer, 3}, {Field::CondEnable, 0}, {Field::CondCode, code},
                        {Field::ConstantAddr, 0x100}}));
    m.regs.r[1] = a;
    m.regs.r[2] = b;
    EXPECT_EQ(m.Step(), StepResult::Ran);
    EXPECT_EQ(m.Step(), StepResult::Ran);
    return m.regs.upc == 0x100;
}

TEST(MachineConditions, EveryConditionAfterComp) {
    for (const ConditionCase &t : kConditionCases)
        for (unsigned code : {t.code, t.code + 4, t.code + 16, t.code + 20}) {
            bool negated = code >= 16;
            for (auto pair : t.holds)
                EXPECT_EQ(Jumps(code, pair.first, pair.second), !negated)
                    << "code " << code << " on " << pair.first << ", " << pair.second;
            for (auto pair : t.fails)
                EXPECT_EQ(Jumps(code, pair.first, pair.second), negated)
                    << "code " << code << " on " << pair.first << ", " << pair.second;
        }
}

// CondEnable 1 passes whatever the condition code and the flags say: CJP
// jumps with every flag clear and with every flag set, in both registers.
TEST(MachineConditions, CondEnableJumpsWhateverTheFlags) {
    for (unsigned code = 0; code < 32; ++code)
        for (uint8_t flags : {0x0, 0xF}) {
            Machine m;
            m.LoadWord(0, Word({{Field::Sequencer, 3}, {Field::CondEnable, 1}, {Field::CondCode, code},
                                {Field::ConstantAddr, 0x100}}));
            m.regs.uflag = m.regs.mflag = flags;
            ASSERT_EQ(m.Step(), StepResult::Ran);
            EXPECT_EQ(m.regs.upc, 0x100) << "code " << code << ", flags " << int{flags};
        }
}

// After COMP(a, b) the relations read as comparisons of a with b: over
// random pairs and the 16-bit edges, each agrees with C++'s comparison of
// the two as signed and as unsigned numbers, on UFLAG and on MFLAG.
TEST(MachineConditions, RelationsAgreeWithComparisonsOverRandomPairs) {
    std::mt19937 random(7);
    const uint16_t edges[] = {0, 1, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
    std::vector<std::pair<uint16_t, uint16_t>> pairs;
    for (uint16_t a : edges)
        for (uint16_t b : edges)
            pairs.push_back({a, b});
    for (int i = 0; i < 300; ++i)
        pairs.push_back({static_cast<uint16_t>(random()), static_cast<uint16_t>(random())});
    for (auto p : pairs) {
        int16_t sa = static_cast<int16_t>(p.first), sb = static_cast<int16_t>(p.second);
        const struct {
            unsigned code;
            bool holds;
        } relations[] = {
            {0, p.first == p.second}, {8, sa > sb}, {9, sa < sb}, {10, p.first > p.second}, {11, p.first < p.second},
        };
        for (const auto &r : relations)
            for (unsigned code : {r.code, r.code + 4, r.code + 16, r.code + 20})
                ASSERT_EQ(Jumps(code, p.first, p.second), r.holds != (code >= 16))
                    << "code " << code << " after COMP(" << p.first << ", " << p.second << ")";
    }
}

// COMP then the zanfo words: the relations as the manual names them.
TEST(MachineConditions, ZanfoComparisonWords) {
    const struct {
        const char *cond;
        uint16_t a, b;
        bool holds;
    } cases[] = {
        {"USGE", 3, 3, true},  {"USGE", 0x8000, 0x7FFF, false}, {"UUSE", 0x7FFF, 0x8000, true},
        {"UUSE", 0xFFFF, 0, false}, {"USSE", 0xFFFF, 0, true},  {"UUGE", 0xFFFF, 0, true},
    };
    for (const auto &t : cases) {
        Machine m;
        LoadSource(m, std::string("COMP(R1, R2); JUMP(yes, ") + t.cond + "); HALT; yes: HALT");
        m.regs.r[1] = t.a;
        m.regs.r[2] = t.b;
        ASSERT_EQ(::Run(m, 10), RunEnd::Halted);
        EXPECT_EQ(m.regs.upc == 4, t.holds) << t.cond << " " << t.a << ", " << t.b;
    }
}

// ---------------------------------------------------------------------------
// One cycle: what it reads at its start and writes at its end.

struct CycleCase {
    const char *what;
    const char *source;  // a zanfo program, run to its HALT
    std::vector<std::pair<unsigned, uint16_t>> setRegs, wantRegs;  // R numbers
    uint16_t wantQ, wantMar, wantIr;
    uint8_t wantUflag, wantMflag;
};

const CycleCase kCycleCases[] = {
    {"both ports read the old R1", "R1 = R1 + R2, HALT", {{1, 3}, {2, 4}}, {{1, 7}}, 0, 0, 0, 0, 0},
    {"a flag is first tested by the next word",
     "R1 = R1 + 0, LDUFLAG, JUMP(z, UZ); HALT; z: R3 = 1, HALT", {{1, 0}}, {{3, 0}}, 0, 0, 0, kFlagZ, 0},
    {"MAR is read at the start of the cycle",
     "MEM = 7; R1 = R1 + 0, LDMAR; R2 = MEM, HALT", {{1, 5}}, {{2, 0}}, 0, 5, 0, 0, 0},
    {"memory at the new MAR the cycle after LDMAR",
     "R1 = R1 + 0, LDMAR; MEM = 9; R2 = MEM, HALT", {{1, 5}}, {{2, 9}}, 0, 5, 0, 0, 0},
    {"LDIR, then IRB0 and IRA1 address registers",
     "MEM = $0023; LDIR; IRB0 = IRA1, HALT", {{2, 0x55}}, {{3, 0x55}}, 0, 0, 0x0023, 0, 0},
    {"IRA3 and IRB2 take IR bits 15-12 and 11-8", "R0 = 1; R0 = R0 + 0, LDMAR; MEM = $5600; LDIR; IRB2 = IRB2 + IRA3, HALT",
     {{5, 10}, {6, 20}}, {{6, 30}}, 0, 1, 0x5600, 0, 0},
    {"LSR enters a zero, ASR the old bit 15", "R1 = R1 + 0, LSR; R2 = R2 + 0, ASR; R3 = R3 + 0, LSL, HALT",
     {{1, 0x8002}, {2, 0x8002}, {3, 0xC001}}, {{1, 0x4001}, {2, 0xC001}, {3, 0x8002}}, 0, 0, 0, 0, 0},
    {"flags are those of F, before the shifter", "R1 = R1 + 0, LSL, LDMFLAG, HALT",
     {{1, 0x8000}}, {{1, 0}}, 0, 0, 0, 0, kFlagN},
    {"a flag register from the bus and onto the D bus",
     "UFLAG = 13; MFLAG = R1; R2 = UFLAG; RQ = MFLAG, HALT", {{1, 0x0036}}, {{2, 13}}, 6, 0, 0, 13, 6},
    {"Q as source and destination", "RQ = 4; RQ = RQ + R1; INCR(RQ), HALT", {{1, 3}}, {}, 8, 0, 0, 0, 0},
};

TEST(MachineCycle, ReadsAtTheStartWritesAtTheEnd) {
    for (const CycleCase &t : kCycleCases) {
        Machine m;
        LoadSource(m, t.source);
        for (auto r : t.setRegs)
            m.regs.r[r.first] = r.second;
        ASSERT_EQ(::Run(m, 100), RunEnd::Halted) << t.what << ": " << m.error.what;
        for (auto r : t.wantRegs)
            EXPECT_EQ(m.regs.r[r.first], r.second) << t.what << ": R" << r.first;
        EXPECT_EQ(m.regs.q, t.wantQ) << t.what;
        EXPECT_EQ(m.regs.mar, t.wantMar) << t.what;
        EXPECT_EQ(m.regs.ir, t.wantIr) << t.what;
        EXPECT_EQ(m.regs.uflag, t.wantUflag) << t.what;
        EXPECT_EQ(m.regs.mflag, t.wantMflag) << t.what;
    }
}

TEST(MachineCycle, MemoryWritesAreMarkedAndHaltCounts) {
    Machine m;
    LoadSource(m, "R1 = 3; R1 = R1 + 0, LDMAR; MEM = R1; HALT");
    EXPECT_EQ(::Run(m, 100), RunEnd::Halted);
    EXPECT_EQ(m.memory[3], 3);
    EXPECT_EQ(m.written[3], 1);
    EXPECT_EQ(m.written[0], 0);
    EXPECT_EQ(m.cycles, 4u);
    EXPECT_EQ(m.regs.upc, 4);
}

// ---------------------------------------------------------------------------
// What stops a run.

TEST(MachineErrors, UnmodelledValuesAndEmptyAddresses) {
    const struct {
        Field field;
        uint32_t value;
        const char *what;
    } cases[] = {
        {Field::AluDest, 0, "not modelled: AluDest 0"},     {Field::AluDest, 6, "not modelled: AluDest 6"},
        {Field::AluDest, 10, "not modelled: AluDest 10"},   {Field::AluDest, 14, "not modelled: AluDest 14"},
        {Field::ShiftCtrl, 1, "not modelled: ShiftCtrl 1"}, {Field::ShiftCtrl, 3, "not modelled: ShiftCtrl 3"},
        {Field::YBusCtrl, 3, "not modelled: YBusCtrl 3"},   {Field::YBusCtrl, 15, "not modelled: YBusCtrl 15"},
        {Field::FlagInstr, 1, "not modelled: FlagInstr 1"},
    };
    for (const auto &t : cases) {
        Machine m;
        uint64_t word = Word({{t.field, t.value}, {Field::Break, 1}});
        m.LoadWord(0, word);
        m.regs.r[0] = 1;
        ASSERT_EQ(m.Step(), StepResult::Error) << t.what;
        EXPECT_EQ(m.error.what, t.what);
        EXPECT_EQ(m.error.word, word);
        EXPECT_EQ(m.cycles, 0u);
    }
    Machine m;
    m.LoadWord(0, Word({{Field::AluDest, 3}, {Field::YBusCtrl, 12}}));
    ASSERT_EQ(m.Step(), StepResult::Error);
    EXPECT_EQ(m.error.what, "not modelled: YBusCtrl 12, AluDest 3");

    Machine empty;
    empty.regs.upc = 0x7FF;
    ASSERT_EQ(empty.Step(), StepResult::Error);
    EXPECT_TRUE(empty.error.empty);
    EXPECT_EQ(empty.error.address, 0x7FF);
}

TEST(MachineErrors, CycleLimitAndBreakpoint) {
    Machine m;
    LoadSource(m, "again: INCR(R1), JUMP(again)");
    EXPECT_EQ(::Run(m, 1000), RunEnd::CycleLimit);
    EXPECT_EQ(m.cycles, 1000u);
    EXPECT_EQ(m.regs.r[1], 1000);

    Machine b;
    LoadSource(b, "R1 = 1; R2 = 2; R3 = 3; HALT");
    b.SetBreakpoint(2);
    EXPECT_EQ(::Run(b, 1000), RunEnd::Breakpoint);
    EXPECT_EQ(b.cycles, 2u);
    EXPECT_EQ(b.regs.upc, 2);
    EXPECT_EQ(b.regs.r[3], 0);
}

// A watcher that asks the run to stop after a given cycle.
struct StopAfter : CycleWatcher {
    explicit StopAfter(uint64_t n) : at(n) {}
    void Before(const Machine &) override {}
    bool After(const Machine &m, StepResult) override { return m.cycles < at; }
    uint64_t at;  // the cycle the run stops after
};

TEST(MachineErrors, AWatcherStopsTheRunAfterACycleButNotItsHalt) {
    const struct {
        const char *source;
        uint64_t stopAfter;
        RunEnd end;
        uint64_t cycles;
        uint16_t r1;  // R1 after the run: the stopping cycle's work stays done
    } cases[] = {
        {"again: INCR(R1), JUMP(again)", 7, RunEnd::Stopped, 7, 7},
        {"again: INCR(R1), JUMP(again)", 1, RunEnd::Stopped, 1, 1},
        {"R1 = 1; R2 = 2; HALT", 3, RunEnd::Halted, 3, 1},
        {"R1 = 1; R2 = 2; HALT", 9, RunEnd::Halted, 3, 1},
    };
    for (const auto &t : cases) {
        Machine m;
        LoadSource(m, t.source);
        StopAfter watcher(t.stopAfter);
        EXPECT_EQ(::Run(m, 1000, &watcher), t.end) << t.source << " " << t.stopAfter;
        EXPECT_EQ(m.cycles, t.cycles) << t.source << " " << t.stopAfter;
        EXPECT_EQ(m.regs.r[1], t.r1) << t.source << " " << t.stopAfter;
    }
}

// A cycle that stops on an error leaves every register, flag and memory
// word as it was, whatever the word and the state: random words over a
// random state, each run one cycle, against a copy of the state.
TEST(MachineErrors, AFailedCycleChangesNothing) {
    std::mt19937_64 random(12);
    unsigned failures = 0;
    for (int i = 0; i < 5000; ++i) {
        Machine m;
        uint64_t word = random();
        m.LoadWord(0x20, word);
        m.regs.upc = 0x20;
        m.regs.counter = random() & 1 ? 0 : random() & 0xFFF;
        m.regs.depth = static_cast<uint8_t>(random() % 6);
        for (auto &e : m.regs.stack)
            e = random() & 0xFFF;
        for (auto &r : m.regs.r)
            r = static_cast<uint16_t>(random());
        m.regs.ir = static_cast<uint16_t>(random());
        m.regs.mar = static_cast<uint16_t>(random());
        m.regs.uflag = random() & 15;
        m.regs.mflag = random() & 15;
        std::array<int, kOpcodes> map;
        for (int &a : map)
            a = random() & 1 ? -1 : static_cast<int>(random() & 0xFFF);
        if (random() & 1)
            m.SetMapping(map);
        m.memory[m.regs.mar] = 0x1234;
        Registers before = m.regs;
        if (m.Step() == StepResult::Error) {
            ++failures;
            EXPECT_TRUE(m.regs == before) << std::hex << word;
            EXPECT_EQ(m.memory[m.regs.mar], 0x1234) << std::hex << word;
            EXPECT_EQ(m.written[m.regs.mar], 0) << std::hex << word;
            EXPECT_EQ(m.cycles, 0u);
            EXPECT_EQ(m.error.address, 0x20);
            EXPECT_EQ(m.error.word, word);
        } else {
            EXPECT_EQ(m.cycles, 1u);
        }
    }
    EXPECT_GT(failures, 250u);  // the draw reaches the error paths
}

}  // namespace
