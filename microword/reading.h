// zanfo: what the companion commands' small inputs share: numbers as a
// user writes them (a value on the command line, in a test file or a JMAP
// mapping), and the lines of a file of blank-separated words with "#"
// comments.  Problems are reported as "NAME:LINE: message".
#ifndef ZANFO_READING_H
#define ZANFO_READING_H

#include <cstdint>
#include <string>
#include <vector>

// A whole number from 0 to 18446744073709551615 (UINT64_MAX): decimal, or
// when `hex` also hexadecimal after "0x" or "0X"; false for anything else
// (nothing, a sign, a blank, any other character, a number too large).
bool ParseUnsigned(const std::string &text, bool hex, uint64_t *value);

// A number: decimal (a leading "-" gives the 16-bit two's complement) or
// hexadecimal after "0x"; at most `max`.
bool ParseNumber(const std::string &text, uint32_t max, uint32_t *value, std::string *error);

// A line of a mapping or a test file that holds something once its "#"
// comment is cut off.
struct WordedLine {
    unsigned number;                 // from 1
    std::string text;                // without its comment and line end
    std::vector<std::string> words;  // its blank-separated words, at least one

    std::string Keyword() const;  // the first word, in lower case
    std::string Rest() const;     // the text after the first word, blanks at the ends cut
};

// The lines of a text that hold words, in order; blank lines and lines of
// comment only are left out.
std::vector<WordedLine> WordedLines(const std::string &text);

// The blank-separated words of a line.
std::vector<std::string> Words(const std::string &line);

// The text without blanks, tabs or CR at its ends.
std::string Trim(const std::string &text);

// The text in lower case (ASCII).
std::string Lower(std::string text);

// "NAME:LINE: message".
std::string AtLine(const std::string &name, unsigned line, const std::string &message);

#endif
