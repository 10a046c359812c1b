// zanfo-check, the command: arguments in, text out, with the files it
// reads handed in by the caller (tools/zanfo_check.cpp, or a test).
#ifndef ZANFO_CHECK_COMMAND_H
#define ZANFO_CHECK_COMMAND_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Reads the file called `name` ("-" is standard input) into `text`, up
// to `limit` bytes; on failure returns false with the errno value in
// `error` (EFBIG for a longer file), as ReadWholeFile (mic_file.h) does.
using CheckReader = std::function<bool(const std::string &name, size_t limit, std::string *text, int *error)>;

// Exit statuses.
constexpr int kCheckClean = 0;     // nothing to report
constexpr int kCheckFound = 1;     // a finding: a warning, or one of zanfo's errors
constexpr int kCheckBadInput = 2;  // a file cannot be read, or the command line is wrong

struct CheckRun {
    int status = kCheckClean;  // the exit status
    std::string out;           // standard output: the findings, --list, --explain, --help, --version
    std::string err;           // standard error: what is wrong with the command line or the files
};

// Runs `zanfo-check ARGS...` (args without the command's own name).
CheckRun RunCheck(const std::vector<std::string> &args, const CheckReader &read);

#endif
