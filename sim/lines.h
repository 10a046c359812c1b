// The lines of zanfo's line-based input files: zanfo-sim's mappings and
// test files, zanfo-prove's property files.  A "#" starts a comment that
// runs to the end of the line, blanks and tabs separate the words, and a
// line ends with LF or CR LF.
#ifndef ZANFO_SIM_LINES_H
#define ZANFO_SIM_LINES_H

#include <string>
#include <vector>

// A line that holds something once its comment is cut off.
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

// "NAME:LINE: message", a problem of a file.
std::string ProblemAt(const std::string &name, unsigned line, const std::string &message);

#endif
