// zanfo: the assembler run in memory, for the commands that take a source
// (zanfo-dump --listing, zanfo-sim) and for the browser.  It is zanfo
// itself, the same scanner, parser and writer, with the source read from
// a string and everything zanfo would print kept in strings.
#ifndef ZANFO_ASSEMBLE_H
#define ZANFO_ASSEMBLE_H

#include <string>
#include <utility>
#include <vector>

class AssemblyObserver;

struct Assembly {
    std::string mic;          // the .mic file zanfo writes
    std::string diagnostics;  // what zanfo prints on standard error (ISO-8859-1)
    std::string notices;      // what it prints on standard output (unrecognized characters)
    bool parsed = false;      // false after a syntax error: mic is empty
    bool stopped = false;     // a fatal scanner error: zanfo would exit with status 2
    std::vector<std::pair<std::string, std::string>> equates;  // name -> register text, lower case
    std::vector<std::pair<std::string, int>> labels;            // name -> address, lower case
    struct Word {        // where one microword came from
        int address;     // the address zanfo wrote it at
        int firstLine;   // source line of its microinstruction's first token
        int lastLine;    // source line of the last token (before the ';')
    };
    std::vector<Word> words;  // one per line of mic, in the same order
};

// Assembles `source` exactly as zanfo assembles a file of those bytes,
// telling `observer` (observe.h), if given, what it sees on the way.
// Not reentrant: the assembler's state is process-wide.
Assembly AssembleText(const std::string &source, AssemblyObserver *observer = nullptr);

// One line of what zanfo prints on standard error: "error:LINE:message",
// or, unnumbered, the scanner's fatal message.
struct Diagnostic {
    bool numbered;        // an "error:LINE:message" line
    int line;             // LINE, 0 when not numbered
    std::string message;  // the message (ISO-8859-1), or the whole line when not numbered
    std::string text;     // the whole line, without its line feed
};
std::vector<Diagnostic> SplitDiagnostics(const std::string &diagnostics);

#endif
