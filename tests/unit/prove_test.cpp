// zanfo-prove's property files, the verdicts on runs that stop or do not
// halt, the timeout, and the command.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "command.h"
#include "properties.h"
#include "prove_helpers.h"
#include "prover.h"
#include "verdict_text.h"

namespace {

using namespace prove_test;

// ---------------------------------------------------------------------------
// Property files.

TEST(ProveProperties, CommonLinesHoldForEveryProperty) {
    std::vector<Property> props;
    std::vector<std::string> problems;
    const std::string text =
        "# common\nset R1=5\nassume R2 < 10\nwithin 50\n"
        "prove first one\nensure R3 == 1\n"
        "prove second\nwithin 7\nmem 0x10 1 2\nassume R4 > 0\n";
    ASSERT_TRUE(ParsePropertyFile("p", text, {}, kDefaultWithin, &props, &problems)) << problems[0];
    ASSERT_EQ(props.size(), 2u);
    EXPECT_EQ(props[0].name, "first one");
    EXPECT_EQ(props[0].line, 5u);
    EXPECT_EQ(props[0].within, 50u);
    EXPECT_EQ(props[0].sets.size(), 1u);
    EXPECT_EQ(props[0].assumes.size(), 1u);
    EXPECT_EQ(props[0].ensures.size(), 1u);
    EXPECT_EQ(props[1].within, 7u);
    EXPECT_EQ(props[1].sets.size(), 3u);  // R1, MEM[0x10], MEM[0x11]
    EXPECT_EQ(props[1].assumes.size(), 2u);
    EXPECT_EQ(props[1].ensures.size(), 0u);
}

TEST(ProveProperties, EachProblemNamesItsLine) {
    const struct {
        const char *text;
        const char *problem;
    } cases[] = {
        {"", "p: no properties (a property starts with a line \"prove NAME\")"},
        {"prove\n", "p:1: a property needs a name"},
        {"prove a\nensure R1 ==\n", "p:2: ensure: expected a value at the end of the line"},
        {"prove a\nassume R99 > 1\n", "p:2: assume: R99: there are 64 registers, R0 to R63"},
        {"prove a\nwithin 0\n", "p:2: within: \"0\" is not a number of cycles from 1 up"},
        {"prove a\nset R1\n", "p:2: R1: expected NAME=VALUE"},
        {"prove a\nmem 0xFFFF 1 2\n", "p:2: words past the end of memory (0xFFFF)"},
        {"prove a\nexpect R1=2\n",
         "p:2: \"expect\" belongs in a test file: a property file has prove, set, mem, assume, ensure and within"},
        {"prove a\nassert R1\n", "p:2: expected prove, set, mem, assume, ensure or within, not \"assert\""},
    };
    for (const auto &c : cases) {
        std::vector<Property> props;
        std::vector<std::string> problems;
        EXPECT_FALSE(ParsePropertyFile("p", c.text, {}, kDefaultWithin, &props, &problems)) << c.text;
        ASSERT_FALSE(problems.empty()) << c.text;
        EXPECT_EQ(problems[0], c.problem) << c.text;
    }
}

TEST(ProveVerdicts, RunsThatStopOrDoNotHaltAreCounterexamples) {
    const struct {
        const char *what;
        const char *source;
        const char *why;  // in the FAIL line
        int simStatus;    // zanfo-sim's exit status on the case
    } cases[] = {
        {"spins while R1 is 0",
         "PROGRAM spin\nagain:  R1 = R1 + 0, LDUFLAG;\n        JUMP(again, UZ);\n        HALT\nEND\n",
         "the run does not halt within 50 cycles", kSimStopped},
        {"returns to nowhere when R1 is 5",
         "PROGRAM nowhere\n        COMP(R1, 5);\n        RET(UZ);\n        HALT\nEND\n",
         "the run stops after 1 cycle at address 001: CRTN reads the top of an empty stack", kSimStopped},
    };
    for (const auto &c : cases) {
        Machine program = Load(c.source);
        Goal goal;
        goal.name = c.what;
        goal.within = 50;
        goal.program = &program;
        for (unsigned methods : {0u + kSolver, 0u + kAllMethods}) {
            ProveOptions options;
            options.methods = methods;
            Verdict v = Decide(goal, options);
            ASSERT_EQ(v.kind, Verdict::Fails) << c.what << ": " << v.why;
            std::string text = VerdictText(goal, v);
            EXPECT_EQ(text.substr(0, text.find('\n')), "FAIL " + std::string(c.what) + ": " + c.why) << text;
            EXPECT_EQ(ReplayInSim(c.source, text), c.simStatus) << text;
        }
    }
}

TEST(ProveVerdicts, UnknownAtTheTimeoutNotAHang) {
    Machine program = Load(ReadText(std::string(ZANFO_EXAMPLES_DIR) + "/multiply.zan"));
    Goal goal;
    goal.name = "16 by 16";
    goal.ensures = {Parse("R3 == ((old(R1) * old(R2)) & 0xFFFF)")};
    goal.program = &program;
    ProveOptions options;
    options.timeout = 1;
    auto begin = std::chrono::steady_clock::now();
    Verdict v = Decide(goal, options);
    EXPECT_EQ(v.kind, Verdict::Unknown);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));  // not a hang; no timing asserted finer
}

// ---------------------------------------------------------------------------
// The command.

TEST(RunProve, ExitStatusesAndMessages) {
    const Files files = {
        {"abs.zan", ReadText(std::string(ZANFO_BENCH_DIR) + "/abs.zan")},
        {"ok.props", "prove abs\nensure R2 == (s16(old(R1)) < 0 ? -s16(old(R1)) : old(R1)) & 0xFFFF\n"},
        {"bad.props", "prove abs\nensure R2 = 1\n"},
        {"fails.props", "prove a\nensure R2 == old(R1)\nprove b\nensure R2 == R2\n"},
    };
    const struct {
        std::vector<std::string> args;
        int status;
        const char *err;  // the first line of standard error
    } cases[] = {
        {{"--props", "ok.props", "abs.zan"}, kProveProved, ""},
        {{"--props", "fails.props", "abs.zan"}, kProveFails, ""},
        {{"--props", "bad.props", "abs.zan"}, kProveBadInput, "bad.props:2: ensure: \"=\" assigns nothing here: == compares"},
        {{"--props", "none.props", "abs.zan"}, kProveBadInput, "none.props: cannot read the file: No such file or directory"},
        {{"abs.zan"}, kProveBadInput, "zanfo-prove: nothing to prove: give --props FILE or --equiv REF"},
        {{"--equiv", "abs.zan", "abs.zan"}, kProveBadInput, "zanfo-prove: --equiv needs --compare NAME: what must end equal"},
        {{"--props", "ok.props", "--timeout", "0", "abs.zan"}, kProveBadInput,
         "zanfo-prove: --timeout: \"0\" is not a number of seconds above 0"},
        {{"--props", "ok.props", "--set", "R1=70000", "abs.zan"}, kProveBadInput,
         "zanfo-prove: --set R1=70000: 70000 is out of range: at most 65535 (0xFFFF)"},
        {{"--equiv", "abs.zan", "--compare", "R2,R9", "abs.zan"}, kProveProved, ""},
    };
    for (const auto &c : cases) {
        Captured out;
        EXPECT_EQ(RunProve(c.args, Reader(files), out), c.status) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(out.err.substr(0, out.err.find('\n')), c.err) << c.args[1];
    }
}

}  // namespace
