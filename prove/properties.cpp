// zanfo-prove's property files.
#include "properties.h"

#include <cctype>
#include <cstdio>

namespace {

// A line that holds something once its "#" comment is cut off: its
// keyword and what follows it.
struct Line {
    unsigned number;    // from 1
    std::string keyword;  // the first word, in lower case
    std::string rest;     // the text after it, blanks at the ends cut
};

std::string Trim(const std::string &text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return "";
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

std::vector<Line> Lines(const std::string &text) {
    std::vector<Line> lines;
    unsigned number = 0;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        line = Trim(line.substr(0, line.find('#')));
        pos = end + 1;
        ++number;
        if (line.empty())
            continue;
        size_t blank = line.find_first_of(" \t");
        Line l{number, line.substr(0, blank), blank == std::string::npos ? "" : Trim(line.substr(blank))};
        for (char &c : l.keyword)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        lines.push_back(l);
    }
    return lines;
}

std::vector<std::string> Words(const std::string &text) {
    std::vector<std::string> words;
    size_t pos = 0;
    while ((pos = text.find_first_not_of(" \t\r", pos)) != std::string::npos) {
        size_t end = text.find_first_of(" \t\r", pos);
        if (end == std::string::npos)
            end = text.size();
        words.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

std::string At(const std::string &name, unsigned line, const std::string &message) {
    return name + ":" + std::to_string(line) + ": " + message;
}

}  // namespace

bool ParseCycleBound(const std::string &text, uint64_t *bound, std::string *error) {
    uint32_t n;
    if (!ParseNumber(text, 0xFFFFFFFF, &n, error) || n == 0) {
        *error = "\"" + text + "\" is not a number of cycles from 1 up";
        return false;
    }
    *bound = n;
    return true;
}

bool ParsePropertyFile(const std::string &name, const std::string &text, const Equates &equates, uint64_t within,
                       std::vector<Property> *properties, std::vector<std::string> *problems) {
    const size_t before = problems->size();
    Property common;
    common.within = within;
    for (const Line &l : Lines(text)) {
        if (problems->size() - before >= 50) {
            problems->push_back(name + ": too many errors");
            break;
        }
        const unsigned n = l.number;
        Property &current = properties->empty() ? common : properties->back();
        if (l.keyword == "prove") {
            if (l.rest.empty()) {
                problems->push_back(At(name, n, "a property needs a name"));
                continue;
            }
            properties->push_back(common);
            properties->back().name = l.rest;
            properties->back().line = n;
        } else if (l.keyword == "set") {
            std::vector<std::string> words = Words(l.rest);
            if (words.empty())
                problems->push_back(At(name, n, "expected NAME=VALUE after set"));
            for (const std::string &word : words) {
                Assignment a;
                std::string error;
                if (ParseAssignment(word, equates, &a, &error))
                    current.sets.push_back(a);
                else
                    problems->push_back(At(name, n, word + ": " + error));
            }
        } else if (l.keyword == "mem") {
            std::vector<std::string> words = Words(l.rest);
            uint32_t address, value;
            std::string error;
            if (words.size() < 2) {
                problems->push_back(At(name, n, "expected an address and one or more words after mem"));
                continue;
            }
            if (!ParseNumber(words[0], 0xFFFF, &address, &error)) {
                problems->push_back(At(name, n, error));
                continue;
            }
            for (size_t i = 1; i < words.size(); ++i, ++address) {
                if (address > 0xFFFF) {
                    problems->push_back(At(name, n, "words past the end of memory (0xFFFF)"));
                    break;
                }
                if (!ParseNumber(words[i], 0xFFFF, &value, &error)) {
                    problems->push_back(At(name, n, error));
                    break;
                }
                Assignment a;
                a.place.kind = Place::Memory;
                a.place.index = address;
                char place[16];
                snprintf(place, sizeof place, "MEM[0x%04X]", static_cast<unsigned>(address));
                a.place.name = place;
                a.value = static_cast<uint16_t>(value);
                current.sets.push_back(a);
            }
        } else if (l.keyword == "assume" || l.keyword == "ensure") {
            Expr e;
            std::string error;
            if (!ParseExpr(l.rest, equates, &e, &error)) {
                problems->push_back(At(name, n, l.keyword + ": " + error));
                continue;
            }
            e.line = n;
            (l.keyword == "assume" ? current.assumes : current.ensures).push_back(e);
        } else if (l.keyword == "within") {
            std::string error;
            if (!ParseCycleBound(l.rest, &current.within, &error))
                problems->push_back(At(name, n, "within: " + error));
        } else if (l.keyword == "case" || l.keyword == "expect") {
            problems->push_back(At(name, n, "\"" + l.keyword + "\" belongs in a test file: a property file has prove, set, mem, assume, ensure and within"));
        } else {
            problems->push_back(At(name, n, "expected prove, set, mem, assume, ensure or within, not \"" + l.keyword + "\""));
        }
    }
    if (problems->size() == before && properties->empty())
        problems->push_back(name + ": no properties (a property starts with a line \"prove NAME\")");
    return problems->size() == before;
}
