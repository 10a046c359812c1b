// zanfo: the equate table `equMap` and the label table `labelMap`.
#include "tables.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "zanfo.h"

// An equate keeps its register's kind and number beside the text, worked
// out once when the name is bound rather than at every use of it.
struct Binding {
    std::string text;  // lower-cased register text: "r5", "ira2", "rq"
    int kind;
    int number;
};

// Defined in this order in one file, so that the equate table is built
// before the label table and destroyed after it.  Keys are at most 15
// characters, so building one allocates nothing.
static std::map<std::string, Binding> equMap;  // name -> register
static std::map<std::string, int> labelMap;    // name -> address

// What tolower does in the "C" locale, the only one zanfo runs in: A to Z
// become a to z, every other byte stays.
static char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

void ToLower(char *s) {
    for (; *s; ++s)
        *s = LowerChar(*s);
}

// Names are at most 15 characters: the string stays in its own small buffer.
static std::string Lowered(const char *text) {
    std::string s(text);
    ToLower(&s[0]);
    return s;
}

int32_t DecimalToInt(const char *text) {
    // Up to 18 digits cannot overflow: no need for strtol's saturation.
    uint64_t digits = 0;
    size_t n = 0;
    for (; text[n] >= '0' && text[n] <= '9' && n <= 18; ++n)
        digits = digits * 10 + static_cast<uint64_t>(text[n] - '0');
    if (n > 0 && n <= 18 && text[n] == '\0')
        return WrapToInt32(static_cast<uint32_t>(digits));
    // Longer ones saturate at 64 bits, whatever the size of long (32 bits
    // in WebAssembly and on Windows).
    long long value = strtoll(text, nullptr, 10);
    return WrapToInt32(static_cast<uint32_t>(static_cast<unsigned long long>(value)));
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

int InsertIdentifier(const char *name, const char *reg) {
    Binding binding{Lowered(reg), 0, 0};
    ClassifyRegister(binding.text, &binding.kind, &binding.number);
    return equMap.emplace(Lowered(name), std::move(binding)).second ? 1 : 0;
}

int TranslateIdentifier(const char *name, char *res, int *kind, int *number) {
    auto entry = equMap.find(Lowered(name));
    if (entry == equMap.end())
        return 0;
    const Binding &binding = entry->second;
    size_t n = binding.text.size() < 15 ? binding.text.size() : 15;  // res holds 16 bytes
    memcpy(res, binding.text.data(), n);
    res[n] = '\0';
    *kind = binding.kind;
    *number = binding.number;
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

std::vector<std::pair<std::string, std::string>> ListIdentifiers() {
    std::vector<std::pair<std::string, std::string>> list;
    for (const auto &entry : equMap)
        list.emplace_back(entry.first, entry.second.text);
    return list;
}

std::vector<std::pair<std::string, int>> ListLabels() {
    return {labelMap.begin(), labelMap.end()};
}
