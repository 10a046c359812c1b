// zanfo: the equate table `equMap` and the label table `labelMap`.
#include "tables.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "zanfo.h"

// Defined in this order in one file, so that the equate table is built
// before the label table and destroyed after it.
static std::map<std::string, std::string> equMap;  // name -> register text
static std::map<std::string, int> labelMap;         // name -> address

void ToLower(char *s) {
    for (; *s; ++s)
        *s = static_cast<char>(tolower(static_cast<unsigned char>(*s)));
}

static std::string Lowered(const char *text) {
    std::string s(text);
    ToLower(&s[0]);
    return s;
}

int32_t DecimalToInt(const char *text) {
    long value = strtol(text, nullptr, 10);
    return WrapToInt32(static_cast<uint32_t>(static_cast<unsigned long>(value)));
}

int InsertIdentifier(const char *name, const char *reg) {
    return equMap.emplace(Lowered(name), Lowered(reg)).second ? 1 : 0;
}

// The register a bound text names, first matching row deciding:
//   "rq"              the Q register
//   "ira" and digit   IRA register, number = the digit
//   "irb" and digit   IRB register, number = the digit
//   anything else     general register, number = the digits after the first character
static void ClassifyRegister(const std::string &text, int *kind, int *number) {
    if (text == "rq") {
        *kind = REGKIND_Q;
        *number = 0;
    } else if (text.size() == 4 && text.compare(0, 3, "ira") == 0) {
        *kind = REGKIND_IRA;
        *number = text[3] - '0';
    } else if (text.size() == 4 && text.compare(0, 3, "irb") == 0) {
        *kind = REGKIND_IRB;
        *number = text[3] - '0';
    } else {
        *kind = REGKIND_GENERAL;
        *number = text.empty() ? 0 : DecimalToInt(text.c_str() + 1);
    }
}

int TranslateIdentifier(const char *name, char *res, int *kind, int *number) {
    auto entry = equMap.find(Lowered(name));
    if (entry == equMap.end())
        return 0;
    const std::string &text = entry->second;
    size_t n = text.size() < 15 ? text.size() : 15;  // res holds 16 bytes
    memcpy(res, text.data(), n);
    res[n] = '\0';
    ClassifyRegister(text, kind, number);
    return 1;
}

void ClearIdentifiers() {
    equMap.clear();
}

int InsertLabel(const char *name, int address) {
    return labelMap.emplace(Lowered(name), address).second ? 1 : 0;
}

int TranslateLabel(const char *name) {
    auto entry = labelMap.find(Lowered(name));
    return entry == labelMap.end() ? -1 : entry->second;
}

void ClearLabels() {
    labelMap.clear();
}
