// zanfo-sim for grading: the report formats, test files with points and
// cycle limits, several programs at once, testing against a reference and
// coverage, through RunSim with its files held in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "coverage.h"
#include "inputs.h"
#include "machine.h"
#include "microword.h"
#include "sim.h"

namespace {

// Standard output and error, and the files written, of one run.
class Outcome : public SimOutput {
  public:
    void Out(const std::string &text) override { out += text; }
    void Err(const std::string &text) override { err += text; }
    bool File(const std::string &name, const std::string &bytes, std::string *) override {
        files[name] = bytes;
        return true;
    }
    std::string out, err;
    std::map<std::string, std::string> files;
    int status = -1;
};

// sum.zan adds n + (n - 1) + ... + 1 into total.
const std::map<std::string, std::string> kFiles = {
    {"sum.zan",
     "PROGRAM sum\nEQU total R1;\nEQU n R2;\n total = 0;\nagain: total = total + n;\n"
     " DECR(n), LDUFLAG;\n JUMP(again, NUZ);\n HALT\nEND\n"},
    {"sum.test", "case three\nset n=3\nexpect total=6\ncase wrong\nset n=4\nexpect total=11\n"},
};

Outcome Sim(const std::vector<std::string> &args, const std::map<std::string, std::string> &extra = {}) {
    Outcome run;
    run.status = RunSim(
        args,
        [&extra](const std::string &name, std::string *text, std::string *error) {
            for (const auto *files : {&extra, &kFiles}) {
                auto it = files->find(name);
                if (it != files->end()) {
                    *text = it->second;
                    return true;
                }
            }
            *error = "No such file or directory";
            return false;
        },
        run);
    return run;
}

TEST(Report, TextGoesToTheFileOfOutputAsItWouldToStandardOutput) {
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--test", "sum.test", "sum.zan"}, {"--set", "n=3", "--expect", "total=6", "sum.zan"}}) {
        Outcome plain = Sim(args);
        std::vector<std::string> withFile = args;
        withFile.insert(withFile.end(), {"--report", "text", "-o", "report.txt"});
        Outcome filed = Sim(withFile);
        EXPECT_EQ(filed.status, plain.status);
        EXPECT_EQ(filed.out, "");
        EXPECT_EQ(filed.files["report.txt"], plain.out);
    }
    Outcome unknown = Sim({"--report", "yaml", "sum.zan"});
    EXPECT_EQ(unknown.status, kSimBadInput);
    EXPECT_NE(unknown.err.find("--report: unknown format \"yaml\""), std::string::npos) << unknown.err;
}

TEST(TestFile, MaxCyclesAndPointsBeforeTheFirstCaseHoldForEveryCaseAndACaseOverridesThem) {
    const struct {
        const char *text;
        std::vector<std::pair<uint64_t, unsigned>> cases;  // max-cycles, points of each case
        const char *problem;                                // the first problem, or ""
    } tests[] = {
        {"case a\ncase b\n", {{0, 1}, {0, 1}}, ""},
        {"max-cycles 50\npoints 2\ncase a\ncase b\nmax-cycles 7\npoints 0\n", {{50, 2}, {7, 0}}, ""},
        {"case a\nMAX-CYCLES 18446744073709551615\n", {{UINT64_MAX, 1}}, ""},
        {"case a\nmax-cycles 0\n", {}, "t:2: max-cycles: \"0\" is not a number of cycles from 1 up"},
        {"case a\nmax-cycles 0x10\n", {}, "t:2: max-cycles: \"0x10\" is not a number of cycles from 1 up"},
        {"case a\nmax-cycles 18446744073709551616\n", {}, "t:2: max-cycles: \"18446744073709551616\" is not a number of cycles from 1 up"},
        {"case a\nmax-cycles\n", {}, "t:2: expected one number after max-cycles"},
        {"case a\npoints 1001\n", {}, "t:2: points: \"1001\" is not a weight from 0 to 1000"},
        {"case a\npoints -1\n", {}, "t:2: points: \"-1\" is not a weight from 0 to 1000"},
        {"points 3\ncase a\npoints 2\npoints 4\n", {}, "t:4: a second points line here"},
        {"max-cycles 3\nmax-cycles 3\ncase a\n", {}, "t:2: a second max-cycles line here"},
    };
    for (const auto &t : tests) {
        std::vector<TestCase> cases;
        std::vector<std::string> problems;
        bool ok = ParseTestFile("t", t.text, {}, &cases, &problems);
        EXPECT_EQ(ok, *t.problem == 0) << t.text;
        if (!ok) {
            EXPECT_EQ(problems.at(0), t.problem);
            continue;
        }
        ASSERT_EQ(cases.size(), t.cases.size()) << t.text;
        for (size_t i = 0; i < cases.size(); ++i) {
            EXPECT_EQ(cases[i].maxCycles, t.cases[i].first) << t.text;
            EXPECT_EQ(cases[i].points, t.cases[i].second) << t.text;
        }
    }
}

TEST(TestFile, ACaseStopsAtItsOwnCycleLimitOverTheCommandLine) {
    Outcome run = Sim({"--test", "limits.test", "--max-cycles", "5", "sum.zan"},
                      {{"limits.test", "case own limit\nmax-cycles 14\nset n=4\nexpect total=10\n"
                                       "case the command's\nset n=4\n"}});
    EXPECT_EQ(run.status, kSimStopped);
    EXPECT_EQ(run.out, "ok    own limit (14 cycles)\n"
                       "FAIL  the command's: stopped before 002 after 5 cycles: no HALT within 5 cycles (--max-cycles)\n"
                       "1 passed, 1 failed\n");
    Outcome tight = Sim({"--test", "limits.test", "sum.zan"}, {{"limits.test", "max-cycles 13\ncase four\nset n=4\n"}});
    EXPECT_EQ(tight.out, "FAIL  four: stopped before 004 after 13 cycles: no HALT within 13 cycles (max-cycles of the "
                         "test file)\n0 passed, 1 failed\n");
}

TEST(Coverage, AWordIsConditionalWhenItsPathDependsOnItsTest) {
    // Sequencer codes whose path the test chooses: CJS, CJP, PUSH, JSRP, JRP, CRTN, CJPP, LOOP, TWB.
    const unsigned tested[] = {1, 3, 4, 5, 7, 10, 11, 13, 15};
    for (unsigned code = 0; code < 16; ++code) {
        const bool byTest = std::find(std::begin(tested), std::end(tested), code) != std::end(tested);
        uint64_t word = PutField(0, Field::Sequencer, code);
        word = PutField(PutField(word, Field::AluDest, 9), Field::CondCode, 4);
        EXPECT_EQ(sim::Conditional(Decode(word)), byTest && code != 6) << code;
        EXPECT_FALSE(sim::Conditional(Decode(PutField(word, Field::CondEnable, 1)))) << code;
    }
}

TEST(Coverage, TracefileCountsEachLineAndBothDirectionsOfEveryTest) {
    const std::map<std::string, std::string> files = {
        // Two words on line 3; the test of line 4 only ever fails; line 7 is never reached.
        {"p.zan", "PROGRAM p\n"
                  "EQU n R2;\n"
                  " n = n + 0, LDUFLAG; JUMP(done, UZ);\n"
                  " JUMP(done, UN);\n"
                  " R1 = 5;\n"
                  "done: HALT;\n"
                  " R4 = 1\n"
                  "END\n"},
        {"t.test", "case zero\nset n=0\ncase one\nset n=1\n"},
    };
    Outcome run = Sim({"--test", "t.test", "--coverage", "c.info", "p.zan"}, files);
    EXPECT_EQ(run.status, kSimHalted) << run.err;
    EXPECT_EQ(run.files["c.info"],
              "TN:\nSF:p.zan\n"
              "BRDA:3,1,0,1\nBRDA:3,1,1,1\n"  // UZ passed for n = 0, failed for n = 1
              "BRDA:4,2,0,0\nBRDA:4,2,1,1\n"
              "BRF:4\nBRH:3\n"
              "DA:3,4\nDA:4,1\nDA:5,1\nDA:6,2\nDA:7,0\n"
              "LF:5\nLH:4\nend_of_record\n");
    EXPECT_EQ(run.err, "coverage: 5 of 6 microwords, 3 of 4 branch directions\n");
}

}  // namespace
