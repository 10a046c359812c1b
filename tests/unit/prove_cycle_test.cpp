// The cycle of machine/cycle.h on its two value types: zanfo-sim's 16-bit
// integers and zanfo-prove's solver terms must agree, word for word and
// state for state.  And the property language on both.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "explore.h"
#include "expr.h"
#include "formula.h"
#include "machine.h"
#include "microword.h"
#include "symbolic.h"
#include "trials.h"

namespace {

// A microword with modelled values in every field, and the Break bit set so
// that the cycle ends the run.
uint64_t RandomWord(std::mt19937_64 &random) {
    const uint32_t dest[] = {5, 7, 8, 9, 11, 13, 15};
    const uint32_t bus[] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10};
    const uint32_t flags[] = {0, 2, 3, 4, 5, 6, 7};
    uint64_t w = random();
    w = PutField(w, Field::Break, 1);
    w = PutField(w, Field::AluDest, dest[random() % 7]);
    w = PutField(w, Field::ShiftCtrl, random() % 2 * 2);
    w = PutField(w, Field::YBusCtrl, bus[random() % 10]);
    w = PutField(w, Field::FlagInstr, flags[random() % 7]);
    uint32_t sequencer = random() % 15;
    w = PutField(w, Field::Sequencer, sequencer >= 6 ? sequencer + 1 : sequencer);  // not CJV
    return w;
}

// One cycle of a random word from a random state: Step on the machine, and
// Explore with every datapath value a variable; the variables then given the
// machine's values, exactly one ending must hold, and it must be the
// machine's.
TEST(ProveCycle, SolverTermsAgreeWithTheMachineOnRandomWords) {
    std::mt19937_64 random(20);
    z3::context ctx;  // one for every trial: a context and a solver take a while to make
    Feasibility feasible(ctx, ctx.bool_val(true), Clock::now() + std::chrono::minutes(10));
    for (int trial = 0; trial < 300; ++trial) {
        Machine m;
        const uint64_t word = RandomWord(random);
        const uint16_t at = static_cast<uint16_t>(random() % kStoreSize);
        m.LoadWord(at, word);
        if (trial % 3 == 0) {  // a mapping for JMAP, with holes
            std::array<int, kOpcodes> map;
            for (int &a : map)
                a = random() % 4 ? static_cast<int>(random() % kStoreSize) : -1;
            m.SetMapping(map);
        }
        m.regs.upc = at;
        m.regs.counter = static_cast<uint16_t>(random() % 2 ? 0 : random() % kStoreSize);
        m.regs.depth = static_cast<uint8_t>(random() % (kStackDepth + 1));
        for (auto &e : m.regs.stack)
            e = static_cast<uint16_t>(random() % kStoreSize);
        for (auto &r : m.regs.r)
            r = static_cast<uint16_t>(random());
        m.regs.q = static_cast<uint16_t>(random());
        m.regs.mar = static_cast<uint16_t>(random());
        m.regs.ir = static_cast<uint16_t>(random());
        m.regs.uflag = static_cast<uint8_t>(random() % 16);
        m.regs.mflag = static_cast<uint8_t>(random() % 16);
        const uint16_t memoryWord = static_cast<uint16_t>(random());
        m.memory[m.regs.mar] = memoryWord;
        const Registers before = m.regs;
        const StepResult result = m.Step();

        InitialMemory initial(ctx);
        Machine start = m;
        start.regs = before;
        SymState s = StartState(ctx, start, Fixed(), &initial);
        Symbolic v(ctx, initial);
        Exploration e = Explore(start, v, s, 1, feasible, Clock::now() + std::chrono::seconds(30));
        ASSERT_TRUE(e.complete) << e.why;

        // The machine's values for the variables.
        z3::expr_vector from(ctx), to(ctx);
        for (unsigned i = 0; i < kRegisterCount; ++i) {
            from.push_back(ctx.bv_const(("R" + std::to_string(i)).c_str(), 16));
            to.push_back(ctx.bv_val(before.r[i], 16));
        }
        const std::pair<const char *, uint32_t> named[] = {{"Q", before.q}, {"MAR", before.mar}, {"IR", before.ir}};
        for (const auto &n : named) {
            from.push_back(ctx.bv_const(n.first, 16));
            to.push_back(ctx.bv_val(n.second, 16));
        }
        from.push_back(ctx.bv_const("UFLAG", 4));
        to.push_back(ctx.bv_val(before.uflag, 4));
        from.push_back(ctx.bv_const("MFLAG", 4));
        to.push_back(ctx.bv_val(before.mflag, 4));
        from.push_back(initial.free);
        to.push_back(z3::store(z3::const_array(ctx.bv_sort(16), ctx.bv_val(0, 16)), ctx.bv_val(before.mar, 16),
                               ctx.bv_val(memoryWord, 16)));
        auto value = [&](z3::expr x) {
            z3::expr n = x.substitute(from, to).simplify();
            uint64_t out = 0;
            EXPECT_TRUE(n.is_numeral() && n.is_numeral_u64(out)) << n;
            return out;
        };
        auto holds = [&](z3::expr x) { return x.substitute(from, to).simplify().is_true(); };

        const std::string what = "word " + std::to_string(word) + " at " + std::to_string(at);
        int held = 0;
        for (const Ending &end : e.endings) {
            if (!holds(end.when))
                continue;
            ++held;
            if (result == StepResult::Error) {
                EXPECT_EQ(end.kind, Ending::Stopped) << what;
                continue;
            }
            ASSERT_EQ(end.kind, Ending::Halted) << what;
            const SymState &after = *end.state;
            EXPECT_EQ(after.upc, m.regs.upc) << what;
            EXPECT_EQ(after.counter, m.regs.counter) << what;
            EXPECT_EQ(after.depth, m.regs.depth) << what;
            for (unsigned i = 0; i < m.regs.depth; ++i)
                EXPECT_EQ(after.stack[i], m.regs.stack[i]) << what;
            for (unsigned i = 0; i < kRegisterCount; ++i)
                EXPECT_EQ(value(v.Term(after.r[i])), m.regs.r[i]) << what << " R" << i;
            EXPECT_EQ(value(v.Term(after.q)), m.regs.q) << what;
            EXPECT_EQ(value(v.Term(after.mar)), m.regs.mar) << what;
            EXPECT_EQ(value(v.Term(after.ir)), m.regs.ir) << what;
            EXPECT_EQ(value(v.Term(after.uflag)), m.regs.uflag) << what;
            EXPECT_EQ(value(v.Term(after.mflag)), m.regs.mflag) << what;
            EXPECT_EQ(value(v.Term(v.Load(after.memory, v.Constant(before.mar)))), m.memory[before.mar]) << what;
        }
        EXPECT_EQ(held, 1) << what;
    }
}

// ---------------------------------------------------------------------------
// Expressions: the same value on the machine's numbers and as solver terms.

TEST(ProveExpr, CSemanticsOnNumbersAndTerms) {
    const struct {
        const char *text;
        int64_t value;
    } cases[] = {
        {"1 + 2 * 3", 7},
        {"(1 + 2) * 3", 9},
        {"7 - 10", -3},
        {"1 << 3 + 1", 16},             // + binds tighter than <<
        {"1 | 2 ^ 3 & 6", 1 | (2 ^ (3 & 6))},
        {"5 == 5 & 2", 0},              // == binds tighter than &
        {"2 < 3 == 1", 1},
        {"7 / 2", 3},
        {"-7 / 2", -3},                 // toward zero
        {"-7 % 2", -1},
        {"7 / 0", 0},
        {"7 % 0", 0},
        {"0x8000000000000000 / -1", INT64_MIN},
        {"0x8000000000000000 % -1", 0},
        {"1 << 64", 0},
        {"1 << 63", INT64_MIN},
        {"-8 >> 1", -4},
        {"-8 >> 64", -1},
        {"8 >> 100", 0},
        {"1 << -1", 0},                 // a negative amount reads as huge
        {"0xFFFFFFFFFFFFFFFF + 1", 0},  // wraps
        {"!0 + !5 + ~0", 0},
        {"3 && 0 || 2", 1},
        {"0 ? 1 : 2 ? 3 : 4", 3},       // right to left
        {"s16(0xFFFF)", -1},
        {"s16(0x18000)", -32768},
        {"s16(0x7FFF) + 1", 32768},
        {"R1 * R2", 0xFFFE0001},        // R1 = R2 = 0xFFFF: no 16-bit wrap
        {"(R1 * R2) & 0xFFFF", 1},
        {"(R1 * R2) % 65536", 1},
        {"R1 + R2 > 0xFFFF", 1},
        {"R1 - R2 - 1 < 0", 1},
        {"-R1", -0xFFFF},
        {"~R3", ~int64_t{5}},
        {"R3 / 2 + R3 % 2", 3},
        {"R1 >> 15 << 2", 4},
        {"UFLAG + MFLAG", 9 + 6},
        {"old(R3) + R3", 10},
        {"MEM[R3 + 0x10000]", 0x1234},  // the address's low 16 bits
        {"MEM[5] == 0x1234", 1},
        {"(R3 < 6) * 10 + (R3 > 6)", 10},
    };
    z3::context ctx;
    InitialMemory initial(ctx);
    Machine m;
    m.regs.r[1] = m.regs.r[2] = 0xFFFF;
    m.regs.r[3] = 5;
    m.regs.uflag = 9;
    m.regs.mflag = 6;
    m.memory[5] = 0x1234;
    Fixed fixed;
    for (unsigned i = 0; i < kRegisterCount; ++i)
        fixed.r[i] = true;
    fixed.uflag = fixed.mflag = true;
    fixed.memory[5] = 0x1234;
    SymState s = StartState(ctx, m, fixed, &initial);
    Symbolic v(ctx, initial);
    const std::vector<std::pair<uint16_t, uint16_t>> none;
    for (const auto &c : cases) {
        Expr e;
        std::string error;
        ASSERT_TRUE(ParseExpr(c.text, {}, &e, &error)) << c.text << ": " << error;
        NumberValues numbers(m.regs, m.memory.data(), none, m.regs, m.memory.data());
        EXPECT_EQ(Evaluate(e, numbers), c.value) << c.text;
        z3::expr term = ValueOf(e, v, s, s).simplify();
        uint64_t n = 0;
        ASSERT_TRUE(term.is_numeral() && term.is_numeral_u64(n)) << c.text << ": " << term;
        EXPECT_EQ(static_cast<int64_t>(n), c.value) << c.text;
    }
}

TEST(ProveExpr, RefusesWhatIsNotAnExpression) {
    const struct {
        const char *text;
        const char *error;
    } cases[] = {
        {"", "expected an expression"},
        {"R1 +", "expected a value at the end of the line"},
        {"(R1", "expected \")\""},
        {"R1 ? 2", "expected \":\" of \"?:\""},
        {"R1 = 2", "\"=\" assigns nothing here: == compares"},
        {"R64", "there are 64 registers"},
        {"count", "unknown name"},
        {"MEM", "MEM needs an address"},
        {"12abc", "is not a number"},
        {"0x", "is not a number"},
        {"99999999999999999999", "too big for 64 bits"},
        {"R1 $ 2", "unexpected \"$ 2\""},
        {"R1 R2", "unexpected \"R2\""},
    };
    for (const auto &c : cases) {
        Expr e;
        std::string error;
        EXPECT_FALSE(ParseExpr(c.text, {{"x", "r5"}}, &e, &error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
    }
    Expr deep;
    std::string error;
    EXPECT_FALSE(ParseExpr(std::string(300, '(') + "1" + std::string(300, ')'), {}, &deep, &error));
    EXPECT_NE(error.find("nested too deeply"), std::string::npos);
    EXPECT_TRUE(ParseExpr("x == old(x) + 1", {{"x", "r5"}}, &deep, &error)) << error;  // an EQU name
}

}  // namespace
