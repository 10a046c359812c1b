// zanfo: numbers and worded lines of the companion commands' inputs (reading.h).
#include "reading.h"

#include <cctype>
#include <cstdio>

namespace {

// The blank-separated words of a line.
std::vector<std::string> Words(const std::string &line) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (true) {
        pos = line.find_first_not_of(" \t\r", pos);
        if (pos == std::string::npos)
            return words;
        size_t end = line.find_first_of(" \t\r", pos);
        if (end == std::string::npos)
            end = line.size();
        words.push_back(line.substr(pos, end - pos));
        pos = end;
    }
}

}  // namespace

bool ParseNumber(const std::string &text, uint32_t max, uint32_t *value, std::string *error) {
    const char *p = text.c_str();
    bool negative = *p == '-';
    if (negative)
        ++p;
    bool hex = !negative && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (hex)
        p += 2;
    uint64_t v = 0;
    const char *start = p;
    for (; *p; ++p) {
        int digit;
        if (isdigit(static_cast<unsigned char>(*p)))
            digit = *p - '0';
        else if (hex && isxdigit(static_cast<unsigned char>(*p)))
            digit = tolower(static_cast<unsigned char>(*p)) - 'a' + 10;
        else
            break;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (v > 0xFFFFFFFF)
            break;
    }
    if (p == start || *p || v > 0xFFFFFFFF) {
        *error = "\"" + text + "\" is not a number (decimal, or hexadecimal after 0x)";
        return false;
    }
    if (negative) {
        // Two's complement in 16 bits: -1 is FFFF, down to -32768.
        if (max != 0xFFFF || v > 0x8000) {
            *error = text + " is out of range";
            return false;
        }
        v = (0x10000 - v) & 0xFFFF;
    }
    if (v > max) {
        char limit[32];
        snprintf(limit, sizeof limit, "%u (0x%X)", max, max);
        *error = text + " is out of range: at most " + limit;
        return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

std::vector<WordedLine> WordedLines(const std::string &text) {
    std::vector<WordedLine> lines;
    unsigned number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = end + 1;
        ++number;
        line = line.substr(0, line.find('#'));
        std::vector<std::string> words = Words(line);
        if (!words.empty())
            lines.push_back({number, line, words});
    }
    return lines;
}

std::string AtLine(const std::string &name, unsigned line, const std::string &message) {
    return name + ":" + std::to_string(line) + ": " + message;
}
