// zanfo-dump --source.
//
// The items of each word come from the notation; whether zanfo really
// writes that word from them is for zanfo to say, so the program is
// assembled in memory and compared with the file.  Most words come out
// right with their first spelling and one assembly of the whole program
// settles it.  Where one does not (the order of two operands, or the
// register-select bit of a port no item reads, follows from zanfo's
// placement rules), each different word is tried alone with every
// spelling the notation offers, and the first that zanfo turns into that
// word without a diagnostic is kept.
#include "disassemble.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <set>
#include <unordered_map>

#include "assemble.h"
#include "errors.h"
#include "microword.h"

namespace {

std::string Hex4(uint32_t value) {
    char text[8];
    snprintf(text, sizeof text, "%04" PRIX32, value & 0xFFFF);
    return text;
}

// "AAAA WWWWWWWWWWWWWWWW\n", as zanfo writes it.
std::string MicLine(uint32_t address, uint64_t word) {
    char text[32];
    snprintf(text, sizeof text, "%04" PRIX32 " %016" PRIX64 "\n", address & 0xFFFF, word);
    return text;
}

// A file name inside a comment: no brace may end the comment early, no
// line end may split it.
std::string CommentSafe(const std::string &text) {
    std::string out;
    for (unsigned char c : text)
        out += c == '}' || c == '{' || c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    return out;
}

// The diagnostics of a run other than "Dirección fuera de rango", which the
// ORG of an address beyond the store draws and which changes no word.
bool OnlyOrgDiagnostics(const std::string &diagnostics) {
    for (const Diagnostic &d : SplitDiagnostics(diagnostics))
        if (!d.numbered || d.message != msgAddressOutOfRange)
            return false;
    return true;
}

// The word zanfo writes for `items` alone; false when it says anything at
// all about them.
bool AssembleItems(const ItemList &items, uint64_t *word) {
    Assembly a = AssembleText("PROGRAM\n" + ItemsText(items) + "\nEND\n");
    if (!a.parsed || !a.diagnostics.empty() || !a.notices.empty() || a.mic.size() != 22)
        return false;
    *word = strtoull(a.mic.substr(5, 16).c_str(), nullptr, 16);
    return true;
}

// The fields in which two words differ: "RegSelect 3, not 1".
std::string Differences(uint64_t made, uint64_t wanted) {
    std::string text;
    for (const FieldInfo &info : kFieldTable) {
        uint32_t a = GetField(made, info.field), b = GetField(wanted, info.field);
        if (a != b)
            text += std::string(text.empty() ? "" : ", ") + info.name + " " + std::to_string(a) +
                    ", not " + std::to_string(b);
    }
    return text;
}

struct Statement {
    std::string org;                 // "ORG 16" before the word, or ""
    std::string label;               // "L0010" on the word, or ""
    std::vector<ItemList> labelled;  // the spellings, targets by label
    std::vector<ItemList> numbered;  // the same, targets by number
    size_t choice = 0;               // the spelling written
    std::string comment;             // what cannot be written, or ""
};

// What trying every spelling of one word alone found.
struct Trial {
    bool found = false;      // a spelling gives the word without a diagnostic
    size_t choice = 0;       // that spelling, or the nearest
    std::string why;         // when not found: what cannot be written
};

class Disassembler {
  public:
    explicit Disassembler(const MicFile &mic) : mic_(mic) {}

    Disassembly Run() {
        Lay();
        Disassembly out;
        std::string wanted;
        for (const MicWord &w : mic_.words)
            wanted += MicLine(w.address, w.word);
        Assembly first = AssembleText(Text());
        if (first.mic != wanted || !OnlyOrgDiagnostics(first.diagnostics) || !first.notices.empty()) {
            Choose();
            Assembly again = AssembleText(Text());
            first.mic = again.mic;
        }
        out.exact = first.mic == wanted;
        out.problems = problems_;
        for (size_t i = 0; i < statements_.size(); ++i)
            if (!statements_[i].comment.empty())
                out.problems.push_back({mic_.words[i].line, false,
                                        "address " + Hex4(mic_.words[i].address) + ": " +
                                            statements_[i].comment});
        if (!out.exact && problems_.size() == out.problems.size())
            out.problems.push_back({0, false, "the program does not assemble back to this file"});
        SortProblems(out.problems);
        out.source = Text();
        return out;
    }

  private:
    // Statements, ORGs and labels, with every word's first spelling.
    void Lay() {
        LabelNamer byLabel = [this, held = HeldTargets(mic_)](uint32_t address) {
            std::string label = held(address);
            if (!label.empty())
                targets_.insert(address);
            return label;
        };
        uint32_t dir = 0;
        std::set<uint32_t> labelled;
        for (size_t i = 0; i < mic_.words.size(); ++i) {
            const MicWord &w = mic_.words[i];
            Statement s;
            if (i == 0 ? w.address != 0 : w.address != ((dir + 1) & 0xFFFF)) {
                s.org = "ORG " + AddressNumber(w.address);
                dir = w.address;
                if (w.address > kLastStoreAddress)
                    problems_.push_back({w.line, true,
                                         "address " + Hex4(w.address) + " needs an ORG beyond " +
                                             std::to_string(kLastStoreAddress) +
                                             ", which zanfo reports (the words are the same)"});
            } else if (i > 0) {
                ++dir;
            }
            s.labelled = Spellings(w.word, byLabel);
            s.numbered = Spellings(w.word);
            statements_.push_back(std::move(s));
        }
        for (size_t i = 0; i < mic_.words.size(); ++i)
            if (targets_.count(mic_.words[i].address) && labelled.insert(mic_.words[i].address).second)
                statements_[i].label = TargetLabel(mic_.words[i].address);
    }

    // Each word's spelling, tried alone; words that recur are tried once.
    void Choose() {
        std::unordered_map<uint64_t, Trial> tried;
        for (size_t i = 0; i < statements_.size(); ++i) {
            uint64_t word = mic_.words[i].word;
            auto found = tried.find(word);
            if (found == tried.end())
                found = tried.emplace(word, Try(statements_[i].numbered, word)).first;
            statements_[i].choice = found->second.choice;
            if (!found->second.found)
                statements_[i].comment = "cannot be written in zanfo: " + found->second.why;
        }
    }

    static Trial Try(const std::vector<ItemList> &spellings, uint64_t word) {
        Trial trial;
        std::string nearest;
        for (size_t k = 0; k < spellings.size(); ++k) {
            uint64_t made;
            if (!AssembleItems(spellings[k], &made))
                continue;
            if (made == word) {
                trial.found = true;
                trial.choice = k;
                return trial;
            }
            std::string differences = Differences(made, word);
            if (nearest.empty() || differences.size() < nearest.size()) {
                nearest = differences;
                trial.choice = k;
            }
        }
        std::vector<std::string> notes = Inexpressible(word);
        for (const std::string &note : notes)
            trial.why += (trial.why.empty() ? "" : "; ") + note;
        if (trial.why.empty())
            trial.why = nearest.empty() ? "no items give this word"
                                        : "no items give this word; these give " + nearest;
        return trial;
    }

    std::string Text() const {
        std::string text = "{ " + CommentSafe(mic_.name) + ", read back by zanfo-dump }\nPROGRAM\n";
        if (statements_.empty())
            return text + "ORG 0\nEND\n";  // a program of no microinstructions
        for (size_t i = 0; i < statements_.size(); ++i) {
            const Statement &s = statements_[i];
            if (!s.org.empty())
                text += s.org + ";\n";
            text += s.label.empty() ? "       " : s.label + ": ";
            text += ItemsText(s.labelled[s.choice]);
            if (i + 1 < statements_.size())
                text += ";";
            if (!s.comment.empty())
                text += "  { " + s.comment + " }";
            text += "\n";
        }
        return text + "END\n";
    }

    static void SortProblems(std::vector<MicProblem> &problems) {
        std::stable_sort(problems.begin(), problems.end(),
                         [](const MicProblem &a, const MicProblem &b) { return a.line < b.line; });
    }

    const MicFile &mic_;
    std::set<uint32_t> targets_;           // addresses that hold a word and that a word jumps to
    std::vector<Statement> statements_;    // one per word
    std::vector<MicProblem> problems_;     // ORGs beyond the store
};

}  // namespace

Disassembly Disassemble(const MicFile &mic) { return Disassembler(mic).Run(); }
