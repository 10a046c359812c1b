// zanfo's messages for one program, explained: each message with its
// English line (explain.h) and what a companion tool can say more about it
// for this program, watching zanfo as it assembles: where the parser
// stopped and what it would have taken there, the likely cause (a keyword
// used as a label or an EQU name, a number where a register is needed, a
// misspelt keyword, a missing ";", a comment left open), and the label a
// name was probably meant to be.
//
// zanfo-dump --listing, the playground, zanfo-check and the language
// server show these; zanfo itself prints its messages alone, as ever.
#ifndef ZANFO_NOTES_H
#define ZANFO_NOTES_H

#include <cstddef>
#include <string>
#include <vector>

#include "assemble.h"
#include "observe.h"

// A token as the observer saw it.
struct SeenToken {
    int token = -1;    // the token code (0 the end of the file); -1 when none
    int line = 0;      // its line
    std::string text;  // as written
};

// What the notes need from one assembly: give it to AssembleText.  A
// tool with more to watch derives from it and calls its hooks first.
class NoteWatcher : public AssemblyObserver {
  public:
    void Token(bool firstPass, int token, int line, const char *text, int value) override;
    void SyntaxError(int token, const std::vector<int> &expected) override;
    void UnknownLabel(const char *name) override;
    void UnclosedComment(bool firstPass, int line) override;
    void UnrecognizedCharacter(bool firstPass, int line) override;

    bool syntaxError = false;               // the parser stopped
    SeenToken stoppedAt;                    // the lookahead it refused
    SeenToken before[2];                    // the two tokens before it, the nearer last
    size_t stoppedToken = 0;                // how many tokens it had read then
    std::vector<int> expected;              // what it would have taken there
    std::vector<std::string> unknownNames;  // the jump targets that are no label, as zanfo reports them
    std::vector<int> strayLines;            // first pass: the line of each unrecognized character
    int openComment = 0;                    // the line of a comment the source never closes

  private:
    // The first pass's token `back` tokens before the last one (0: the
    // last), or none.
    SeenToken Seen(size_t back) const {
        return back < firstPassTokens_ ? last_[(firstPassTokens_ - 1 - back) % 3] : SeenToken();
    }

    SeenToken last_[3];                     // first pass: the last three tokens, the n-th at n % 3
    size_t firstPassTokens_ = 0;            // first pass: the tokens read
};

// One note about a message: a fact about this program, or a likely cause
// with what to do about it.
struct MessageNote {
    bool hint;         // false: "note", a fact; true: "hint", a likely cause and its fix
    std::string text;  // UTF-8, one line
};

// One line of what zanfo printed about a program.
struct ExplainedMessage {
    enum Kind { Error, Notice, Fatal };
    Kind kind;                       // an "error:LINE:" line; a notice on standard output; the scanner's fatal line
    int line;                        // its line: the one zanfo names, or for a notice the line of the character; 0 for a fatal line
    std::string message;             // zanfo's text as printed, without "error:LINE:" (ISO-8859-1)
    const char *explanation;         // ExplainMessage's English line, or null
    std::vector<MessageNote> notes;  // what more there is to say for this program
};

// One of zanfo's notices (standard output) with the line of the character
// it is about.
struct LineNotice {
    int line;          // from 1
    std::string text;  // zanfo's line as printed, without its line end (ISO-8859-1)
};

// zanfo's notices of the first pass, each at the line NoteWatcher saw its
// character on; the second pass prints them again.
std::vector<LineNotice> NoticesByLine(const Assembly &assembly, const NoteWatcher &watch);

// zanfo's messages about `source`, assembled into `assembly` with `watch`
// looking on, in the order zanfo prints them: standard error (diagnostics,
// then a fatal line), then the notices of standard output, each once (zanfo
// prints them in both passes).
std::vector<ExplainedMessage> ExplainMessages(const std::string &source, const Assembly &assembly,
                                              const NoteWatcher &watch);

// The same, assembling `source` first.
std::vector<ExplainedMessage> ExplainSource(const std::string &source);

// The optimal string alignment distance between two names, ignoring case:
// how many letters to insert, delete, change or swap with a neighbour.
size_t SpellingDistance(const std::string &a, const std::string &b);

#endif
