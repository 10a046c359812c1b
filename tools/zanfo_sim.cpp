// zanfo-sim: runs a microprogram on the machine zanfo's microwords drive.
// The command is RunSim (sim/sim.h); this reads its files and prints.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "mic_file.h"
#include "sim.h"

namespace {

bool ReadFile(const std::string &name, std::string *text, std::string *error) {
    text->clear();
    int number = 0;
    if (ReadWholeFile(name, text, &number))
        return true;
    *error = strerror(number);
    return false;
}

class StandardStreams : public SimOutput {
  public:
    void Out(const std::string &text) override { fwrite(text.data(), 1, text.size(), stdout); }
    void Err(const std::string &text) override {
        fflush(stdout);
        fwrite(text.data(), 1, text.size(), stderr);
    }
    bool File(const std::string &name, const std::string &bytes, std::string *error) override {
        OutputFile file(name);
        errno = 0;
        if (file.Open() && fwrite(bytes.data(), 1, bytes.size(), file.Stream()) == bytes.size() && file.Commit())
            return true;
        *error = std::string("cannot write the file: ") + (errno ? strerror(errno) : "write error");
        return false;
    }
};

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    StandardStreams output;
    int status = RunSim(args, ReadFile, output);
    errno = 0;  // an earlier failed write may have left none: then say so plainly
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "zanfo-sim: cannot write the output: %s\n", errno ? strerror(errno) : "write error");
        return 2;
    }
    return status;
}
