// zanfo-prove: proves a microprogram right for every input, or gives an
// input that breaks it.  The command is RunProve (prove/command.h); this
// reads its files and prints.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "command.h"
#include "sim.h"

namespace {

class StandardStreams : public SimOutput {
  public:
    void Out(const std::string &text) override {
        fwrite(text.data(), 1, text.size(), stdout);
        fflush(stdout);  // a verdict as soon as it is known: the next may take a while
    }
    void Err(const std::string &text) override {
        fflush(stdout);
        fwrite(text.data(), 1, text.size(), stderr);
    }
};

int Prove(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    StandardStreams output;
    int status = RunProve(args, ReadFromDisk, output);
    errno = 0;
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "zanfo-prove: cannot write the output: %s\n", errno ? strerror(errno) : "write error");
        return 2;
    }
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    return WithinMemory("zanfo-prove", kProveBadInput, [argc, argv] { return Prove(argc, argv); });
}
