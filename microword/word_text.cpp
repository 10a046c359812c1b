// zanfo: a microword's line as zanfo-dump prints it, and its fields one a
// line, with what each value means (notation.h).
#include <cinttypes>
#include <cstdio>

#include "microword.h"
#include "notation.h"

const char *SequencerName(uint64_t word) {
    return FindValue(Field::Sequencer, GetField(word, Field::Sequencer))->name;
}

std::string DumpLine(uint32_t address, uint64_t word, const LabelNamer &names) {
    char head[48];
    snprintf(head, sizeof head, "%04" PRIX32 " %016" PRIX64 "  %-4s  ", address & 0xFFFF, word,
             SequencerName(word));
    return head + DescribeWord(word, names);
}

namespace {

// RegA and RegB: a register number, or a field of the IR when RegSelect
// says so (the machine takes bits 5..4 as the field and ignores the rest).
std::string PortMeaning(uint32_t value, bool fromIr, const char *word, char port) {
    if (!fromIr)
        return "R" + std::to_string(value) + ": " + port + " address";
    uint32_t k = value >> 4 & 3;
    std::string text = std::string(word) + std::to_string(k) + ": " + port + " address from IR bits " +
                       std::to_string(4 * k + 3) + ".." + std::to_string(4 * k);
    if (value & 15)
        text += "; the low 4 bits are ignored  [not expressible in zanfo]";
    return text;
}

}  // namespace

std::string FieldLines(uint64_t word) {
    const uint32_t ar = GetField(word, Field::RegSelect);
    std::string out;
    for (const FieldInfo &info : kFieldTable) {
        const uint32_t value = GetField(word, info.field);
        std::string meaning;
        if (info.field == Field::RegB) {
            meaning = PortMeaning(value, ar & 2, "IRB", 'B');
        } else if (info.field == Field::RegA) {
            meaning = PortMeaning(value, ar & 1, "IRA", 'A');
        } else if (info.field == Field::ConstantAddr) {
            char text[32];
            snprintf(text, sizeof text, "$%04" PRIX32, value);
            meaning = text;
        } else if (const FieldValue *named = FindValue(info.field, value)) {
            meaning = std::to_string(value) == named->name ? named->meaning
                                                           : std::string(named->name) + ": " + named->meaning;
        } else {
            meaning = "not defined";
        }
        if (info.field == Field::CondCode && GetField(word, Field::CondEnable) == 1)
            meaning += " (not tested: CondEnable 1)";
        if (!ZanfoWrites(info.field, value))
            meaning += "  [not expressible in zanfo]";
        char head[40];
        snprintf(head, sizeof head, "    %-13s %5" PRIu32 "  ", info.name, value);
        out += head + meaning + "\n";
    }
    return out;
}
