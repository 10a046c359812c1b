// zanfo-dump: the whole command, arguments in, text out, with the files it
// reads handed in by the caller (a terminal's main, or a browser).
#ifndef ZANFO_DUMP_DUMP_H
#define ZANFO_DUMP_DUMP_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Reads the file called `name` ("-" is standard input) into `text`, at
// most `limit` bytes of it; on failure returns false with the errno value
// in `error` (EFBIG: the file is longer), as ReadWholeFile does.
using ReadFile = std::function<bool(const std::string &name, size_t limit, std::string *text, int *error)>;

struct DumpRun {
    int status = 0;            // the exit status
    std::string out;           // what goes to the output
    std::string err;           // what goes to standard error
    std::string output;        // -o's file; empty: standard output
    bool writeOutput = false;  // false: nothing is written (a refused input, --help)
    bool showVersion = false;  // --version: the caller prints it
};

// Exit statuses: 0 done; 1 --source found words zanfo cannot write, or
// --listing's program has diagnostics; 2 a usage error or an input that
// cannot be read or is refused.
DumpRun RunDump(const std::vector<std::string> &args, const ReadFile &read);

#endif
