// zanfo-sim: the whole command as a function, so that the command-line
// program and a browser can run it alike.  Files come through a reader
// and everything the command prints goes through SimOutput; nothing here
// exits or keeps state between calls.
#ifndef ZANFO_SIM_H
#define ZANFO_SIM_H

#include <functional>
#include <string>
#include <vector>

// Reads the file `name` into `text`; on failure returns false with the
// reason in `error` ("No such file or directory").  No input may be longer
// than kTextFileLimit (mic_file.h), so a reader need read no further: one
// byte more is enough for the command to refuse the file.
using FileReader = std::function<bool(const std::string &name, std::string *text, std::string *error)>;

// The reader of the programs on the command line (zanfo-sim, zanfo-prove):
// the file system, "-" being standard input, read up to kTextFileLimit
// bytes, with ReadFailure's reasons (mic_file.h).
bool ReadFromDisk(const std::string &name, std::string *text, std::string *error);

// Where the command's output goes, in pieces as it is produced (a trace
// can be long), and the files it writes (-o, --coverage), each handed over
// whole once the run is done.
class SimOutput {
  public:
    virtual ~SimOutput() = default;
    virtual void Out(const std::string &text) = 0;  // standard output
    virtual void Err(const std::string &text) = 0;  // standard error
    // Writes `bytes` as the file `name` ("-": standard output), whole or
    // not at all; false with the reason in `error`.  An output that keeps
    // no files refuses them.
    virtual bool File(const std::string &name, const std::string &bytes, std::string *error) {
        (void)name, (void)bytes;
        *error = "files cannot be written here";
        return false;
    }
    // True once standard output could not be written: the run stops there.
    virtual bool Failed() const { return false; }
};

// Exit statuses.
constexpr int kSimHalted = 0;        // the run halted (and every expectation held)
constexpr int kSimExpectFailed = 1;  // an expectation or a test case failed
constexpr int kSimBadInput = 2;      // bad command line or input file
constexpr int kSimCannotWrite = 2;   // standard output cannot be written
constexpr int kSimStopped = 3;       // a model error or the cycle limit stopped the run

// Runs `zanfo-sim ARGS...` (args without the command's own name).
int RunSim(const std::vector<std::string> &args, const FileReader &read, SimOutput &output);

#endif
