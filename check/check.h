// zanfo-check: static analysis of a microprogram.
//
// The checks read the control store as the simulator decodes it
// (Decode and Microinstruction, machine/machine.h) and the parts' tables
// (machine/parts.h: the Am2910's sixteen instructions as paths, the
// conditions with the flag register each reads, the flag loads, the bus
// transfers), so that they say what the simulator's machine does, and
// nothing else.  Every check has a name, a one-line message
// that says what will happen at run time and what to write instead, and
// an explanation with a wrong and a right example (kChecks).
//
// Three ways in, one list out:
//   CheckSource   a source text: assembled in memory with zanfo's own
//                 passes (AssembleText); zanfo's diagnostics come first in
//                 the same list, as errors, parse errors included.
//                 CheckAssembly does the same for a tool that assembles
//                 the source itself, with a CheckWatcher looking on.
//   CheckMicText  the text of a .mic file; the reader's errors come as
//                 errors, and a file with any is not analysed.
//   CheckStore    words already decoded from somewhere else.
// SortFindings orders any such list the way every consumer shows it, and
// FormatFinding writes one finding in the format of compilers
// ("FILE:LINE: warning: MESSAGE [NAME]").
//
// CheckSource is not reentrant: the assembler's state is process-wide.
#ifndef ZANFO_CHECK_H
#define ZANFO_CHECK_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "assemble.h"
#include "machine.h"
#include "notation.h"
#include "observe.h"

enum class Severity : uint8_t {
    Error,    // zanfo's own diagnostics, a parse error, a .mic line the reader refuses
    Warning,  // a check's finding
};

// One problem, where it stands.
struct Finding {
    Severity severity = Severity::Warning;  // errors sort before warnings on one line
    std::string check;                      // the check's name; empty for zanfo's diagnostics and the reader's errors
    int line = 0;                           // source or .mic line, from 1; 0: the program as a whole
    int address = -1;                       // the microword's address, 0..0xFFFF; -1: none
    std::string message;                    // one line, UTF-8, no control characters
    std::string note;                       // an English line after one of zanfo's errors; "" when none is known
};

// What a check is, for --list, --explain, a hover or a manual: a
// finding's explanation is FindCheck(finding.check)->explanation.
struct CheckInfo {
    const char *name;         // "flag-same-word"
    const char *summary;      // one line: what it finds
    const char *explanation;  // paragraphs: what the machine does, why it matters, what to write
    const char *wrong;        // a program the check fires on
    const char *right;        // the same program written right: no finding at all
    bool micExamples;         // the examples are .mic text, since zanfo cannot write such words
};
extern const CheckInfo kChecks[];
extern const size_t kCheckCount;

// The check of that name, or null.
const CheckInfo *FindCheck(const std::string &name);

// How the program runs and which checks to make.
struct CheckOptions {
    unsigned start = 0;             // the start address (zanfo-sim --start)
    bool loopToAddress = false;     // LOOP (RFCT, 8) runs as RPCT (9): zanfo-sim --loop-to-address
    bool mapped = false;            // JMAP goes through `mapping` (--map); false: to IR >> 8
    std::array<int, kOpcodes> mapping{};  // the address of each opcode, -1 when not mapped
    std::set<std::string> off;      // names of the checks not to make

    bool Enabled(const char *check) const { return off.count(check) == 0; }
};

// Every finding on a source, sorted: zanfo's diagnostics (its messages in
// UTF-8, the scanner's fatal message at line 0, a notice of a character
// zanfo skips at its line) and the checks.  After a syntax error zanfo
// writes no words: then only its diagnostics and the checks of the text
// itself (constant-range) are reported.
std::vector<Finding> CheckSource(const std::string &source, const CheckOptions &options = {});

// What the checks of the text (constant-range, address-range,
// address-twice) and zanfo's notices need to see of zanfo's passes: the
// numbers written (but ORG's), the ORGs, the words' addresses, and the
// lines of the characters zanfo skips.
class CheckWatcher : public AssemblyObserver {
  public:
    struct Number {
        int line;          // where it stands
        std::string text;  // as written
    };
    struct Word {
        int dir;        // its address, as zanfo counted it
        int firstLine;  // where its microinstruction starts
        bool afterOrg;  // an ORG stands between it and the word before
        int org;        // that ORG's address, as zanfo read it
    };

    void Token(bool firstPass, int token, int line, const char *text, int value) override;
    void Microinstruction(int dir, int firstLine, int lastLine) override;
    void UnrecognizedCharacter(bool firstPass, int line) override;

    std::vector<Number> numbers;  // second pass
    std::vector<Word> words;      // second pass, one per microinstruction
    std::vector<int> strayLines;  // first pass: the lines of zanfo's notices

  private:
    int previous_ = -1;      // the token before
    bool afterOrg_ = false;  // an ORG since the last microinstruction
    int org_ = 0;            // its address
};

// CheckSource's findings on a source that `assembly` is zanfo's run of,
// made with `watch` looking on (alone, or beside other observers through
// an ObserverPair): for a tool that needs the run itself too, so that the
// source is assembled once.
std::vector<Finding> CheckAssembly(const Assembly &assembly, const CheckWatcher &watch,
                                   const CheckOptions &options = {});

// Every finding on the text of a .mic file, sorted: the reader's errors
// and, when it has none, the checks (an address given twice is the check
// address-twice; an empty file, start-empty).  Lines are the .mic file's.
std::vector<Finding> CheckMicText(const std::string &text, const CheckOptions &options = {});

// One word of a program, where it came from.
struct StoreWord {
    uint32_t address;  // as written, 0..0xFFFF; above 0xFFF it is outside the control store
    uint64_t word;     // the microword
    int line;          // the source line where its microinstruction starts, or its .mic line; 0: none
};

// The checks of the words themselves, sorted.  The words come in the
// order given: a later word at an address replaces an earlier one, as a
// loader writing in order would; words above 0xFFF are left out (the
// checks of the text, address-range and address-twice, belong to
// CheckSource and CheckMicText).  `names` names addresses in the messages
// ("round (00A)"); null writes them as numbers.
std::vector<Finding> CheckStore(const std::vector<StoreWord> &words, const CheckOptions &options = {},
                                const LabelNamer &names = nullptr);

// By line; on one line errors first, then by address, then in the order
// of kChecks.
void SortFindings(std::vector<Finding> &findings);

// "FILE:LINE: warning: MESSAGE [NAME]", "FILE:LINE: error: MESSAGE", or
// "FILE: ..." for line 0; followed by "FILE:LINE: note: NOTE" when the
// finding has a note.  Every line ends with "\n".
std::string FormatFinding(const std::string &file, const Finding &finding);

#endif
