// zanfo in the browser: the arguments, files and options of the C
// interface's calls (calls.h).
#include "calls.h"

#include <cstring>
#include <memory>

#include "mapping.h"
#include "options.h"

// NUL-separated strings as a vector.
std::vector<std::string> SplitArgs(const char *packed, size_t size) {
    std::vector<std::string> args;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (packed[i] == '\0') {
            args.emplace_back(packed + start, i - start);
            start = i + 1;
        }
    }
    return args;
}

// The files of a call, packed by the JavaScript side as NAME, NUL, the size
// in decimal, NUL, then that many bytes, for each file.
std::map<std::string, std::string> UnpackFiles(const char *packed, size_t size) {
    std::map<std::string, std::string> files;
    size_t at = 0;
    while (at < size) {
        const void *nul = memchr(packed + at, '\0', size - at);
        if (!nul)
            break;
        const size_t nameEnd = static_cast<size_t>(static_cast<const char *>(nul) - (packed + at));
        std::string name(packed + at, nameEnd);
        at += nameEnd + 1;
        size_t length = 0;
        while (at < size && packed[at] >= '0' && packed[at] <= '9')
            length = length * 10 + static_cast<size_t>(packed[at++] - '0');
        ++at;  // the NUL
        if (at > size || length > size - at)
            break;
        files[name] = std::string(packed + at, length);
        at += length;
    }
    return files;
}

std::string PackFiles(const std::map<std::string, std::string> &files) {
    std::string packed;
    for (const auto &file : files)
        packed += file.first + '\0' + std::to_string(file.second.size()) + '\0' + file.second;
    return packed;
}

// zanfo-sim's files: those named in `files`; the first file it reads, its
// microprogram, holds `mic` when `files` does not name it; any other name
// is a file that does not exist.
FileReader ReaderOf(std::map<std::string, std::string> files, bool hasMic, std::string mic) {
    auto first = std::make_shared<bool>(true);
    return [files = std::move(files), hasMic, mic = std::move(mic), first](
               const std::string &name, std::string *text, std::string *error) {
        bool program = *first;
        *first = false;
        auto it = files.find(name);
        if (it != files.end()) {
            *text = it->second;
            return true;
        }
        if (program && hasMic) {
            *text = mic;
            return true;
        }
        *error = "No such file or directory";
        return false;
    };
}

// The checks' options as zanfo-sim's command line gives them, as
// zanfo-check's --start, --map and --loop-to-address take them: the
// mapping is read from `files`.  False, with why, when the command line
// or the mapping cannot be read.
bool CheckOptionsOf(const std::vector<std::string> &args, const std::map<std::string, std::string> &files,
                    CheckOptions *options, std::string *why) {
    sim::Options o;
    if (!sim::ParseOptions(args, &o, why))
        return false;
    options->start = o.start;
    options->loopToAddress = o.loopToAddress;
    if (o.map.empty())
        return true;
    auto file = files.find(o.map);
    if (file == files.end()) {
        *why = o.map + ": No such file or directory";
        return false;
    }
    std::vector<std::string> problems;
    if (!ParseMapping(o.map, file->second, &options->mapping, &problems)) {
        for (const std::string &p : problems)
            *why += (why->empty() ? "" : "\n") + p;
        return false;
    }
    options->mapped = true;
    return true;
}
