// zanfo-dump's reading of lcov tracefiles.
#include "tracefile.h"

#include <cerrno>
#include <cstdlib>
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

struct Record {
    std::string file;                 // its SF
    std::map<int, uint64_t> counts;   // its DA lines
};

}  // namespace

bool LineCounts(const std::string &name, const std::string &text, const std::string &source,
                std::map<int, uint64_t> *counts, std::string *error) {
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
            uint64_t lineNumber, count;
            if (!open || comma == std::string::npos || !Count(line.substr(3, comma - 3), &lineNumber) ||
                lineNumber == 0 || lineNumber > 0x7FFFFFFF ||
                !Count(line.substr(comma + 1, second == std::string::npos ? std::string::npos : second - comma - 1),
                       &count)) {
                *error = name + ":" + std::to_string(number) + ": not a DA line of a record: " + line;
                return false;
            }
            records.back().counts[static_cast<int>(lineNumber)] += count;
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
    *counts = found->counts;
    return true;
}
