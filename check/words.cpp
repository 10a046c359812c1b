// zanfo-check: what one decoded word reads and loads.
#include "words.h"

#include <cstdio>
#include <cstring>

#include "microword.h"

namespace {

bool SamePath(const Path &a, const Path &b) {
    return a.next == b.next && a.stack == b.stack && a.counter == b.counter;
}

bool Reads(const Microinstruction &m, Operand port) { return m.r == port || m.s == port; }

std::string Hex(unsigned value, int digits) {
    char text[16];
    snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

}  // namespace

WordFacts FactsOf(const Microinstruction &m, uint64_t word) {
    WordFacts f;
    const bool canPass = m.passes != 0, canFail = m.passes != 0xFFFF;
    const SequencerCode &code = kSequencer[m.sequencer];
    bool mapped = false;
    for (unsigned i = 0; i < 4; ++i) {
        if ((i & 1) ? !canPass : !canFail)
            continue;
        const Path &p = code.paths[i];
        mapped |= p.next == Next::Map;
        f.readsD |= p.next == Next::D;
        f.loadsCount |= p.counter == CounterOp::Load;
        if (p.next == Next::R)
            f.uses |= kCounter;
    }
    for (bool zero : {false, true}) {
        if (canPass && canFail && !SamePath(code.paths[PathIndex(zero, false)], code.paths[PathIndex(zero, true)]))
            f.uses |= m.testFlags ? kMflag : kUflag;
        for (bool pass : {false, true})
            if ((pass ? canPass : canFail) &&
                !SamePath(code.paths[PathIndex(false, pass)], code.paths[PathIndex(true, pass)]))
                f.counts = true;
    }
    if (f.counts)
        f.uses |= kCounter;
    if (f.loadsCount)
        f.loads |= kCounter;

    // The IR: JMAP, and register addresses from its fields.
    f.irMap = mapped;
    f.irA = m.irA && Reads(m, Operand::A);
    f.irB = m.irB && (Reads(m, Operand::B) || m.to == Destination::B);
    if (f.irMap || f.irA || f.irB)
        f.uses |= kIr;
    if (m.transfer == Transfer::MemoryToIr)
        f.loads |= kIr;

    // The flag registers.
    if (m.flags == FlagLoad::UStatus || m.flags == FlagLoad::UBus)
        f.loads |= kUflag;
    if (m.flags == FlagLoad::MStatus || m.flags == FlagLoad::MBus)
        f.loads |= kMflag;

    // The ALU's result: a destination, the status into a flag register,
    // or F on the bus (into memory, MAR or the flag registers).
    bool works = false;
    for (Field field : {Field::AluSource, Field::AluFunction, Field::CarryIn, Field::RegA, Field::RegB, Field::RegSelect})
        works |= GetField(word, field) != GetField(kIdleWord, field);
    const bool used = m.to != Destination::None || m.flags == FlagLoad::UStatus || m.flags == FlagLoad::MStatus ||
                      m.transfer == Transfer::FToMemory || m.transfer == Transfer::FToMar ||
                      m.transfer == Transfer::FToFlags;
    f.unusedResult = works && !used;
    return f;
}

std::string AddressName(unsigned address, const LabelNamer &names) {
    std::string name = names ? names(address) : std::string();
    return name.empty() ? Hex3(address) : name + " (" + Hex3(address) + ")";
}

std::string ItemName(uint64_t word) {
    const unsigned code = GetField(word, Field::Sequencer);
    const FieldValue *value = FindValue(Field::Sequencer, code);
    const char *open = strrchr(value->meaning, '(');
    if (open && value->written) {
        std::string item = open + 1;
        return item.substr(0, item.find(')'));
    }
    return std::string(value->name) + " (" + std::to_string(code) + ")";
}

std::string ConditionName(uint64_t word) { return FindValue(Field::CondCode, GetField(word, Field::CondCode))->name; }

std::string Hex2(unsigned value) { return Hex(value, 2); }
std::string Hex3(unsigned value) { return Hex(value, 3); }
std::string Hex4(unsigned value) { return Hex(value, 4); }
