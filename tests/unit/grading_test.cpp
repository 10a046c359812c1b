// zanfo-sim for grading: the report formats, test files with points and
// cycle limits, several programs at once, testing against a reference and
// coverage, through RunSim with its files held in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "coverage.h"
#include "reference.h"
#include "inputs.h"
#include "machine.h"
#include "microword.h"
#include "sim.h"
#include "sim_helpers.h"

namespace {

using namespace sim;

// A run's output and its exit status.
struct Outcome : Captured {
    int status = -1;
};

// sum.zan adds n + (n - 1) + ... + 1 into total.
const std::map<std::string, std::string> kFiles = {
    {"sum.zan",
     "PROGRAM sum\nEQU total R1;\nEQU n R2;\n total = 0;\nagain: total = total + n;\n"
     " DECR(n), LDUFLAG;\n JUMP(again, NUZ);\n HALT\nEND\n"},
    {"sum.test", "case three\nset n=3\nexpect total=6\ncase wrong\nset n=4\nexpect total=11\n"},
};

// zanfo-sim on kFiles, with `extra` besides them or in their place.
Outcome Sim(const std::vector<std::string> &args, const Files &extra = {}) {
    Files files = extra;
    files.insert(kFiles.begin(), kFiles.end());  // keeps extra's where both have a name
    Outcome run;
    run.status = RunSim(args, Reader(files), run);
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

// Every case starts from the same memory: what a case set or its run
// wrote is put back before the next, whether or not the program writes.
TEST(TestFile, EachCaseStartsFromTheSameMemory) {
    const struct {
        const char *program;
        std::string written[2];  // MEM[5] after the first two cases
    } programs[] = {
        {"PROGRAM w\n R1 = R1 + 0, LDMAR;\n R3 = MEM;\n MEM = R2;\n HALT\nEND\n", {"7", "9"}},
        {"PROGRAM r\n R1 = R1 + 0, LDMAR;\n R3 = MEM;\n HALT\nEND\n", {"0", "0"}},
    };
    for (const auto &p : programs) {
        const std::string test = "case writes\nset R1=5 R2=7\nexpect R3=0 MEM[5]=" + p.written[0] + "\n" +
                                 "case again\nset R1=5 R2=9\nexpect R3=0 MEM[5]=" + p.written[1] + "\n" +
                                 "case set\nmem 5 0x11\nset R1=5 R2=1\nexpect R3=0x11\n"
                                 "case after\nset R1=5\nexpect R3=0\n";
        Outcome run = Sim({"--test", "cases.test", "p.zan"}, {{"p.zan", p.program}, {"cases.test", test}});
        EXPECT_EQ(run.status, kSimHalted) << p.program << run.out << run.err;
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
        EXPECT_EQ(Conditional(Decode(word)), byTest && code != 6) << code;
        EXPECT_FALSE(Conditional(Decode(PutField(word, Field::CondEnable, 1)))) << code;
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

// y = 2x, the reference; a program that differs only when x is 0x8000,
// one that differs for one x in 65536, and one written another way.
const std::map<std::string, std::string> kDoubles = {
    {"ref.zan", "PROGRAM double\nEQU x R1;\nEQU y R2;\n y = x;\n y = y + x, HALT\nEND\n"},
    {"at8000.zan", "PROGRAM double\nEQU x R1;\nEQU y R2;\n COMP(x, $8000);\n JUMP(odd, UZ);\n y = x;\n"
                   " y = y + x, HALT;\nodd: y = 1, HALT\nEND\n"},
    {"at4D2F.zan", "PROGRAM double\nEQU x R1;\nEQU y R2;\n COMP(x, $4D2F);\n JUMP(odd, UZ);\n y = x;\n"
                   " y = y + x, HALT;\nodd: y = 1, HALT\nEND\n"},
    {"viaQ.zan", "PROGRAM double\nEQU x R1;\nEQU y R2;\n RQ = x;\n y = x + RQ, HALT\nEND\n"},
    {"loops.zan", "PROGRAM double\nEQU x R1;\nEQU y R2;\n COMP(x, 0);\n JUMP(done, UZ);\n y = x;\n"
                  " y = y + x, HALT;\ndone: JUMP(done)\nEND\n"},
};

TEST(Reference, FindsAPlantedFaultAndNoneInAnEquivalentProgram) {
    const struct {
        const char *program;
        const char *random;
        int status;
        const char *first;  // the first case shown, or ""
    } tests[] = {
        {"at8000.zan", "0", kSimExpectFailed, "case edge 4\nset x=0x8000\nexpect y=0x0000\n# at8000.zan: y=0x0001\n"},
        {"at4D2F.zan", "10000", kSimExpectFailed,
         "case random 6151\nset x=0x4D2F\nexpect y=0x9A5E\n# at4D2F.zan: y=0x0001\n"},
        {"viaQ.zan", "2000", kSimHalted, ""},
        {"loops.zan", "0", kSimExpectFailed,
         "case edge 1\nset x=0x0000\nexpect y=0x0000\n# loops.zan: stopped before 004 after 1000 cycles: no HALT "
         "within 1000 cycles (--max-cycles)\n"},
    };
    for (const auto &t : tests) {
        Outcome run = Sim({"--reference", "ref.zan", "--random", t.random, "--vary", "x", "--compare", "y",
                           "--max-cycles", "1000", "--show", "1", t.program},
                          kDoubles);
        EXPECT_EQ(run.status, t.status) << t.program << run.err;
        EXPECT_EQ(run.out.compare(0, strlen(t.first), t.first), 0) << run.out;
        EXPECT_NE(run.out.find("# seed 1\n"), std::string::npos) << run.out;
        if (t.status == kSimHalted)
            continue;
        // The case shown is a test file's: the reference passes it, the program does not.
        std::map<std::string, std::string> files = kDoubles;
        files["shown.test"] = run.out;
        EXPECT_EQ(Sim({"--test", "shown.test", "--max-cycles", "1000", "ref.zan"}, files).status, kSimHalted);
        EXPECT_NE(Sim({"--test", "shown.test", "--max-cycles", "1000", t.program}, files).status, kSimHalted);
    }
}

TEST(Reference, TheSameSeedDrawsTheSameCasesAndMemoryRangesVaryWordByWord) {
    const std::map<std::string, std::string> files = {
        // MEM[0] + MEM[1], and MEM[0] twice.
        {"sum.zan", "PROGRAM s\n R3 = R3 XOR R3, LDMAR;\n R1 = MEM;\n INCR(R3), LDMAR;\n R1 = R1 + MEM, HALT\nEND\n"},
        {"first.zan", "PROGRAM s\n R3 = R3 XOR R3, LDMAR;\n R1 = MEM;\n R1 = R1 + MEM, HALT\nEND\n"},
    };
    std::vector<std::string> args = {"--reference", "sum.zan", "--random", "50", "--vary", "MEM[0..1]=0..9,UFLAG",
                                     "--compare", "R1,UFLAG", "--seed", "7", "--show", "2", "first.zan"};
    Outcome once = Sim(args, files), again = Sim(args, files);
    EXPECT_EQ(once.status, kSimExpectFailed) << once.err;
    EXPECT_EQ(once.out, again.out);
    // Edge cases fill the range with one value, so only a random case tells the words apart.
    EXPECT_EQ(once.out.compare(0, 13, "case random 1"), 0) << once.out;
    EXPECT_NE(once.out.find("\nmem 0x0000 0x000"), std::string::npos) << once.out;
    EXPECT_NE(once.out.find("# seed 7\n"), std::string::npos);
    args[args.size() - 4] = "8";
    EXPECT_NE(Sim(args, files).out, once.out);
}

TEST(Reference, EdgeValuesComeInPairsOfNames) {
    EXPECT_EQ(EdgeValues(0, 0xFFFF), (std::vector<uint16_t>{0, 1, 0x7FFF, 0x8000, 0xFFFF}));
    EXPECT_EQ(EdgeValues(0, 15), (std::vector<uint16_t>{0, 1, 15}));
    EXPECT_EQ(EdgeValues(10, 0x9000), (std::vector<uint16_t>{10, 0x7FFF, 0x8000, 0x9000}));
    EXPECT_EQ(EdgeCases({{0, 1}, {0, 5}}), (std::vector<std::vector<uint16_t>>{{0, 0}, {0, 5}, {1, 0}, {1, 5}}));
    // Three names of five values: the base, one name off it (3 x 4) or two (3 x 16).
    const std::vector<uint16_t> five = EdgeValues(0, 0xFFFF);
    EXPECT_EQ(EdgeCases({five, five, five}).size(), 1u + 12u + 48u);
    EXPECT_EQ(EdgeCases(std::vector<std::vector<uint16_t>>(30, five)).size(), kMaxEdgeCases);
}

TEST(Reference, CommandLineAndStatuses) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char *err;  // what standard error holds
    } tests[] = {
        {{"--reference", "ref.zan", "--vary", "x", "--compare", "y", "viaQ.zan"}, kSimBadInput, "needs --random N"},
        {{"--random", "5", "viaQ.zan"}, kSimBadInput, "go with --reference"},
        {{"--reference", "ref.zan", "--random", "5", "--vary", "x", "--compare", "y", "--test", "t", "viaQ.zan"},
         kSimBadInput, "--reference and --test cannot go together"},
        {{"--reference", "ref.zan", "--random", "5", "--vary", "x=9..1", "--compare", "y", "viaQ.zan"}, kSimBadInput,
         "--vary x=9..1: the range runs backwards"},
        {{"--reference", "ref.zan", "--random", "5", "--vary", "UFLAG=0..16", "--compare", "y", "viaQ.zan"},
         kSimBadInput, "--vary UFLAG: 16 is out of range: at most 15"},
        {{"--reference", "ref.zan", "--random", "5", "--vary", "x", "--compare", "z", "viaQ.zan"}, kSimBadInput,
         "--compare z: unknown name"},
        {{"--reference", "loops.zan", "--random", "5", "--vary", "x", "--compare", "y", "--max-cycles", "50",
          "viaQ.zan"},
         kSimStopped, "zanfo-sim: loops.zan: the reference stopped in case edge 1: stopped before 004 after 50 cycles"},
        {{"--reference", "ref.zan", "--random", "5", "--vary", "x", "--compare", "y", "none.zan"}, kSimStopped,
         "none.zan: cannot read the file: No such file"},
        {{"--reference", "none.zan", "--random", "5", "--vary", "x", "--compare", "y", "ref.zan"}, kSimBadInput,
         "none.zan: cannot read the file: No such file"},
    };
    for (const auto &t : tests) {
        Outcome run = Sim(t.args, kDoubles);
        EXPECT_EQ(run.status, t.status) << t.err;
        EXPECT_NE(run.err.find(t.err), std::string::npos) << run.err;
    }
}

}  // namespace
