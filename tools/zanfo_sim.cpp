// zanfo-sim: runs a microprogram on the machine zanfo's microwords drive.
// The command is RunSim (sim/sim.h); this reads its files and prints.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "sim.h"

namespace {

// Standard output and standard error.  The first write that fails ends
// the output: nothing more is written, and the run stops.
class StandardStreams : public SimOutput {
  public:
    void Out(const std::string &text) override {
        errno = 0;
        if (!failed_ && (fwrite(text.data(), 1, text.size(), stdout) != text.size() || ferror(stdout)))
            Fail();
    }
    void Err(const std::string &text) override {
        Flush();
        fwrite(text.data(), 1, text.size(), stderr);
    }
    // A file of -o or --coverage, whole or not at all ("-": standard output).
    bool File(const std::string &name, const std::string &bytes, std::string *error) override {
        if (name == "-") {
            Out(bytes);
            if (Flush())
                return true;
            *error = Reason();
            return false;
        }
        OutputFile file(name);
        errno = 0;
        if (file.Open() && fwrite(bytes.data(), 1, bytes.size(), file.Stream()) == bytes.size() && file.Commit())
            return true;
        *error = errno ? strerror(errno) : "write error";
        return false;
    }
    bool Failed() const override { return failed_; }

    // Writes out what stdout holds; false when anything failed.
    bool Flush() {
        errno = 0;
        if (!failed_ && (fflush(stdout) != 0 || ferror(stdout)))
            Fail();
        return !failed_;
    }
    // Why, from errno when the failure set it.
    const char *Reason() const { return reason_ ? strerror(reason_) : "write error"; }

  private:
    void Fail() {
        failed_ = true;
        reason_ = errno;
    }

    bool failed_ = false;
    int reason_ = 0;  // errno of the failed write
};

int Sim(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    StandardStreams output;
    int status = RunSim(args, ReadFromDisk, output);
    if (!output.Flush()) {
        fprintf(stderr, "zanfo-sim: cannot write the standard output: %s\n", output.Reason());
        return kSimCannotWrite;
    }
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    return WithinMemory("zanfo-sim", kSimBadInput, [argc, argv] { return Sim(argc, argv); });
}
