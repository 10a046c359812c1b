// zanfo-prove's property files, and its verdicts against running every
// input on the machine: for routines with faults planted in them, each
// method alone must find what running them all finds, and every
// counterexample must fail in zanfo-sim.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "assemble.h"
#include "command.h"
#include "mic_file.h"
#include "properties.h"
#include "prover.h"
#include "report.h"
#include "sim.h"

namespace {

class Captured : public SimOutput {
  public:
    void Out(const std::string &text) override { out += text; }
    void Err(const std::string &text) override { err += text; }
    std::string out, err;
};

using Files = std::map<std::string, std::string>;

FileReader Reader(const Files &files) {
    return [&files](const std::string &name, std::string *text, std::string *error) {
        auto it = files.find(name);
        if (it == files.end()) {
            *error = "No such file or directory";
            return false;
        }
        *text = it->second;
        return true;
    };
}

std::string ReadText(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Replace(std::string text, const std::string &from, const std::string &to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

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

// ---------------------------------------------------------------------------
// Verdicts against every input.

// A routine over R1 and R2, both 8 bits, and what it must leave.
struct Routine {
    const char *name;
    std::string source;
    std::string ensure;                                        // the property
    std::function<bool(uint16_t, uint16_t, const Machine &)> right;  // the same, worked out here
};

std::vector<Routine> Routines() {
    const std::string multiply = ReadText(std::string(ZANFO_EXAMPLES_DIR) + "/multiply.zan");
    const std::string pair = ReadText(std::string(ZANFO_BENCH_DIR) + "/multiply_pair.zan");
    const std::string product = "R3 == ((old(R1) * old(R2)) & 0xFFFF)";
    auto isProduct = [](uint16_t a, uint16_t b, const Machine &m) {
        return m.regs.r[3] == static_cast<uint16_t>(a * b);
    };
    const std::string carry =
        "PROGRAM carry\n        INCR(R1);\n        COMP(R1, 256);\n        JUMP(done, NUZ);\n"
        "        R1 = R1 XOR R1;\n        INCR(R2);\ndone:   HALT\nEND\n";
    const std::string sum = "R2 * 256 + R1 == old(R2) * 256 + old(R1) + 1";
    auto isSum = [](uint16_t a, uint16_t b, const Machine &m) {
        return m.regs.r[2] * 256 + m.regs.r[1] == b * 256 + a + 1;
    };
    return {
        {"multiply", multiply, product, isProduct},
        {"multiply, one round short", Replace(multiply, "LDCOUNT(15)", "LDCOUNT(6)"), product, isProduct},
        {"multiply, a fault on one pair", Replace(Replace(pair, "$1234", "$12"), "$5678", "$34"), product, isProduct},
        {"byte carry", carry, sum, isSum},
        {"byte carry, one too early", Replace(carry, "COMP(R1, 256)", "COMP(R1, 255)"), sum, isSum},
    };
}

Machine Load(const std::string &source) {
    Assembly a = AssembleText(source);
    EXPECT_TRUE(a.parsed && a.diagnostics.empty()) << a.diagnostics;
    Machine m;
    for (const MicWord &w : ParseMicText("p", a.mic, MicUse::ControlStore).words)
        m.LoadWord(w.address, w.word);
    return m;
}

Expr Parse(const std::string &text) {
    Expr e;
    std::string error;
    EXPECT_TRUE(ParseExpr(text, {}, &e, &error)) << error;
    return e;
}

// Runs the case of a counterexample in zanfo-sim; its exit status.
int ReplayInSim(const std::string &source, const std::string &verdictText) {
    std::string test = verdictText.substr(verdictText.find('\n') + 1);
    std::vector<std::string> args{"--test", "cex.test", "p.zan"};
    size_t bound = test.find("max-cycles ");
    if (bound != std::string::npos) {
        // zanfo-sim's test files take no max-cycles line yet: the bound on its command line.
        size_t end = test.find('\n', bound);
        args.insert(args.begin(), {"--max-cycles", test.substr(bound + 11, end - bound - 11)});
        test.erase(bound, end + 1 - bound);
    }
    Files files{{"p.zan", source}, {"cex.test", test}};
    Captured out;
    return RunSim(args, Reader(files), out);
}

TEST(ProveVerdicts, EachMethodAgreesWithRunningEveryInput) {
    for (const Routine &r : Routines()) {
        Machine program = Load(r.source);
        // What is right, input by input, on the machine.
        std::vector<std::pair<uint16_t, uint16_t>> wrong;
        for (uint16_t a = 0; a < 256; ++a)
            for (uint16_t b = 0; b < 256; ++b) {
                Machine m = program;
                m.regs.r[1] = a;
                m.regs.r[2] = b;
                if (::Run(m, 10000) != RunEnd::Halted || !r.right(a, b, m))
                    wrong.push_back({a, b});
            }

        Goal goal;
        goal.name = r.name;
        goal.assumes = {Parse("R1 <= 255 && R2 <= 255")};
        goal.ensures = {Parse(r.ensure)};
        goal.program = &program;
        for (unsigned methods : {0u + kSolver, 0u + kSearch + kRunAll, 0u + kRunAll, 0u + kAllMethods}) {
            ProveOptions options;
            options.methods = methods;
            options.timeout = 60;
            Verdict v = Decide(goal, options);
            const std::string what = std::string(r.name) + ", methods " + std::to_string(methods);
            ASSERT_NE(v.kind, Verdict::Unknown) << what << ": " << v.why;
            EXPECT_EQ(v.kind == Verdict::Fails, !wrong.empty()) << what;
            if (v.kind != Verdict::Fails)
                continue;
            uint16_t a = 0, b = 0;
            for (size_t i = 0; i < v.inputs.size(); ++i) {
                if (v.inputs[i].place.kind == Place::Register && v.inputs[i].place.index == 1)
                    a = v.values[i];
                if (v.inputs[i].place.kind == Place::Register && v.inputs[i].place.index == 2)
                    b = v.values[i];
            }
            EXPECT_NE(std::find(wrong.begin(), wrong.end(), std::make_pair(a, b)), wrong.end()) << what;
            EXPECT_EQ(ReplayInSim(r.source, VerdictText(goal, v)), kSimExpectFailed) << what;
        }
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
        {{"--props", "none.props", "abs.zan"}, kProveBadInput, "zanfo-prove: none.props: No such file or directory"},
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
