// zanfo: reading a .mic file, the assembler's output, back into microwords.
//
// A line is four hexadecimal digits of address, one blank and sixteen of
// microword, in either case, ended by LF or CR LF.  Every other line is
// refused with its line number; nothing is skipped silently.
#ifndef ZANFO_MIC_FILE_H
#define ZANFO_MIC_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The highest address of the 4096-word control store.
constexpr uint32_t kLastStoreAddress = 0xFFF;

// What the words are read for.
enum class MicUse {
    Listing,       // decoded line by line, in file order: a repeated address is only a warning
    ControlStore,  // loaded into the store: a repeated address or one above 0xFFF is an error
};

struct MicWord {
    uint32_t address;  // 0..0xFFFF as written
    uint64_t word;     // the microword
    unsigned line;     // its line in the file, from 1
};

struct MicProblem {
    unsigned line;     // 0: the file as a whole (it cannot be read, it is empty)
    bool warning;      // false: an error, and the file is refused
    std::string text;  // what is wrong, in English
};

struct MicFile {
    std::string name;                  // as the user gave it, for messages
    std::vector<MicWord> words;        // in file order
    std::vector<MicProblem> problems;  // in file order

    bool Refused() const;  // any error among the problems
};

// The most the companion commands read of a file.  A .mic file holds at
// most 65,536 lines of 23 bytes with CR LF ends, 1.5 MiB; a source, a test
// file, a memory image or a mapping has a bound of its own, as generous.
constexpr size_t kMicFileLimit = size_t{4} << 20;    // 4 MiB
constexpr size_t kTextFileLimit = size_t{64} << 20;  // 64 MiB

// Reads the whole file called `name` ("-" is standard input) into `text`;
// on failure returns false with the errno value in `error`, EFBIG for a
// file longer than `limit` bytes, where reading stops.  Every companion
// command reads its files, .mic or source, through here.
bool ReadWholeFile(const std::string &name, std::string *text, int *error, size_t limit = kMicFileLimit);

// Why a file read with `limit` could not be read, for "NAME: cannot read
// the file: WHY": strerror's words, or "larger than 4 MiB" for EFBIG.
std::string ReadFailure(int error, size_t limit);

// True when the file `name` holding `text` is a .mic file rather than a
// source: a name ending in .mic or .zan (any case) says which; otherwise a
// first line of four hex digits, a blank and sixteen hex digits (or no
// text at all) makes it a .mic file.
bool IsMicText(const std::string &name, const std::string &text);

// Reads the file called `name` ("-" is standard input).
MicFile ReadMicFile(const std::string &name, MicUse use);

// The file called `name` that could not be read: errno `error` (EFBIG:
// longer than kMicFileLimit).
MicFile UnreadableMicFile(const std::string &name, int error);

// Reads .mic text already in memory, reporting it under `name`.
MicFile ParseMicText(const std::string &name, const std::string &text, MicUse use);

// "NAME:LINE: message", "NAME:LINE: warning: message", or "NAME: message"
// for the file as a whole.
std::string FormatProblem(const MicFile &file, const MicProblem &problem);

// Every problem on standard error, one line each; true when none is an error.
bool ReportProblems(const MicFile &file);

#endif
