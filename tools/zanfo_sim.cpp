// zanfo-sim: runs a microprogram on the machine zanfo's microwords drive.
// The command is RunSim (sim/sim.h); this reads its files and prints.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim.h"

namespace {

bool ReadFile(const std::string &name, std::string *text, std::string *error) {
    FILE *in = name == "-" ? stdin : fopen(name.c_str(), "rb");
    if (!in) {
        *error = strerror(errno);
        return false;
    }
    text->clear();
    char buffer[1 << 16];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, in)) > 0)
        text->append(buffer, n);
    bool ok = !ferror(in);
    int saved = errno;
    if (in != stdin)
        fclose(in);
    if (!ok)
        *error = strerror(saved ? saved : EIO);
    return ok;
}

class StandardStreams : public SimOutput {
  public:
    void Out(const std::string &text) override { fwrite(text.data(), 1, text.size(), stdout); }
    void Err(const std::string &text) override {
        fflush(stdout);
        fwrite(text.data(), 1, text.size(), stderr);
    }
};

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    StandardStreams output;
    int status = RunSim(args, ReadFile, output);
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "zanfo-sim: cannot write the output: %s\n", strerror(errno));
        return 2;
    }
    return status;
}
