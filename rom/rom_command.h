// zanfo-rom as a function: the command line in, the image and the messages
// out.  The files are read and written by the caller (tools/zanfo_rom.cpp,
// or a browser page that hands over the .mic text), so the whole behaviour
// of the command can be run and tested without touching a disk.
#ifndef ZANFO_ROM_COMMAND_H
#define ZANFO_ROM_COMMAND_H

#include <functional>
#include <string>
#include <vector>

#include "mic_file.h"

struct RomEnvironment {
    // Reads the .mic file the command line names ("-": standard input).
    std::function<MicFile(const std::string &name, MicUse use)> read;
    // True when `a` and `b` are the same existing file; null: never.
    std::function<bool(const std::string &a, const std::string &b)> sameFile;
    bool stdoutIsTerminal = false;  // raw bytes are not written there
    // Reads the JMAP mapping of --jmap into `text`; false, with the reason
    // in `error`, when it cannot be read.  Null: --jmap is refused.
    std::function<bool(const std::string &name, std::string *text, std::string *error)> readText;
};

struct RomResult {
    int status = 0;      // exit status: 0 done, 2 bad command line or input
    std::string out;     // --help or --version text for standard output
    std::string err;     // messages for standard error, UTF-8
    bool write = false;  // `image` is to be written to `target`
    std::string target;  // "-" standard output, or the file of -o
    std::string image;   // the whole image, text or bytes
};

// Runs zanfo-rom with `args` (without the command name).
RomResult RunRom(const std::vector<std::string> &args, const RomEnvironment &environment);

#endif
