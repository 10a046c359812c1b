// What zanfo-sim says about a run.
#include "report.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

#include "notation.h"

namespace sim {

std::string Format(const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

namespace {

// "0x000C  12" for the state, with the signed value too when bit 15 is set.
std::string Value(uint16_t v) {
    std::string text = Format("0x%04X  %u", v, v);
    if (v & 0x8000)
        text += Format(" (%d)", static_cast<int>(v) - 0x10000);
    return text;
}

// "0x000C (12)" in a sentence.
std::string ValueInText(uint16_t v) {
    if (v & 0x8000)
        return Format("0x%04X (%u = %d)", v, v, static_cast<int>(v) - 0x10000);
    return Format("0x%04X (%u)", v, v);
}

std::string FlagValue(uint16_t f) { return Format("0x%X (%s)", f, FlagLetters(static_cast<uint8_t>(f)).c_str()); }

std::string StackText(const Registers &regs) {
    if (regs.depth == 0)
        return "empty";
    std::string text;
    for (unsigned i = 0; i < regs.depth; ++i)
        text += Format("%03X ", regs.stack[i]);
    return text + "(top last)";
}

}  // namespace

std::string FlagLetters(uint8_t f) {
    std::string text;
    for (auto flag : {std::make_pair(kFlagZ, 'Z'), std::make_pair(kFlagN, 'N'), std::make_pair(kFlagV, 'V'),
                      std::make_pair(kFlagC, 'C')})
        text += f & flag.first ? flag.second : '.';
    return text;
}

std::string Describe(uint64_t word, const Program &program) {
    if (program.labels.empty())
        return DescribeWord(word);
    return DescribeWord(word, [&program](uint32_t address) {
        auto it = program.labels.find(address);
        return it == program.labels.end() ? std::string() : it->second;
    });
}

std::string StateReport(const Machine &m, const Program &program) {
    std::string out;
    auto line = [&out](const std::string &name, const std::string &value, const std::string &note = "") {
        // Padded by characters, not bytes: μ takes two.
        size_t width = 0;
        for (unsigned char c : name)
            width += (c & 0xC0) != 0x80;
        out += name + std::string(width < 13 ? 13 - width : 1, ' ') + value;
        out += note.empty() ? "\n" : "  (" + note + ")\n";
    };
    line("μPC", Format("%03X", m.regs.upc));
    line("counter", Format("%03X", m.regs.counter));
    line("stack", StackText(m.regs));
    line("Q", Value(m.regs.q), program.NamesOf(kRegisterCount));
    line("MAR", Value(m.regs.mar));
    line("IR", Value(m.regs.ir));
    for (auto flags : {std::make_pair("UFLAG", m.regs.uflag), std::make_pair("MFLAG", m.regs.mflag)})
        line(flags.first, Format("0x%X     Z=%d N=%d V=%d C=%d", flags.second, (flags.second & kFlagZ) != 0,
                                 (flags.second & kFlagN) != 0, (flags.second & kFlagV) != 0,
                                 (flags.second & kFlagC) != 0));
    for (unsigned i = 0; i < kRegisterCount; ++i)
        if (m.regs.r[i])
            line(Format("R%u", i), Value(m.regs.r[i]), program.NamesOf(i));
    for (size_t a = 0; a < kMemoryWords; ++a)
        if (m.written[a])
            line(Format("MEM[0x%04zX]", a), Value(m.memory[a]));
    return out;
}

// How a run ended, for the first line of the state and for test cases.
std::string Cycles(uint64_t n) { return Format("%" PRIu64 " cycle%s", n, n == 1 ? "" : "s"); }

std::string EndLine(const Machine &m, RunEnd end) {
    switch (end) {
    case RunEnd::Halted: return Format("halted at %03X after ", m.executed) + Cycles(m.cycles);
    case RunEnd::Breakpoint: return Format("break before %03X after ", m.regs.upc) + Cycles(m.cycles);
    default: return Format("stopped before %03X after ", m.regs.upc) + Cycles(m.cycles);
    }
}

// Why the run stopped, for an error or the cycle limit.
std::string StopReason(const Machine &m, RunEnd end, uint64_t maxCycles, const Program &program,
                       const std::string &limit) {
    if (end == RunEnd::CycleLimit)
        return Format("no HALT within %" PRIu64 " cycles (", maxCycles) + limit + ")";
    if (end == RunEnd::Stopped)
        return "the trace could not be written";
    const MachineError &e = m.error;
    if (e.empty)
        return m.cycles ? Format("no microword at address %03X (the next address after %03X)", e.address, m.executed)
                        : Format("no microword at address %03X (the start address)", e.address);
    return Format("address %03X, microword %016" PRIX64 " (", e.address, e.word) + Describe(e.word, program) + "): " + e.what;
}

// Every expectation that does not hold, in the order given.
std::vector<Mismatch> Failures(const Machine &m, const std::vector<Assignment> &expects) {
    std::vector<Mismatch> failures;
    for (const Assignment &e : expects) {
        uint16_t got = ReadPlace(m, e.place);
        if (got == e.value)
            continue;
        bool flags = e.place.kind == Place::Uflag || e.place.kind == Place::Mflag;
        failures.push_back({e.place.name, e.value, got,
                            e.place.name + ": expected " + (flags ? FlagValue(e.value) : ValueInText(e.value)) +
                                ", got " + (flags ? FlagValue(got) : ValueInText(got))});
    }
    return failures;
}

CaseResult Judge(const Machine &m, RunEnd end, uint64_t maxCycles, const Program &program,
                 const std::vector<Assignment> &expects, const std::string &limit) {
    CaseResult c;
    c.end = end;
    c.cycles = m.cycles;
    c.maxCycles = maxCycles;
    c.endLine = EndLine(m, end);
    c.expectations = static_cast<unsigned>(expects.size());
    if (end != RunEnd::Halted && end != RunEnd::Breakpoint) {
        c.verdict = Verdict::Error;
        c.stop = StopReason(m, end, maxCycles, program, limit);
        return c;
    }
    c.failures = Failures(m, expects);
    c.verdict = c.failures.empty() ? Verdict::Ok : Verdict::Fail;
    return c;
}


}  // namespace sim
