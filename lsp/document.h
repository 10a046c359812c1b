// zanfo-lsp: what zanfo makes of one document.
//
// The whole source is assembled on every change, by zanfo itself
// (AssembleText), with an observer that watches for the notes on zanfo's
// messages (notes.h, as zanfo-dump --listing shows them) and notes where
// each token stands.  Everything the editor asks
// for (words, symbols, diagnostics) is read off that one run.
#ifndef ZANFO_LSP_DOCUMENT_H
#define ZANFO_LSP_DOCUMENT_H

#include <cstdint>
#include <string>
#include <vector>

#include "assemble.h"
#include "text.h"

// A token of the first pass, where zanfo read it.
struct SourceToken {
    int code;          // the token code (zanfo.tab.h)
    Place place;       // its first character
    int length;        // in characters
    std::string text;  // as written (ISO-8859-1, in practice ASCII)
};

enum class SymbolKind { Label, Equate };

// A label or an EQU name and every token that names it.
struct Symbol {
    SymbolKind kind;
    std::string key;         // lower case, cut to 15 characters, as zanfo's tables key it
    int definition;          // the token of its (first) definition
    std::vector<int> uses;   // every other token naming it, in source order
    int address;             // a label's address, -1 when zanfo knows none
    std::string reg;         // an EQU name's register, upper case ("R1", "IRA2", "RQ")
};

enum class DiagnosticSeverity { Error = 1, Warning = 2, Information = 3, Hint = 4 };  // LSP's numbers

// One diagnostic, before it is put in the editor's units.
struct EditorDiagnostic {
    Place from, to;               // the characters it covers
    DiagnosticSeverity severity;
    std::string source;           // who says so: "zanfo", "zanfo-check", "zanfo-lsp"
    std::string code;             // a check's name, "latin1", or ""
    std::string message;          // UTF-8; the explanation, notes and hints follow on lines of their own
};

// One microword and the statement it came from.
struct SourceWord {
    int address;     // where zanfo wrote it
    uint64_t word;   // the microword
    int firstLine;   // the statement's lines, from 0
    int lastLine;
};

struct Analysis {
    Assembly assembly;                 // zanfo's run
    std::vector<SourceToken> tokens;   // the first pass's, in source order, up to where it stopped
    std::vector<Symbol> symbols;       // labels and EQU names, in order of definition
    std::vector<SourceWord> words;     // in the order of the .mic file
    std::vector<EditorDiagnostic> diagnostics;  // zanfo's, the checks' and the server's, by line

    // The token at `place` (a place just after a token's last character
    // counts as on it), or -1.
    int TokenAt(Place place) const;
    // The symbol that token `index` names, or -1.
    int SymbolOf(int index) const;
    // The label or EQU name whose key is `key`, or -1.
    int FindSymbol(SymbolKind kind, const std::string &key) const;
    // The words whose statements cover `line`.
    std::vector<const SourceWord *> WordsAt(int line) const;
    // The first label at `address`, by name, or "".
    std::string LabelAt(int address) const;

    std::vector<int> symbolOfToken;    // per token: its symbol, or -1
};

// Assembles `latin1` (the document as zanfo reads it; `unencodable` are
// the characters it holds "?" for) and reads everything off the run.
Analysis Analyze(const std::string &latin1, const std::vector<Unencodable> &unencodable);

// The key zanfo's tables give a name: lower case, at most 15 characters.
std::string SymbolKey(const std::string &name);

#endif
