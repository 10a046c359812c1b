// zanfo's companion commands: what every one of them does the same way.
// Output files appear whole or not at all, zanfo's Latin-1 messages are
// shown in UTF-8, and --version says the same thing everywhere.
#ifndef ZANFO_CLI_H
#define ZANFO_CLI_H

#include <cstddef>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// "zanfo-dump (zanfo) 1.0.0" and the licence line, for --version.
void PrintVersion(const char *command);
// The same text, for commands that hand their output back as a string.
std::string VersionText(const char *command);

// Runs `body`, a command's whole work, and returns its exit status; when
// memory runs out (an input within the size bounds can still ask for more
// than a memory limit allows), says "COMMAND: out of memory" on standard
// error and returns `status` instead of aborting.  The stack unwinds first,
// so an output file half written is removed.
int WithinMemory(const char *command, int status, const std::function<int()> &body);

// ISO-8859-1 bytes (zanfo's diagnostics) as UTF-8.
std::string Latin1ToUtf8(const std::string &text);

// A problem of the command line as the commands say it: each line of
// `problems` after "COMMAND: ", then "Try 'COMMAND --help' for more
// information."
std::string UsageText(const char *command, const std::string &problems);

// A command line read an option at a time, as the companion commands read
// theirs: "--name=value", or the name and the next word for an option that
// takes a value; "--" ends the options, and any other word that does not
// start with "-", or "-" alone, is an operand.
class OptionReader {
  public:
    // `withValue`: the options that take a value ("--map", "-o").
    OptionReader(const std::vector<std::string> &args, std::set<std::string> withValue)
        : args_(args), withValue_(std::move(withValue)) {}

    // The next option, its value "" when it takes none; false at the end of
    // the line, or with `error` set on an option without its value or with
    // one it does not take.
    bool Next(std::string *name, std::string *value, std::string *error);
    // The operands met so far, in order: all of them once Next is false.
    const std::vector<std::string> &Operands() const { return operands_; }

  private:
    const std::vector<std::string> &args_;
    const std::set<std::string> withValue_;
    size_t at_ = 0;                      // the next word of args_
    bool operandsOnly_ = false;          // "--" was met
    std::vector<std::string> operands_;  // in order
};

// An output file written beside its final name and renamed into place on
// Commit(): a failed run leaves no file behind, and the old file, if any,
// stays as it was.  The name "-" is standard output.  A symbolic link to a
// file is kept, and the file it names is replaced.  A device or a pipe
// (/dev/null, a FIFO) is written in place: renaming over it would put a
// plain file where it was.
class OutputFile {
  public:
    explicit OutputFile(const std::string &name);
    ~OutputFile();  // without Commit(), removes what was written
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    bool Open();                   // false, with errno, when it cannot be created
    FILE *Stream() { return stream_; }
    bool Commit();                 // flushes, closes and renames; false on any write error
    const std::string &Name() const { return name_; }

  private:
    std::string name_;      // the file the user asked for
    std::string tempName_;  // where it is written until it is whole; empty: in place
    std::string target_;    // what the temporary file is renamed to: name_, or where its link leads
    FILE *stream_ = nullptr;
};

#endif
