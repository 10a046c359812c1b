// zanfo-sim's inputs: places, values, memory images, test files.
#include "inputs.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

// A general register's number from "r5", or false.
bool RegisterNumber(const std::string &lower, unsigned *number) {
    if (lower.size() < 2 || lower.size() > 3 || lower[0] != 'r')
        return false;
    unsigned n = 0;
    for (size_t i = 1; i < lower.size(); ++i) {
        if (!isdigit(static_cast<unsigned char>(lower[i])))
            return false;
        n = n * 10 + static_cast<unsigned>(lower[i] - '0');
    }
    *number = n;
    return true;
}

// A place from a register's name in lower case, without equates.
bool MachinePlace(const std::string &lower, Place *place) {
    static const struct {
        const char *name;
        Place::Kind kind;
    } kNamed[] = {
        {"q", Place::Q},   {"rq", Place::Q},        {"mar", Place::Mar},
        {"ir", Place::Ir}, {"uflag", Place::Uflag}, {"mflag", Place::Mflag},
    };
    for (const auto &n : kNamed)
        if (lower == n.name) {
            place->kind = n.kind;
            return true;
        }
    unsigned number;
    if (RegisterNumber(lower, &number) && number < kRegisterCount) {
        place->kind = Place::Register;
        place->index = number;
        return true;
    }
    return false;
}

// Which of the lines that a case or the common part holds once have been read.
struct OnceLines {
    bool cycles = false;  // max-cycles
    bool points = false;  // points
};

// "max-cycles N" or "points N" of a test file, for `current`: the common
// part before the first case, or the case being read.
void NumberLine(const std::string &name, const WordedLine &l, TestCase &current, OnceLines &seen,
                std::vector<std::string> *problems) {
    const std::string keyword = l.Keyword();
    const unsigned n = l.number;
    if (l.words.size() != 2) {
        problems->push_back(AtLine(name, n, "expected one number after " + keyword));
        return;
    }
    if (keyword == "max-cycles") {
        uint64_t cycles;
        if (!ParseUnsigned(l.words[1], false, &cycles) || cycles == 0) {
            problems->push_back(AtLine(name, n, "max-cycles: \"" + l.words[1] + "\" is not a number of cycles from 1 up"));
            return;
        }
        if (seen.cycles)
            problems->push_back(AtLine(name, n, "a second max-cycles line here"));
        seen.cycles = true;
        current.maxCycles = cycles;
        return;
    }
    uint32_t points;
    std::string error;
    if (!ParseNumber(l.words[1], kMaxPoints, &points, &error) || l.words[1][0] == '-') {
        problems->push_back(AtLine(name, n, "points: \"" + l.words[1] + "\" is not a weight from 0 to " +
                                            std::to_string(kMaxPoints)));
        return;
    }
    if (seen.points)
        problems->push_back(AtLine(name, n, "a second points line here"));
    seen.points = true;
    current.points = points;
    current.pointsGiven = true;
}

}  // namespace

std::string PlaceName(const Place &p) {
    char text[24];
    switch (p.kind) {
    case Place::Register: snprintf(text, sizeof text, "R%u", p.index); return text;
    case Place::Q: return "Q";
    case Place::Mar: return "MAR";
    case Place::Ir: return "IR";
    case Place::Uflag: return "UFLAG";
    case Place::Mflag: return "MFLAG";
    case Place::Memory: snprintf(text, sizeof text, "MEM[0x%04X]", p.index & 0xFFFF); return text;
    }
    return "?";
}

uint32_t PlaceMax(const Place &p) { return p.kind == Place::Uflag || p.kind == Place::Mflag ? 15 : 0xFFFF; }

std::string PlaceValue(const Place &p, uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, PlaceMax(p) == 15 ? "0x%X" : "0x%04X", value);
    return text;
}

bool ParsePlace(const std::string &text, const Equates &equates, Place *place, std::string *error) {
    std::string lower = Lower(Trim(text));
    place->name = Trim(text);
    if (lower.compare(0, 4, "mem[") == 0 && lower.size() > 5 && lower.back() == ']') {
        uint32_t address;
        if (!ParseNumber(lower.substr(4, lower.size() - 5), 0xFFFF, &address, error))
            return false;
        place->kind = Place::Memory;
        place->index = address;
        return true;
    }
    if (MachinePlace(lower, place))
        return true;
    auto equate = equates.find(lower);
    if (equate != equates.end()) {
        if (MachinePlace(equate->second, place))
            return true;
        *error = "stands for " + equate->second + ", a field of the IR, not a register";
        return false;
    }
    unsigned number;
    if (RegisterNumber(lower, &number))
        *error = "there are 64 registers, R0 to R63";
    else
        *error = "unknown name: expected R0..R63, Q, MAR, IR, UFLAG, MFLAG, MEM[ADDR] or an EQU name of the source";
    return false;
}

bool ParseAssignment(const std::string &text, const Equates &equates, Assignment *assignment,
                     std::string *error) {
    size_t eq = text.find('=');
    if (eq == std::string::npos) {
        *error = "expected NAME=VALUE";
        return false;
    }
    if (!ParsePlace(text.substr(0, eq), equates, &assignment->place, error))
        return false;
    uint32_t value;
    if (!ParseNumber(Trim(text.substr(eq + 1)), PlaceMax(assignment->place), &value, error))
        return false;
    assignment->value = static_cast<uint16_t>(value);
    return true;
}

uint16_t ReadPlace(const Machine &machine, const Place &place) {
    switch (place.kind) {
    case Place::Register: return machine.regs.r[place.index];
    case Place::Q: return machine.regs.q;
    case Place::Mar: return machine.regs.mar;
    case Place::Ir: return machine.regs.ir;
    case Place::Uflag: return machine.regs.uflag;
    case Place::Mflag: return machine.regs.mflag;
    case Place::Memory: return machine.memory[place.index];
    }
    return 0;
}

void WritePlace(Machine &machine, const Place &place, uint16_t value) {
    switch (place.kind) {
    case Place::Register: machine.regs.r[place.index] = value; break;
    case Place::Q: machine.regs.q = value; break;
    case Place::Mar: machine.regs.mar = value; break;
    case Place::Ir: machine.regs.ir = value; break;
    case Place::Uflag: machine.regs.uflag = value & 15; break;
    case Place::Mflag: machine.regs.mflag = value & 15; break;
    case Place::Memory: machine.memory[place.index] = value; break;
    }
}

bool ParseMemoryImage(const std::string &name, const std::string &text, std::vector<MemoryWord> *words,
                      std::vector<std::string> *problems) {
    size_t before = problems->size();
    unsigned line = 1;
    uint32_t address = 0;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
            if (i == std::string::npos)
                i = text.size();
        } else if (text.compare(i, 2, "/*") == 0) {
            size_t end = text.find("*/", i + 2);
            if (end == std::string::npos) {
                problems->push_back(AtLine(name, line, "comment not closed"));
                break;
            }
            for (size_t k = i; k < end; ++k)
                line += text[k] == '\n';
            i = end + 2;
        } else {
            size_t end = i;
            while (end < text.size() && !isspace(static_cast<unsigned char>(text[end])) &&
                   text.compare(end, 2, "//") != 0 && text.compare(end, 2, "/*") != 0)
                ++end;
            std::string token = text.substr(i, end - i);
            i = end;
            bool at = token[0] == '@';
            std::string digits;
            for (size_t k = at ? 1 : 0; k < token.size(); ++k)
                if (token[k] != '_')
                    digits += token[k];
            uint32_t value;
            std::string error;
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                problems->push_back(AtLine(name, line, "\"" + token + "\" is not a hexadecimal " +
                                                       (at ? "address" : "word")));
                continue;
            }
            value = static_cast<uint32_t>(strtoul(digits.c_str(), nullptr, 16));
            if (at) {
                if (value >= kMemoryWords) {
                    problems->push_back(AtLine(name, line, "address " + token.substr(1) + " is past the end of memory (FFFF)"));
                    continue;
                }
                address = value;
            } else if (value > 0xFFFF) {
                problems->push_back(AtLine(name, line, "\"" + token + "\" does not fit in a 16-bit word"));
            } else if (address >= kMemoryWords) {
                problems->push_back(AtLine(name, line, "word past the end of memory (FFFF)"));
            } else {
                words->push_back({static_cast<uint16_t>(address), static_cast<uint16_t>(value)});
                ++address;
            }
        }
        if (problems->size() - before >= 20) {
            problems->push_back(name + ": too many errors");
            break;
        }
    }
    return problems->size() == before;
}

void ReadAssignments(const std::string &name, const WordedLine &l, const Equates &equates,
                     std::vector<Assignment> *to, std::vector<std::string> *problems) {
    if (l.words.size() == 1)
        problems->push_back(AtLine(name, l.number, "expected NAME=VALUE after " + l.Keyword()));
    for (size_t i = 1; i < l.words.size(); ++i) {
        Assignment a;
        std::string error;
        if (ParseAssignment(l.words[i], equates, &a, &error))
            to->push_back(a);
        else
            problems->push_back(AtLine(name, l.number, l.words[i] + ": " + error));
    }
}

void ReadMemoryWords(const std::string &name, const WordedLine &l, std::vector<Assignment> *to,
                     std::vector<std::string> *problems) {
    const std::vector<std::string> &words = l.words;
    uint32_t address, value;
    std::string error;
    if (words.size() < 3) {
        problems->push_back(AtLine(name, l.number, "expected an address and one or more words after mem"));
        return;
    }
    if (!ParseNumber(words[1], 0xFFFF, &address, &error)) {
        problems->push_back(AtLine(name, l.number, error));
        return;
    }
    for (size_t i = 2; i < words.size(); ++i, ++address) {
        if (address > 0xFFFF) {
            problems->push_back(AtLine(name, l.number, "words past the end of memory (0xFFFF)"));
            return;
        }
        if (!ParseNumber(words[i], 0xFFFF, &value, &error)) {
            problems->push_back(AtLine(name, l.number, error));
            return;
        }
        Assignment a;
        a.place.kind = Place::Memory;
        a.place.index = address;
        a.place.name = PlaceName(a.place);
        a.value = static_cast<uint16_t>(value);
        to->push_back(a);
    }
}

bool ParseTestFile(const std::string &name, const std::string &text, const Equates &equates,
                   std::vector<TestCase> *cases, std::vector<std::string> *problems) {
    size_t before = problems->size();
    TestCase common;
    OnceLines seen;  // of the common part, then of each case
    for (const WordedLine &l : WordedLines(text)) {
        const unsigned n = l.number;
        const std::vector<std::string> &words = l.words;
        TestCase &current = cases->empty() ? common : cases->back();
        const std::string keyword = l.Keyword();
        if (keyword == "case") {
            std::string caseName = l.Rest();
            if (caseName.empty()) {
                problems->push_back(AtLine(name, n, "a case needs a name"));
                continue;
            }
            cases->push_back(common);
            seen = OnceLines();
            cases->back().name = caseName;
            cases->back().line = n;
        } else if (keyword == "set" || keyword == "expect") {
            ReadAssignments(name, l, equates, keyword == "set" ? &current.sets : &current.expects, problems);
        } else if (keyword == "mem") {
            ReadMemoryWords(name, l, &current.sets, problems);
        } else if (keyword == "max-cycles" || keyword == "points") {
            NumberLine(name, l, current, seen, problems);
        } else {
            problems->push_back(
                AtLine(name, n, "expected case, set, mem, expect, max-cycles or points, not \"" + words[0] + "\""));
        }
    }
    if (problems->size() == before && cases->empty())
        problems->push_back(name + ": no cases (a case starts with a line \"case NAME\")");
    return problems->size() == before;
}
