// zanfo-check: warnings for the classic microcode mistakes, before anything
// runs.  The command is RunCheck (check/command.h); this file only reads
// its files and writes what it says.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "check_command.h"
#include "mic_file.h"

namespace {

int Check(int argc, char **argv) {
    const CheckRun run = RunCheck(std::vector<std::string>(argv + 1, argv + argc),
                                  [](const std::string &name, size_t limit, std::string *text, int *error) {
                                      return ReadWholeFile(name, text, error, limit);
                                  });
    fputs(run.err.c_str(), stderr);
    errno = 0;  // a failed write need not set it: then say so plainly
    if (fwrite(run.out.data(), 1, run.out.size(), stdout) != run.out.size() || fflush(stdout) != 0) {
        fprintf(stderr, "zanfo-check: cannot write the standard output: %s\n",
                errno ? strerror(errno) : "write error");
        return kCheckBadInput;
    }
    return run.status;
}

}  // namespace

int main(int argc, char **argv) {
    return WithinMemory("zanfo-check", kCheckBadInput, [argc, argv] { return Check(argc, argv); });
}
