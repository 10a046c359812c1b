// The JMAP mapping read from its file (mapping.h).
#include "mapping.h"

#include "reading.h"

bool ParseMapping(const std::string &name, const std::string &text, std::array<int, kOpcodes> *mapping,
                  std::vector<std::string> *problems) {
    size_t before = problems->size();
    mapping->fill(-1);
    std::array<unsigned, kOpcodes> lineOf{};
    for (const WordedLine &l : WordedLines(text)) {
        const unsigned n = l.number;
        const std::vector<std::string> &words = l.words;
        if (words.size() != 2) {
            problems->push_back(AtLine(name, n, "expected an opcode and an address"));
            continue;
        }
        uint32_t opcode, address;
        std::string error;
        if (!ParseNumber(words[0], kOpcodes - 1, &opcode, &error) ||
            !ParseNumber(words[1], kStoreSize - 1, &address, &error)) {
            problems->push_back(AtLine(name, n, error));
            continue;
        }
        if (lineOf[opcode]) {
            problems->push_back(AtLine(name, n, "opcode " + words[0] + " mapped twice (first at line " +
                                                    std::to_string(lineOf[opcode]) + ")"));
            continue;
        }
        lineOf[opcode] = n;
        (*mapping)[opcode] = static_cast<int>(address);
    }
    return problems->size() == before;
}
