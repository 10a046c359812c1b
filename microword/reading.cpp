// zanfo: numbers and worded lines of the companion commands' inputs (reading.h).
#include "reading.h"

#include <cctype>
#include <cstdio>

bool ParseUnsigned(const std::string &text, bool hex, uint64_t *value) {
    hex = hex && text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t start = hex ? 2 : 0;
    const uint64_t base = hex ? 16 : 10;
    uint64_t v = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (v > (UINT64_MAX - digit) / base)
            return false;  // v * base + digit would not fit
        v = v * base + digit;
    }
    if (text.size() == start)
        return false;
    *value = v;
    return true;
}

bool ParseNumber(const std::string &text, uint32_t max, uint32_t *value, std::string *error) {
    const bool negative = !text.empty() && text[0] == '-';
    uint64_t v;
    if (!ParseUnsigned(negative ? text.substr(1) : text, !negative, &v) || v > 0xFFFFFFFF) {
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

std::string Lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string &text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

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

std::string WordedLine::Keyword() const { return Lower(words[0]); }

std::string WordedLine::Rest() const {
    const std::string line = Trim(text);
    return Trim(line.substr(words[0].size()));
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
