// zanfo in the browser: what the page is shown of the toolchain's
// results, as text for the JavaScript side and as marks (views.h).
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
        if (w.fault == Fault::None && (w.d == DSource::Memory || w.transfer == Transfer::MemoryToIr))
            read[m.regs.mar] = 1;
    }
    void After(const Machine &, StepResult) override {}
    std::vector<uint8_t> &read;  // 1 for each word read
};

}  // namespace

void ReadMarks(const Machine &start, uint64_t cycles, std::vector<uint8_t> &marks) {
    std::fill(marks.begin(), marks.end(), 0);
    Machine again = start;
    ReadWatcher watcher(marks);
    Run(again, cycles, &watcher);
}

std::string ExplainedText(const std::vector<ExplainedMessage> &messages) {
    auto clean = [](std::string text) {
        for (char &c : text)
            if (c == '\t' || c == '\n' || c == '\r')
                c = ' ';
        return text;
    };
    std::string out;
    for (const ExplainedMessage &m : messages) {
        out += m.kind == ExplainedMessage::Error ? "E" : m.kind == ExplainedMessage::Notice ? "N" : "F";
        out += "\t" + std::to_string(m.line) + "\t" + clean(m.message) + "\t" +
               (m.explanation ? m.explanation : "") + "\n";
        for (const MessageNote &note : m.notes)
            out += std::string("\t") + (note.hint ? "h" : "n") + "\t" + clean(note.text) + "\n";
    }
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
