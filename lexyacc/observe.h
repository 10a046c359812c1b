// zanfo: what a listing may watch while zanfo assembles.
//
// zanfo itself watches nothing: the observer is null and every hook is one
// test of it.  zanfo-dump --listing sets one for the length of one
// AssembleText, to learn which source lines made each microword and to say
// more about a diagnostic than zanfo's message does; zanfo-lsp, to learn
// where every token stands.  Watching never changes what zanfo reads,
// parses, writes or prints.
#ifndef ZANFO_OBSERVE_H
#define ZANFO_OBSERVE_H

#include <string>
#include <vector>

class AssemblyObserver {
  public:
    virtual ~AssemblyObserver() = default;

    // Every token the parser reads, in both passes: its code, the line it
    // is on, its text as written, and for a NUMBER its value.
    virtual void Token(bool /*firstPass*/, int /*token*/, int /*line*/, const char * /*text*/,
                       int /*value*/) {}

    // A microinstruction has ended (second pass); its word is written next,
    // at the address `dir` holds.  Its tokens stand on the lines from
    // firstLine to lastLine.
    virtual void Microinstruction(int /*dir*/, int /*firstLine*/, int /*lastLine*/) {}

    // The parser stopped: the token it could not take and the tokens it
    // would have taken in its place, as token codes (TokenName names them).
    virtual void SyntaxError(int /*token*/, const std::vector<int> & /*expectedCodes*/) {}

    // A jump to a name that is no label (second pass), just before zanfo
    // reports it.
    virtual void UnknownLabel(const char * /*name*/) {}

    // The source ended inside the comment opened on `line`.
    virtual void UnclosedComment(bool /*firstPass*/, int /*line*/) {}

    // A byte that starts no token, on `line`, just before zanfo's notice.
    virtual void UnrecognizedCharacter(bool /*firstPass*/, int /*line*/) {}
};

// Two observers of one run: every hook goes to the first, then to the
// second.  For a tool that needs what two watchers see of a single
// AssembleText (zanfo-lsp: its own and zanfo-check's).
class ObserverPair : public AssemblyObserver {
  public:
    ObserverPair(AssemblyObserver &first, AssemblyObserver &second) : first_(first), second_(second) {}

    void Token(bool firstPass, int token, int line, const char *text, int value) override {
        first_.Token(firstPass, token, line, text, value);
        second_.Token(firstPass, token, line, text, value);
    }
    void Microinstruction(int dir, int firstLine, int lastLine) override {
        first_.Microinstruction(dir, firstLine, lastLine);
        second_.Microinstruction(dir, firstLine, lastLine);
    }
    void SyntaxError(int token, const std::vector<int> &expectedCodes) override {
        first_.SyntaxError(token, expectedCodes);
        second_.SyntaxError(token, expectedCodes);
    }
    void UnknownLabel(const char *name) override {
        first_.UnknownLabel(name);
        second_.UnknownLabel(name);
    }
    void UnclosedComment(bool firstPass, int line) override {
        first_.UnclosedComment(firstPass, line);
        second_.UnclosedComment(firstPass, line);
    }
    void UnrecognizedCharacter(bool firstPass, int line) override {
        first_.UnrecognizedCharacter(firstPass, line);
        second_.UnrecognizedCharacter(firstPass, line);
    }

  private:
    AssemblyObserver &first_, &second_;
};

// Set by AssembleText for one run; null otherwise.
extern AssemblyObserver *assemblyObserver;

// The parser's tokens go through here, so the observer can see them.
int ReadToken();

// Where the scanner's last match began, in bytes from the start of the
// source: during Token, the token's first byte (but for END_OF_INPUT);
// during UnrecognizedCharacter, that character's.
long long MatchOffset();

// How far the scanner has matched, in bytes from the start of the source;
// after a run that a fatal scanner error ended, where the token it could
// not take begins.
long long ScanOffset();

// The grammar's name of a token code: "KW_JUMP", "COND_NUZ", "NUMBER",
// "';'", "END_OF_INPUT"; null for a code that is no token.
const char *TokenName(int token);

// The word the scanner reads as this token, in upper case: "JUMP" for
// KW_JUMP, "NUZ" for COND_NUZ, "IRA0" for REG_IRA0; "" for a token that is
// no reserved word (NUMBER, REG, IDENT, punctuation, no token at all).
std::string ReservedWord(int token);

#endif
