// zanfo in the browser: what the calls of the C interface (api.cpp) take
// in and hand out besides their results: the arguments and files that the
// JavaScript side packs, zanfo-sim's output and files as a call keeps
// them, and zanfo-check's options from zanfo-sim's command line.
#ifndef ZANFO_WEB_CALLS_H
#define ZANFO_WEB_CALLS_H

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "check.h"
#include "sim.h"

// What zanfo-sim would print, and the files it would write (-o,
// --coverage), kept by name.
struct SimCall : SimOutput {
    void Out(const std::string &text) override { out += text; }
    void Err(const std::string &text) override { err += text; }
    bool File(const std::string &name, const std::string &bytes, std::string *) override {
        if (name == "-")
            out += bytes;
        else
            files[name] = bytes;
        return true;
    }
    std::string out;                           // standard output
    std::string err;                           // standard error
    std::map<std::string, std::string> files;  // name -> bytes
    std::string packed;                        // files, as PackFiles packs them
};

// NUL-separated strings as a vector.
std::vector<std::string> SplitArgs(const char *packed, size_t size);

// The files of a call, packed by the JavaScript side as NAME, NUL, the size
// in decimal, NUL, then that many bytes, for each file.
std::map<std::string, std::string> UnpackFiles(const char *packed, size_t size);

// Files ({name: bytes}) packed as the JavaScript side packs those it
// hands in: the name, a NUL, the size in decimal, a NUL, the bytes.
std::string PackFiles(const std::map<std::string, std::string> &files);

// zanfo-sim's files: those named in `files`; the first file it reads, its
// microprogram, holds `mic` when `files` does not name it; any other name
// is a file that does not exist.
FileReader ReaderOf(std::map<std::string, std::string> files, bool hasMic, std::string mic);

// The checks' options as zanfo-sim's command line gives them, as
// zanfo-check's --start, --map and --loop-to-address take them: the
// mapping is read from `files`.  False, with why, when the command line
// or the mapping cannot be read.
bool CheckOptionsOf(const std::vector<std::string> &args, const std::map<std::string, std::string> &files,
                    CheckOptions *options, std::string *why);

#endif
