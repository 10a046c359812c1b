// zanfo: reading a .mic file, the assembler's output, back into microwords.
//
// A line is four hexadecimal digits of address, one blank and sixteen of
// microword, in either case, ended by LF or CR LF.  Every other line is
// refused with its line number; nothing is skipped silently.
#ifndef ZANFO_MIC_FILE_H
#define ZANFO_MIC_FILE_H

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

// Reads the whole file called `name` ("-" is standard input) into `text`;
// on failure returns false with the errno value in `error`.  Every command
// reads its files, .mic or source, through here.
bool ReadWholeFile(const std::string &name, std::string *text, int *error);

// True when the file `name` holding `text` is a .mic file rather than a
// source: a name ending in .mic or .zan (any case) says which; otherwise a
// first line of four hex digits, a blank and sixteen hex digits (or no
// text at all) makes it a .mic file.
bool IsMicText(const std::string &name, const std::string &text);

// Reads the file called `name` ("-" is standard input).
MicFile ReadMicFile(const std::string &name, MicUse use);

// The file called `name` that could not be read: errno `error`.
MicFile UnreadableMicFile(const std::string &name, int error);

// Reads .mic text already in memory, reporting it under `name`.
MicFile ParseMicText(const std::string &name, const std::string &text, MicUse use);

// "NAME:LINE: message", "NAME:LINE: warning: message", or "NAME: message"
// for the file as a whole.
std::string FormatProblem(const MicFile &file, const MicProblem &problem);

// Every problem on standard error, one line each; true when none is an error.
bool ReportProblems(const MicFile &file);

#endif
