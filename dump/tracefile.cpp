// The reading of lcov tracefiles: zanfo-dump --listing --coverage, the playground.
#include "tracefile.h"

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

std::string BaseName(const std::string &path) { return path.substr(path.find_last_of('/') + 1); }

// A decimal count, whole.
bool Count(const std::string &text, uint64_t *value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    *value = strtoull(text.c_str(), nullptr, 10);
    return errno == 0;
}

// A line number as lcov writes it: 1 and up.
bool LineNumber(const std::string &text, int *line) {
    uint64_t value;
    if (!Count(text, &value) || value == 0 || value > 0x7FFFFFFF)
        return false;
    *line = static_cast<int>(value);
    return true;
}

// BRDA:LINE,BLOCK,BRANCH,TAKEN, TAKEN a count or "-" (the block never ran);
// the branch is any text (lcov's own can hold commas).
bool Branch(const std::string &fields, BranchCount *b) {
    const size_t first = fields.find(','), second = first == std::string::npos ? first : fields.find(',', first + 1),
                 last = fields.rfind(',');
    if (second == std::string::npos || last <= second || !LineNumber(fields.substr(0, first), &b->line) ||
        !Count(fields.substr(first + 1, second - first - 1), &b->block))
        return false;
    b->branch = fields.substr(second + 1, last - second - 1);
    const std::string taken = fields.substr(last + 1);
    b->ran = taken != "-";
    b->taken = 0;
    return !b->ran || Count(taken, &b->taken);
}

struct Record {
    std::string file;         // its SF
    SourceCoverage coverage;  // its DA and BRDA lines
};

}  // namespace

bool ReadCoverage(const std::string &name, const std::string &text, const std::string &source,
                  SourceCoverage *coverage, std::string *error) {
    std::vector<Record> records;
    bool open = false;
    unsigned number = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, 3, "SF:") == 0) {
            records.push_back({line.substr(3), {}});
            open = true;
        } else if (line == "end_of_record") {
            open = false;
        } else if (line.compare(0, 3, "DA:") == 0) {
            // DA:LINE,COUNT[,CHECKSUM]
            const size_t comma = line.find(',', 3);
            const size_t second = comma == std::string::npos ? comma : line.find(',', comma + 1);
            int lineNumber;
            uint64_t count;
            if (!open || comma == std::string::npos || !LineNumber(line.substr(3, comma - 3), &lineNumber) ||
                !Count(line.substr(comma + 1, second == std::string::npos ? std::string::npos : second - comma - 1),
                       &count)) {
                *error = name + ":" + std::to_string(number) + ": not a DA line of a record: " + line;
                return false;
            }
            records.back().coverage.lines[lineNumber] += count;
        } else if (line.compare(0, 5, "BRDA:") == 0) {
            BranchCount b;
            if (!open || !Branch(line.substr(5), &b)) {
                *error = name + ":" + std::to_string(number) + ": not a BRDA line of a record: " + line;
                return false;
            }
            records.back().coverage.branches.push_back(b);
        }
    }
    const Record *found = nullptr;
    for (const Record &r : records)
        if (r.file == source)
            found = &r;
    for (const Record &r : records)
        if (!found && BaseName(r.file) == BaseName(source)) {
            for (const Record &other : records)
                if (&other != &r && BaseName(other.file) == BaseName(source)) {
                    *error = name + ": several records end in " + BaseName(source) + ", none is " + source;
                    return false;
                }
            found = &r;
        }
    if (!found) {
        *error = name + ": no record of " + source;
        return false;
    }
    *coverage = found->coverage;
    return true;
}

bool LineCounts(const std::string &name, const std::string &text, const std::string &source,
                std::map<int, uint64_t> *counts, std::string *error) {
    SourceCoverage coverage;
    if (!ReadCoverage(name, text, source, &coverage, error))
        return false;
    *counts = std::move(coverage.lines);
    return true;
}
