// zanfo-prove's verdicts against running every input on the machine: for
// routines with faults planted in them (a carry taken one value early, a
// round short, a fault on one pair), restricted to 8-bit inputs, each
// method alone must find what running all 65,536 inputs finds, and every
// counterexample must fail in zanfo-sim.  Labelled heavy: a minute or so.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "prove_helpers.h"
#include "prover.h"
#include "verdict_text.h"

namespace {

using namespace prove_test;

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

}  // namespace
