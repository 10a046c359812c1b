// zanfo-prove's property files.
#include "properties.h"

#include "reading.h"

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
    for (const WordedLine &l : WordedLines(text)) {
        if (problems->size() - before >= 50) {
            problems->push_back(name + ": too many errors");
            break;
        }
        const unsigned n = l.number;
        Property &current = properties->empty() ? common : properties->back();
        const std::string keyword = l.Keyword(), rest = l.Rest();
        if (keyword == "prove") {
            if (rest.empty()) {
                problems->push_back(AtLine(name, n, "a property needs a name"));
                continue;
            }
            properties->push_back(common);
            properties->back().name = rest;
            properties->back().line = n;
        } else if (keyword == "set") {
            ReadAssignments(name, l, equates, &current.sets, problems);
        } else if (keyword == "mem") {
            ReadMemoryWords(name, l, &current.sets, problems);
        } else if (keyword == "assume" || keyword == "ensure") {
            Expr e;
            std::string error;
            if (!ParseExpr(rest, equates, &e, &error)) {
                problems->push_back(AtLine(name, n, keyword + ": " + error));
                continue;
            }
            e.line = n;
            (keyword == "assume" ? current.assumes : current.ensures).push_back(e);
        } else if (keyword == "within") {
            std::string error;
            if (!ParseCycleBound(rest, &current.within, &error))
                problems->push_back(AtLine(name, n, "within: " + error));
        } else if (keyword == "case" || keyword == "expect") {
            problems->push_back(AtLine(name, n, "\"" + keyword + "\" belongs in a test file: a property file has prove, set, mem, assume, ensure and within"));
        } else {
            problems->push_back(AtLine(name, n, "expected prove, set, mem, assume, ensure or within, not \"" + keyword + "\""));
        }
    }
    if (problems->size() == before && properties->empty())
        problems->push_back(name + ": no properties (a property starts with a line \"prove NAME\")");
    return problems->size() == before;
}
