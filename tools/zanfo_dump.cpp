// zanfo-dump: reads zanfo's microcode back.  The command is RunDump
// (dump/dump.h); this file only reads its files and writes what it says.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "dump.h"
#include "mic_file.h"

namespace {

int Dump(int argc, char **argv) {
    DumpRun run = RunDump(std::vector<std::string>(argv + 1, argv + argc),
                          [](const std::string &name, size_t limit, std::string *text, int *error) {
                              return ReadWholeFile(name, text, error, limit);
                          });
    if (run.showVersion)
        PrintVersion("zanfo-dump");
    fputs(run.err.c_str(), stderr);
    if (!run.writeOutput)
        return run.status;
    OutputFile output(run.output.empty() ? "-" : run.output);
    errno = 0;  // a failed write need not set it: then say so plainly
    if (!output.Open() || fwrite(run.out.data(), 1, run.out.size(), output.Stream()) != run.out.size() ||
        !output.Commit()) {
        fprintf(stderr, "zanfo-dump: cannot write %s: %s\n",
                run.output.empty() ? "the standard output" : run.output.c_str(),
                errno ? strerror(errno) : "write error");
        return 2;
    }
    return run.status;
}

}  // namespace

int main(int argc, char **argv) {
    return WithinMemory("zanfo-dump", 2, [argc, argv] { return Dump(argc, argv); });
}
