// zanfo-sim's side of the hardware model's comparison: --report state,
// --trace-format state and --vcd, in the forms hdl/'s testbench prints,
// and the command lines they refuse.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sim.h"
#include "sim_helpers.h"

namespace {

// x + 1 into R1 and MAR, memory at MAR <- x, a call that doubles x, HALT.
const std::map<std::string, std::string> kFiles = {
    {"p.zan",
     "PROGRAM p\nEQU x R1;\n        INCR(x), LDUFLAG;\n        x = x + 0, LDMAR;\n        MEM = x;\n"
     "        CALL(sub);\n        HALT;\nsub:    x = x + x, RET\nEND\n"},
    {"t.test", "case one\ncase two\nset MEM[1]=1\n"},
};

int Sim(const std::vector<std::string> &args, Captured &output) { return RunSim(args, Reader(kFiles), output); }

std::string Registers(const std::string &r1) {
    std::string text;
    for (int i = 0; i < 64; ++i)
        text += "r" + std::to_string(i) + " " + (i == 1 ? r1 : "0000") + "\n";
    return text;
}

// Every item of the state, a trace line a cycle with what it changed, and
// a memory line only for a word that ends unlike it started.
TEST(StateFormat, ReportAndTraceAsTheTestbenchPrintsThem) {
    Captured c;
    EXPECT_EQ(Sim({"--report", "state", "--trace-format", "state", "p.zan"}, c), kSimHalted);
    EXPECT_EQ(c.out, "0 000 4E0009B0C0400000 upc=001 r1=0001\n"
                     "1 001 4E2800B100410000 upc=002 mar=0001\n"
                     "2 002 4E20009100010000 upc=003 mem[0001]=0001\n"
                     "3 003 4100009040000005 upc=005 stack=1:004\n"
                     "4 005 4A0000B040410000 upc=004 stack=0: r1=0002\n"
                     "5 004 CE00009040000000 upc=005\n"
                     "end halted\naddress 004\ncycles 6\nupc 005\ncounter 000\nstack 0\nq 0000\nmar 0001\n"
                     "ir 0000\nuflag 0\nmflag 0\n" +
                         Registers("0002") + "mem 0001 0001\n");
    EXPECT_EQ(c.err, "");

    Captured same;  // the word written holds what it held: no mem line
    Sim({"--report", "state", "--set", "MEM[1]=1", "p.zan"}, same);
    EXPECT_EQ(same.out.find("mem "), std::string::npos) << same.out;

    Captured cases;
    EXPECT_EQ(Sim({"--report", "state", "--test", "t.test", "p.zan"}, cases), kSimHalted);
    EXPECT_EQ(cases.out.rfind("case one\nend halted\n", 0), 0u) << cases.out;
    EXPECT_NE(cases.out.find("mem 0001 0001\ncase two\nend halted\n"), std::string::npos) << cases.out;
    EXPECT_EQ(cases.out.find("mem 0001 0001\n", cases.out.find("case two")), std::string::npos) << cases.out;
}

// The address of a stop: the word that could not run, the next word at
// the limit; the reason on standard error only.
TEST(StateFormat, WhereARunStopped) {
    const struct {
        std::vector<std::string> args;
        const char *head;
    } cases[] = {
        {{"--start", "6"}, "end error\naddress 006\ncycles 0\nupc 006\n"},
        {{"--max-cycles", "4"}, "end limit\naddress 005\ncycles 4\nupc 005\ncounter 000\nstack 1 004\n"},
    };
    for (const auto &t : cases) {
        Captured c;
        std::vector<std::string> args = {"--report", "state"};
        args.insert(args.end(), t.args.begin(), t.args.end());
        args.push_back("p.zan");
        EXPECT_EQ(Sim(args, c), kSimStopped);
        EXPECT_EQ(c.out.rfind(t.head, 0), 0u) << c.out;
        EXPECT_NE(c.err, "");
    }
}

// The waveform: the testbench's signals in the scope zanfo, a sample at
// every 10 ns; at the end the word that would run next, with what the
// datapath makes of it even when it cannot run (address 6 is empty: the
// word 0, whose F is R0 + Q).
TEST(StateFormat, WaveformOfTheTestbenchsSignals) {
    Captured c;
    EXPECT_EQ(Sim({"--vcd", "run.vcd", "--set", "Q=7", "--start", "4", "p.zan"}, c), kSimHalted);
    const std::string &vcd = c.files["run.vcd"];
    EXPECT_EQ(vcd.rfind("$version zanfo-sim --vcd $end\n$timescale 1ns $end\n$scope module zanfo $end\n"
                        "$var wire 12 ! upc [11:0] $end\n$var wire 64 \" word [63:0] $end\n"
                        "$var wire 16 # r0 [15:0] $end\n",
                        0),
              0u);
    for (const char *var : {"$var wire 16 b r63 [15:0] $end\n", "$var wire 16 c q [15:0] $end\n",
                            "$var wire 4 f uflag [3:0] $end\n", "$var wire 16 h dbus [15:0] $end\n",
                            "$var wire 16 i f [15:0] $end\n", "$var wire 3 j sp [2:0] $end\n",
                            "$var wire 12 k counter [11:0] $end\n"})
        EXPECT_NE(vcd.find(var), std::string::npos) << var;
    // The HALT at 4 runs as cycle 0; at 10 ns upc is 5, and nothing follows.
    EXPECT_NE(vcd.find("#10\nb101 !\n"), std::string::npos) << vcd;
    EXPECT_EQ(vcd.find("#20"), std::string::npos);

    Captured empty;
    EXPECT_EQ(Sim({"--vcd", "run.vcd", "--set", "Q=7", "--start", "6", "p.zan"}, empty), kSimStopped);
    const std::string &stopped = empty.files["run.vcd"];
    EXPECT_NE(stopped.find("b110 !\nb0 \"\n"), std::string::npos) << stopped;  // upc 6, word 0
    EXPECT_NE(stopped.find("b111 i\n"), std::string::npos) << stopped;         // F = R0 + Q = 7
}

TEST(StateFormat, RefusedCommandLines) {
    const struct {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{"--trace-format", "xml", "p.zan"}, "--trace-format: unknown format \"xml\" (text, state)"},
        {{"--report", "states", "p.zan"}, "--report: unknown format \"states\""},
        {{"--vcd", "t.vcd", "--test", "t.test", "p.zan"}, "--vcd writes one run: not the cases of --test"},
        {{"--vcd", "p.zan", "p.zan"}, "\"p.zan\" is an input: it cannot take the waveform"},
        {{"--vcd", "-", "p.zan"}, "--vcd - and the report or the coverage would both go to standard output"},
        {{"--vcd=", "p.zan"}, "option --vcd needs a file name"},
    };
    for (const auto &t : cases) {
        Captured c;
        EXPECT_EQ(Sim(t.args, c), kSimBadInput) << t.message;
        EXPECT_EQ(c.err.rfind(std::string("zanfo-sim: ") + t.message, 0), 0u) << c.err;
    }
}

}  // namespace
