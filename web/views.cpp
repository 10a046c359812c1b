// zanfo in the browser: what the page is shown of the toolchain's
// results, as text for the JavaScript side, as numbers and as marks
// (views.h).
#include "views.h"

#include <algorithm>

#include "microword.h"
#include "parts.h"

namespace {

// Marks the word at MAR of every cycle that reads memory.
struct ReadWatcher : CycleWatcher {
    explicit ReadWatcher(std::vector<uint8_t> &marks) : read(marks) {}
    void Before(const Machine &m) override {
        const Microinstruction &w = m.At(m.regs.upc);
        if (w.fault == Fault::None && ReadsMemory(w))
            read[m.regs.mar] = 1;
    }
    bool After(const Machine &, StepResult) override { return true; }
    std::vector<uint8_t> &read;  // 1 for each word read
};

// A text as one field of a line: no tab, no line end.
std::string OneLine(std::string text) {
    for (char &c : text)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return text;
}

}  // namespace

void ReadMarks(const Machine &start, uint64_t cycles, std::vector<uint8_t> &marks) {
    std::fill(marks.begin(), marks.end(), 0);
    Machine again = start;
    ReadWatcher watcher(marks);
    Run(again, cycles, &watcher);
}

std::string ExplainedText(const std::vector<ExplainedMessage> &messages) {
    std::string out;
    for (const ExplainedMessage &m : messages) {
        out += m.kind == ExplainedMessage::Error ? "E" : m.kind == ExplainedMessage::Notice ? "N" : "F";
        out += "\t" + std::to_string(m.line) + "\t" + OneLine(m.message) + "\t" +
               (m.explanation ? m.explanation : "") + "\n";
        for (const MessageNote &note : m.notes)
            out += std::string("\t") + (note.hint ? "h" : "n") + "\t" + OneLine(note.text) + "\n";
    }
    return out;
}

std::string ChecksText() {
    std::string out;
    for (size_t i = 0; i < kCheckCount; ++i) {
        const CheckInfo &c = kChecks[i];
        for (const char *field : {c.name, c.summary, c.explanation, c.wrong, c.right})
            out += std::string(field) + "\x1f";
        out += c.micExamples ? "1\x1e" : "0\x1e";
    }
    return out;
}

std::string WarningsText(const std::vector<Finding> &findings) {
    std::string out;
    for (const Finding &f : findings)
        if (f.severity == Severity::Warning)
            out += f.check + "\t" + std::to_string(f.line) + "\t" + std::to_string(f.address) + "\t" +
                   OneLine(f.message) + "\n";
    return out;
}

std::string PartsText() {
    static const char *const operands[] = {"zero", "a", "b", "q", "d"};
    static const char *const destinations[] = {"none", "b", "q"};
    static const char *const shifts[] = {"none", "right", "left"};
    static const char *const dSources[] = {"zero", "memory", "constant", "uflag", "mflag"};
    static const char *const transfers[] = {"none",   "memory-to-ir", "f-to-memory",   "f-to-mar",
                                            "f-to-flags", "const-to-memory", "const-to-flags"};
    static const char *const loads[] = {"none", "u-status", "m-status", "u-bus", "m-bus"};
    static const char *const nexts[] = {"zero", "upc", "d", "r", "top", "map", "vector"};
    static const char *const stacks[] = {"hold", "push", "pop", "clear"};
    static const char *const counters[] = {"hold", "load", "dec"};
    auto at = [](const char *const *names, auto value) { return std::string(names[static_cast<int>(value)]); };
    std::string out;
    for (unsigned c = 0; c < 8; ++c)
        out += "source " + std::to_string(c) + " " + at(operands, kSourcePairs[c].r) + " " +
               at(operands, kSourcePairs[c].s) + "\n";
    for (unsigned c = 0; c < 16; ++c)
        out += "dest " + std::to_string(c) + " " + std::to_string(kDestinations[c].defined) + " " +
               at(destinations, kDestinations[c].to) + " " + at(shifts, kDestinations[c].shift) + "\n";
    for (unsigned c = 0; c < 16; ++c)
        out += "bus " + std::to_string(c) + " " + std::to_string(kBusCodes[c].defined) + " " +
               at(dSources, kBusCodes[c].d) + " " + at(transfers, kBusCodes[c].transfer) + "\n";
    for (unsigned c = 0; c < 8; ++c)
        out += "flag " + std::to_string(c) + " " + std::to_string(kFlagCodes[c].defined) + " " +
               at(dSources, kFlagCodes[c].read) + " " + at(loads, kFlagCodes[c].load) + "\n";
    for (unsigned c = 0; c < 16; ++c) {
        out += "seq " + std::to_string(c) + " " + FindValue(Field::Sequencer, c)->name;
        for (const Path &p : kSequencer[c].paths)
            out += " " + at(nexts, p.next) + "/" + at(stacks, p.stack) + "/" + at(counters, p.counter);
        out += "\n";
    }
    // The bits a condition reads: those whose change can change its outcome.
    for (unsigned c = 0; c < 32; ++c) {
        const Condition &condition = kConditions[c % kNegated];
        unsigned bits = 0;
        for (unsigned flags = 0; flags < 16; ++flags)
            for (unsigned bit = 1; bit < 16; bit <<= 1)
                if (ConditionHolds(c, static_cast<uint8_t>(flags)) != ConditionHolds(c, static_cast<uint8_t>(flags ^ bit)))
                    bits |= bit;
        out += "cond " + std::to_string(c) + " " + FindValue(Field::CondCode, c)->name + " " +
               (condition.reads == FlagRegister::Uflag ? "uflag " : "mflag ") + std::to_string(bits) + "\n";
    }
    out += "busreadsflags " + std::to_string(kBusReadsFlags) + "\n";
    return out;
}

void SessionState(SimSession &session, std::vector<uint32_t> *state, std::string *names) {
    const bool named = !names->empty();
    state->clear();
    auto put = [named, state, names](const std::string &name, uint32_t value) {
        state->push_back(value);
        if (!named)
            *names += name + "\n";
    };
    // The cycle the datapath draws: the word at μPC's, or once the machine
    // has halted, the HALT word's, seen from the state before it (one cycle
    // back, looked at, and run again).
    const bool halted = session.last() == SimSession::Outcome::Halted && session.Back();
    {
        const Machine &m = session.machine();
        const CycleView v = m.Peek();
        const uint64_t word = m.WordAt(v.address);
        put("halted", halted);
        put("drawnUpc", m.regs.upc);
        put("drawnCounter", m.regs.counter);
        put("drawnDepth", m.regs.depth);
        for (unsigned i = 0; i < kStackDepth; ++i)
            put("drawnStack" + std::to_string(i), m.regs.stack[i]);
        put("drawnQ", m.regs.q);
        put("drawnMar", m.regs.mar);
        put("drawnIr", m.regs.ir);
        put("drawnUflag", m.regs.uflag);
        put("drawnMflag", m.regs.mflag);
        put("wordHigh", static_cast<uint32_t>(word >> 32));
        put("wordLow", static_cast<uint32_t>(word));
        put("empty", m.At(v.address).fault == Fault::Empty);
        put("sequencer", m.At(v.address).sequencer);  // as it runs: RFCT is RPCT with --loop-to-address
        put("runs", v.runs);
        put("aAddress", v.aAddress);
        put("bAddress", v.bAddress);
        put("a", v.a);
        put("b", v.b);
        put("memory", v.memory);
        put("d", v.d);
        put("r", v.r);
        put("s", v.s);
        put("f", v.f);
        put("status", v.status);
        put("y", v.y);
        put("bus", v.bus);
        put("uflagAfter", v.uflag);
        put("mflagAfter", v.mflag);
        put("pass", v.pass);
        put("next", v.next);
        put("counterAfter", v.counter);
    }
    if (halted)
        session.Step();
    const Machine &m = session.machine();
    put("upc", m.regs.upc);
    put("counter", m.regs.counter);
    put("depth", m.regs.depth);
    for (unsigned i = 0; i < kStackDepth; ++i)
        put("stack" + std::to_string(i), m.regs.stack[i]);
    for (unsigned i = 0; i < kRegisterCount; ++i)
        put("r" + std::to_string(i), m.regs.r[i]);
    put("q", m.regs.q);
    put("mar", m.regs.mar);
    put("ir", m.regs.ir);
    put("uflag", m.regs.uflag);
    put("mflag", m.regs.mflag);
    put("cyclesLow", static_cast<uint32_t>(m.cycles));
    put("cyclesHigh", static_cast<uint32_t>(m.cycles >> 32));
    put("executed", m.executed);
    put("outcome", static_cast<uint32_t>(session.last()));
    put("ended", session.ended());
    put("breakpoint", m.At(m.regs.upc).breakpoint);
}

std::string CoverageText(const SourceCoverage &coverage) {
    std::string text;
    for (const auto &line : coverage.lines)
        text += "D\t" + std::to_string(line.first) + "\t" + std::to_string(line.second) + "\n";
    for (const BranchCount &b : coverage.branches)
        text += "B\t" + std::to_string(b.line) + "\t" + std::to_string(b.block) + "\t" + OneLine(b.branch) + "\t" +
                (b.ran ? std::to_string(b.taken) : std::string("-")) + "\n";
    return text;
}
