// zanfo-check's library: every check's examples, the order and format of
// the findings, and the analysis against the simulator on generated
// programs: whatever a run meets, the checks must have said it could.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "check.h"
#include "machine.h"
#include "microword.h"
#include "splitmix64.h"
#include "words.h"

namespace {

std::vector<Finding> CheckExample(const CheckInfo &info, const char *text, const CheckOptions &options = {}) {
    return info.micExamples ? CheckMicText(text, options) : CheckSource(text, options);
}

std::string Shown(const std::vector<Finding> &findings) {
    std::string text;
    for (const Finding &f : findings)
        text += FormatFinding("p", f);
    return text;
}

// --explain shows each check with a program it fires on and the same
// program written right, which must draw nothing at all.
TEST(CheckExamples, WrongFiresAndRightIsClean) {
    ASSERT_GT(kCheckCount, 0u);
    for (size_t i = 0; i < kCheckCount; ++i) {
        const CheckInfo &info = kChecks[i];
        const std::vector<Finding> wrong = CheckExample(info, info.wrong);
        bool fires = false;
        for (const Finding &f : wrong)
            fires |= f.check == info.name;
        EXPECT_TRUE(fires) << info.name << " does not fire on its wrong example:\n" << Shown(wrong);
        EXPECT_EQ(Shown(CheckExample(info, info.right)), "") << info.name << "'s right example";
        // Turned off, it says nothing.
        CheckOptions off;
        off.off.insert(info.name);
        for (const Finding &f : CheckExample(info, info.wrong, off))
            EXPECT_NE(f.check, info.name);
        EXPECT_EQ(FindCheck(info.name), &info);
    }
    EXPECT_EQ(FindCheck("no-such-check"), nullptr);
}

TEST(CheckFindings, SortedByLineErrorsFirstAndFormatted) {
    // The undefined label is zanfo's error on line 2; the jump it leaves
    // (to 000) makes a loop with no HALT, on the same line.
    const std::vector<Finding> f = CheckSource("PROGRAM p\n  JUMP(nowhere)\nEND\n");
    ASSERT_EQ(f.size(), 2u) << Shown(f);
    EXPECT_EQ(f[0].severity, Severity::Error);
    EXPECT_EQ(f[0].check, "");
    EXPECT_EQ(f[1].check, "no-halt");
    EXPECT_EQ(f[1].address, 0);
    EXPECT_EQ(Shown(f), "p:2: error: Identificador desconocido\n"
                        "p:2: note: " + f[0].note + "\n"
                        "p:2: warning: " + f[1].message + " [no-halt]\n");
    EXPECT_NE(f[0].note, "");

    Finding whole;
    whole.check = "start-empty";
    whole.message = "m";
    whole.note = "n";
    EXPECT_EQ(FormatFinding("f", whole), "f: warning: m [start-empty]\nf: note: n\n");
}

TEST(CheckFindings, ZanfoMessagesInUtf8OnOneLine) {
    // "Dirección" in Latin-1 comes out in UTF-8; a stray control byte is
    // zanfo's notice, shown without the byte itself.
    const std::vector<Finding> f = CheckSource("PROGRAM p\nORG 99999;\n  HALT\n\x01\nEND\n");
    const std::string text = Shown(f);
    EXPECT_NE(text.find("p:2: error: Direcci\xC3\xB3n fuera de rango\n"), std::string::npos) << text;
    EXPECT_NE(text.find("p:4: error: Unrecognized character: (1) ?\n"), std::string::npos) << text;
}

TEST(CheckFindings, MicReaderErrorsStopTheAnalysis) {
    const std::vector<Finding> f = CheckMicText("0000 4E00009040000000\nxyz\n");
    ASSERT_EQ(f.size(), 1u) << Shown(f);
    EXPECT_EQ(f[0].severity, Severity::Error);
    EXPECT_EQ(f[0].line, 2);
    // An empty file holds nothing to run.
    const std::vector<Finding> empty = CheckMicText("");
    ASSERT_EQ(empty.size(), 1u) << Shown(empty);
    EXPECT_EQ(empty[0].check, "start-empty");
}

// ---------------------------------------------------------------------------
// Generated programs, run on the machine.

// A word with a value the machine defines in every field, most often a
// plain one, its target near the program (or beyond it, at an empty
// address).
uint64_t RandomWord(Rng &rng, unsigned size) {
    static const unsigned kSequencers[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    static const unsigned kDests[] = {5, 7, 8, 9, 11, 13, 15};
    static const unsigned kBus[] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10};
    static const unsigned kFlags[] = {0, 2, 3, 4, 5, 6, 7};
    uint64_t w = kIdleWord;
    const unsigned sequencer = rng.OneIn(3) ? 14 : kSequencers[rng.Below(15)];
    w = PutField(w, Field::Sequencer, sequencer);
    w = PutField(w, Field::CondEnable, rng.OneIn(2));
    w = PutField(w, Field::CondCode, rng.Below(32));
    w = PutField(w, Field::ConstantAddr, rng.OneIn(20) ? rng.Below(0x10000) : rng.Below(size + 3));
    w = PutField(w, Field::Break, rng.OneIn(12));
    if (rng.OneIn(2)) {
        w = PutField(w, Field::AluDest, kDests[rng.Below(7)]);
        w = PutField(w, Field::AluSource, rng.Below(8));
        w = PutField(w, Field::AluFunction, rng.Below(8));
        w = PutField(w, Field::RegSelect, rng.Below(4));
        w = PutField(w, Field::RegB, rng.Below(64));
    }
    w = PutField(w, Field::YBusCtrl, rng.OneIn(3) ? kBus[rng.Below(10)] : 0);
    w = PutField(w, Field::FlagInstr, rng.OneIn(3) ? kFlags[rng.Below(7)] : 0);
    return w;
}

bool Has(const std::vector<Finding> &f, const char *check, int address) {
    for (const Finding &x : f)
        if (x.check == check && x.address == address)
            return true;
    return false;
}

// Whatever the machine does on a run, the checks must have said it could:
// each stop on an error, each LOOP to a top that is not its operand; no
// word that ran is unreachable; and no word said to test a flag or count
// that nothing loads runs after something loaded it.
TEST(CheckAgainstMachine, EveryRunIsForeseen) {
    Rng rng(18);
    for (int program = 0; program < 1500; ++program) {
        const unsigned size = 4 + rng.Below(40);
        std::vector<StoreWord> words;
        for (unsigned a = 0; a < size; ++a)
            if (!rng.OneIn(10))
                words.push_back({a, RandomWord(rng, size), static_cast<int>(a) + 1});
        CheckOptions options;
        options.loopToAddress = rng.OneIn(4);
        if ((options.mapped = rng.OneIn(3))) {
            options.mapping.fill(-1);
            for (unsigned op = 0; op < kOpcodes; ++op)
                if (rng.OneIn(2))
                    options.mapping[op] = static_cast<int>(rng.Below(size + 2));
        }
        const std::vector<Finding> found = CheckStore(words, options);
        const std::string context = "program " + std::to_string(program) + ":\n" + Shown(found);

        for (int run = 0; run < 3; ++run) {
            Machine m;
            m.SetLoopToAddress(options.loopToAddress);
            if (options.mapped)
                m.SetMapping(options.mapping);
            for (const StoreWord &w : words)
                m.LoadWord(w.address, w.word);
            m.regs.ir = static_cast<uint16_t>(rng.Next());
            m.regs.uflag = static_cast<uint8_t>(rng.Below(16));
            m.regs.mflag = static_cast<uint8_t>(rng.Below(16));
            for (uint16_t &r : m.regs.r)
                r = static_cast<uint16_t>(rng.Next());
            bool loadedU = false, loadedM = false, loadedCount = false;
            for (int cycle = 0; cycle < 300; ++cycle) {
                const uint16_t at = m.regs.upc;
                const Microinstruction &w = m.At(at);
                if (w.fault == Fault::None) {
                    EXPECT_FALSE(Has(found, "unreachable", at)) << context << "ran " << at;
                    if (!w.halt && w.sequencer == kRfct && m.regs.counter != 0 && m.regs.depth > 0 &&
                        m.regs.stack[m.regs.depth - 1] != w.target) {
                        EXPECT_TRUE(Has(found, "loop-target", at) || Has(found, "stack-underflow", at))
                            << context << "LOOP at " << at;
                    }
                    for (const Finding &f : found) {
                        if (f.address == at && f.check == "flag-never-loaded") {
                            EXPECT_FALSE(f.message.find("UFLAG") != std::string::npos ? loadedU : loadedM)
                                << context << "at " << at;
                        }
                    }
                    if (Has(found, "count-never-loaded", at)) {
                        EXPECT_FALSE(loadedCount) << context << "at " << at;
                    }
                    loadedU |= w.flags == FlagLoad::UStatus || w.flags == FlagLoad::UBus;
                    loadedM |= w.flags == FlagLoad::MStatus || w.flags == FlagLoad::MBus;
                    for (const Path &p : kSequencer[w.sequencer].paths)
                        loadedCount |= p.counter == CounterOp::Load;
                }
                const uint64_t before = m.cycles;
                const StepResult result = m.Step();
                if (result == StepResult::Halted)
                    break;
                if (result == StepResult::Ran)
                    continue;
                const MachineError &e = m.error;
                const std::string what = context + "stopped: " + e.what + " at " + std::to_string(e.address);
                if (e.what.find("empty stack") != std::string::npos) {
                    EXPECT_TRUE(Has(found, "stack-underflow", e.address)) << what;
                } else if (e.what.find("full stack") != std::string::npos) {
                    // In a recursion any push of the circle can be the one
                    // that meets the full stack; the warning stands at the
                    // CALL that closes it.
                    bool recursion = false;
                    for (const Finding &f : found)
                        recursion |= f.check == "stack-unbounded";
                    EXPECT_TRUE(Has(found, "stack-overflow", e.address) || recursion) << what;
                } else if (e.what.find("not modelled") != std::string::npos) {
                    EXPECT_TRUE(Has(found, "unmodelled", e.address)) << what;
                } else if (e.empty && before == 0) {
                    EXPECT_TRUE(Has(found, "start-empty", e.address)) << what;
                } else if (e.empty) {
                    // After the word that ran last, or at a CALL whose next
                    // address a return went to; JMAP without a mapping and
                    // a jump to R are not known to go there.
                    const unsigned last = GetField(m.WordAt(m.executed), Field::Sequencer);
                    if ((last == 2 && !options.mapped) || last == 5 || last == 7)
                        break;
                    const int previous = (e.address - 1) & 0xFFF;
                    EXPECT_TRUE(Has(found, "fall-off", m.executed) || Has(found, "target-empty", m.executed) ||
                                Has(found, "fall-off", previous))
                        << what << " after " << m.executed;
                }
                break;
            }
        }
    }
}

}  // namespace
