// zanfo-sim a cycle at a time (the playground's simulator): a session says
// what the command says, steps back to any of its last cycles, and the
// machine's Peek foretells each cycle.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "machine.h"
#include "microword.h"
#include "session.h"
#include "sim.h"
#include "sim_helpers.h"

namespace {

const std::map<std::string, std::string> kFiles = {
    {"sum.zan",
     "PROGRAM sum\nEQU total R1;\nEQU n R2;\n total = 0;\nagain: total = total + n;\n"
     " DECR(n), LDUFLAG;\n JUMP(again, NUZ);\n HALT\nEND\n"},
    // Memory, IR, the counter, the stack and a shift in every round.
    {"traced.zan",
     "PROGRAM traced\nEQU n R2;\nEQU p R3;\n p = p + 0, LDMAR;\n LDCOUNT(1);\n CALL(round);\n"
     "round: MEM = p;\n LDIR;\n INCR(n), LDUFLAG;\n RQ = RQ + n;\n p = p + 0, ASR;\n LOOP(round);\n"
     " UFLAG = 9, HALT\nEND\n"},
    {"sub.zan", "PROGRAM sub\n R1 = R1 + R2;\n RET\nEND\n"},
    // Never halts; writes memory at a moving address on every round.
    {"forever.zan",
     "PROGRAM forever\nEQU a R4;\nround: INCR(a);\n a = a + 0, LDMAR;\n MEM = a;\n"
     " R5 = R5 + MEM, LDUFLAG;\n JUMP(round)\nEND\n"},
};

const FileReader ReadFile = Reader(kFiles);

void Open(SimSession &s, const std::vector<std::string> &args) {
    Captured c;
    int status = -1;
    ASSERT_TRUE(s.Open(args, ReadFile, c, &status)) << c.err;
    ASSERT_EQ(status, 0);
    ASSERT_EQ(c.err, "");
}

// The last `n` lines of `text`.
std::string LastLines(const std::string &text, size_t n) {
    size_t at = text.size();
    for (size_t lines = 0; at > 0 && lines <= n; --at)
        if (text[at - 1] == '\n' && ++lines > n)
            break;
    return text.substr(at);
}

struct Snapshot {
    Registers regs;
    uint64_t cycles;
    std::vector<uint16_t> memory;
    std::vector<uint8_t> written;
    bool operator==(const Snapshot &o) const {
        return regs == o.regs && cycles == o.cycles && memory == o.memory && written == o.written;
    }
};
// The memory words below 0x400 are all that forever.zan writes in 2500 cycles.
Snapshot Take(const Machine &m) {
    return {m.regs, m.cycles, {m.memory.begin(), m.memory.begin() + 0x400}, {m.written.begin(), m.written.begin() + 0x400}};
}

// Stepped to its end or run at once, a session prints what `zanfo-sim
// --trace` prints: the trace of its last cycles, the report and the message.
TEST(SimSession, SaysWhatTheCommandSays) {
    const std::vector<std::vector<std::string>> runs = {
        {"--set", "n=3", "sum.zan"},
        {"--set", "p=0x8002", "traced.zan"},
        {"--set", "R2=4", "sub.zan"},                           // RET on an empty stack
        {"--max-cycles", "1500", "forever.zan"},                 // the cycle limit, past the history
        {"--start", "3", "--loop-to-address", "traced.zan"},  // starts past the LDCOUNT
    };
    for (const auto &args : runs) {
        std::vector<std::string> traced = args;
        traced.insert(traced.begin(), "--trace");
        Captured command;
        int status = RunSim(traced, ReadFile, command);
        const std::string report = command.out.substr(command.out.find("\n", command.out.rfind("  -> ")) + 1);
        const std::string trace = command.out.substr(0, command.out.size() - report.size());

        for (bool stepped : {true, false}) {
            SimSession s;
            Open(s, args);
            if (stepped)
                while (!s.ended())
                    s.Step();
            else
                s.Run(UINT64_MAX);
            const std::string what = args.back() + (stepped ? " stepped" : " run");
            EXPECT_EQ(s.Trace(), LastLines(trace, SimSession::kHistory)) << what;
            EXPECT_EQ(s.Report(), report) << what;
            EXPECT_EQ(s.Message(), command.err) << what;
            EXPECT_EQ(s.last() == SimSession::Outcome::Halted, status == kSimHalted) << what;
            EXPECT_EQ(s.Step(), s.last()) << what;  // an ended run stays where it ended
        }
    }
}

// Back undoes cycles one by one as far as the history goes, after steps and
// after runs, memory writes included; stepping forward again is the same run.
TEST(SimSession, BackUndoesTheLastCycles) {
    SimSession ran, stepped;
    Open(ran, {"forever.zan"});
    Open(stepped, {"forever.zan"});
    std::vector<Snapshot> states;
    for (int i = 0; i < 2500; ++i) {
        states.push_back(Take(stepped.machine()));
        stepped.Step();
    }
    // Three runs: the history comes back from the checkpoint of the first
    // (the last one starts too late to give 1000 cycles).
    ran.Run(1200);
    ran.Run(1000);
    ran.Run(300);
    ASSERT_EQ(Take(ran.machine()), Take(stepped.machine()));
    const std::string trace = ran.Trace();
    for (size_t back = 1; back <= SimSession::kHistory; ++back) {
        ASSERT_TRUE(ran.Back()) << back;
        ASSERT_TRUE(stepped.Back()) << back;
        ASSERT_TRUE(Take(ran.machine()) == states[2500 - back]) << back;
        ASSERT_TRUE(Take(stepped.machine()) == states[2500 - back]) << back;
    }
    EXPECT_FALSE(ran.Back());
    EXPECT_FALSE(stepped.Back());
    for (size_t i = 0; i < SimSession::kHistory; ++i)
        ran.Step();
    EXPECT_EQ(ran.Trace(), trace);

    ran.Reset();
    EXPECT_TRUE(Take(ran.machine()) == states[0]);
    EXPECT_FALSE(ran.Back());
}

TEST(SimSession, BreakpointsStopRunsButNotTheRunThatStartsAtOne) {
    SimSession s;
    Open(s, {"--set", "n=2", "--break", "1", "sum.zan"});
    EXPECT_EQ(s.Run(100), SimSession::Outcome::Breakpoint);
    EXPECT_EQ(s.machine().regs.upc, 1);
    EXPECT_EQ(s.Run(100), SimSession::Outcome::Breakpoint);  // once round the loop
    EXPECT_EQ(s.machine().cycles, 4u);
    EXPECT_EQ(s.Report().substr(0, s.Report().find('\n')), "break before 001 after 4 cycles");
    s.SetBreakpoint(1, false);
    s.SetBreakpoint(4, true);
    EXPECT_EQ(s.Run(100), SimSession::Outcome::Breakpoint);
    EXPECT_EQ(s.machine().regs.upc, 4);
    EXPECT_EQ(s.Run(1), SimSession::Outcome::Halted);
    s.Reset();  // breakpoints stay
    EXPECT_EQ(s.Run(100), SimSession::Outcome::Breakpoint);
    EXPECT_EQ(s.machine().regs.upc, 4);
    EXPECT_EQ(s.Run(3), SimSession::Outcome::Halted);
}

TEST(SimSession, OpenFailsAsTheCommandDoes) {
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--help"}, {"--version"}, {"nowhere.mic"}, {"--set", "R99=1", "sum.zan"}}) {
        Captured command, session;
        int want = RunSim(args, ReadFile, command), status = -1;
        SimSession s;
        EXPECT_FALSE(s.Open(args, ReadFile, session, &status));
        EXPECT_EQ(status, want);
        EXPECT_EQ(session.out, command.out);
        EXPECT_EQ(session.err, command.err);
        if (args[0] == "--version") {  // on the output it was given, not on the process's own
            EXPECT_EQ(command.out.compare(0, 18, "zanfo-sim (zanfo) "), 0) << command.out;
        }
    }
}

// What Peek works out for the word at μPC is what its Step then does.
TEST(MachinePeek, ForetellsEveryCycle) {
    for (const char *program : {"traced.zan", "forever.zan", "sub.zan"}) {
        SimSession s;
        Open(s, {"--set", "R3=0x8002", "--set", "R2=4", program});
        for (int i = 0; i < 200 && !s.ended(); ++i) {
            Machine m = s.machine();
            CycleView v = m.Peek();
            uint64_t word = m.WordAt(v.address);
            StepResult result = m.Step();
            ASSERT_EQ(v.runs, result != StepResult::Error) << program << " " << i;
            if (!v.runs) {
                EXPECT_EQ(v.error.what, m.error.what);
                break;
            }
            EXPECT_EQ(v.next, m.regs.upc);
            EXPECT_EQ(v.counter, m.regs.counter);
            EXPECT_EQ(v.uflag, m.regs.uflag);
            EXPECT_EQ(v.mflag, m.regs.mflag);
            uint32_t dest = GetField(word, Field::AluDest);
            if (dest == 5 || dest == 11 || dest == 13 || dest == 15) {
                EXPECT_EQ(m.regs.r[v.bAddress], v.y);
            } else if (dest == 7 || dest == 8) {
                EXPECT_EQ(m.regs.q, v.y);
            }
            s.Step();
        }
    }
}

}  // namespace
