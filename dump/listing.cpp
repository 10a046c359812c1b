// zanfo-dump --listing.
//
// zanfo runs in memory with an observer that records, in the second pass,
// the source lines of every microinstruction and, in either pass, what the
// parser stopped at, the names no label answers and the comment left open.
// The microwords are zanfo's own .mic lines, in order: the n-th line is the
// n-th microinstruction's word.
#include "listing.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "assemble.h"
#include "cli.h"
#include "errors.h"
#include "mic_file.h"
#include "observe.h"
#include "zanfo.h"

namespace {

constexpr int kLastAddress = kLastStoreAddress;  // as zanfo counts: dir is an int
constexpr int kIndent = 30;         // where the source text starts in a row

struct Seen {
    int token = -1;    // the token code; -1 when none
    int line = 0;      // its line
    std::string text;  // as written
};

struct WordSource {
    int dir;        // its address, as zanfo counted it
    int firstLine;  // the lines of its statement
    int lastLine;
    bool afterOrg;  // an ORG stands between it and the word before
    int org;        // that ORG's address, as zanfo read it
};

struct Message {
    int line;          // where it goes
    std::string text;  // one row, without the indent
};

class Watcher : public AssemblyObserver {
  public:
    explicit Watcher(AssemblyObserver *also = nullptr) : also_(also) {}

    void Token(bool firstPass, int token, int line, const char *text, int value) override {
        if (also_)
            also_->Token(firstPass, token, line, text, value);
        Seen seen{token, line, text};
        Seen *last = firstPass ? lastFirst_ : lastSecond_;
        last[0] = last[1];
        last[1] = seen;
        if (firstPass) {
            ++firstPassTokens_;
            return;
        }
        if (afterSeparator_)
            statement_.clear();
        afterSeparator_ = token == ';';
        statement_.push_back(seen);
        if (token == NUMBER && previousSecond_ != KW_ORG)
            numbers_.push_back(seen);
        if (token == NUMBER && previousSecond_ == KW_ORG) {
            afterOrg_ = true;
            org_ = value;
        }
        previousSecond_ = token;
    }

    // The statement's tokens run from its first to the one before the
    // lookahead (";" or END) that ended it.  The first statement starts
    // after PROGRAM and the program's name, if any.
    void Microinstruction(int dir, int firstLine, int lastLine) override {
        if (also_)
            also_->Microinstruction(dir, firstLine, lastLine);
        if (statement_.size() < 2)
            return;  // a statement has a token and its end
        size_t first = 0, end = statement_.size() - 1;
        if (statement_[0].token == KW_PROGRAM)
            ++first;
        if (first == 1 && first + 1 < end && statement_[first].token == IDENT &&
            statement_[first + 1].token != ':')
            ++first;
        words_.push_back({dir, statement_[first].line, statement_[end - 1].line, afterOrg_, org_});
        afterOrg_ = false;
    }

    void SyntaxError(int token, const std::vector<int> &expected) override {
        if (also_)
            also_->SyntaxError(token, expected);
        syntaxError_ = true;
        stoppedToken_ = firstPassTokens_;
        stoppedAt_ = lastFirst_[1];
        stoppedAt_.token = token;
        before_ = lastFirst_[0];
        expected_ = expected;
    }

    void UnknownLabel(const char *name) override {
        if (also_)
            also_->UnknownLabel(name);
        unknownNames_.push_back(name);
    }

    void UnclosedComment(bool firstPass, int line) override {
        if (also_)
            also_->UnclosedComment(firstPass, line);
        if (firstPass)
            openComment_ = line;
    }

    void UnrecognizedCharacter(bool firstPass, int line) override {
        if (also_)
            also_->UnrecognizedCharacter(firstPass, line);
        if (firstPass)
            strayLines_.push_back(line);
    }

    std::vector<WordSource> words_;          // second pass, one per microinstruction
    std::vector<Seen> numbers_;              // second pass, every NUMBER but ORG's
    std::vector<std::string> unknownNames_;  // in the order zanfo reports them
    std::vector<int> strayLines_;            // first pass, the notices' lines
    bool syntaxError_ = false;
    Seen stoppedAt_, before_;                // the lookahead the parser refused, and the token before
    size_t stoppedToken_ = 0;                // how many tokens the parser had read then
    std::vector<int> expected_;              // what it would have taken
    int openComment_ = 0;                    // line of a comment the source never closes

  private:
    AssemblyObserver *also_;        // watches the same run, or null
    Seen lastFirst_[2], lastSecond_[2];
    size_t firstPassTokens_ = 0;
    std::vector<Seen> statement_;   // second pass: the tokens since the last ";"
    bool afterSeparator_ = false;
    int previousSecond_ = -1;
    bool afterOrg_ = false;         // an ORG since the last microinstruction
    int org_ = 0;                   // its address
};

std::string Hex4(uint32_t value) {
    char text[8];
    snprintf(text, sizeof text, "%04" PRIX32, value & 0xFFFF);
    return text;
}

std::string Lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Upper(std::string text) {
    for (char &c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// The source's lines as zanfo counts them: CR LF, LF and CR each end one.
std::vector<std::string> SplitLines(const std::string &source) {
    std::vector<std::string> lines;
    std::string current;
    for (size_t i = 0; i < source.size(); ++i) {
        char c = source[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < source.size() && source[i + 1] == '\n')
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

bool IsUtf8(const std::string &text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t more;
        if (c < 0x80)
            more = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            more = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            more = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            more = 3;
        else
            return false;
        if (i + more >= text.size())
            return false;
        for (; more > 0; --more)
            if ((static_cast<unsigned char>(text[++i]) & 0xC0) != 0x80)
                return false;
    }
    return true;
}

// A source line as the listing shows it, in UTF-8: a line that is not
// UTF-8 already is read as Latin-1, and control characters other than tabs
// become "?", so that nothing in a source can drive the terminal.
std::string Shown(const std::string &line) {
    std::string text;
    for (unsigned char c : IsUtf8(line) ? line : Latin1ToUtf8(line))
        text += (c < 0x20 && c != '\t') || c == 0x7F ? '?' : static_cast<char>(c);
    return text;
}

bool IsWord(int code) { return !ReservedWord(code).empty(); }

// The grammar's token names, as a user writes them: KW_JUMP is JUMP.
std::string TokenWord(int code) {
    const char *name = TokenName(code);
    if (!name)
        return "?";
    if (IsWord(code))
        return ReservedWord(code);
    std::string n = name;
    if (n.size() == 3 && n[0] == '\'')
        return n.substr(1, 1);
    return n;
}

// What the parser would have taken, as a reader says it: the 32
// conditions and the IR registers in a group each.
std::string ExpectedText(const std::vector<int> &codes) {
    auto all = [&codes](int from, int to) {
        for (int code = from; code <= to; ++code)
            if (std::find(codes.begin(), codes.end(), code) == codes.end())
                return false;
        return true;
    };
    const bool conditions = all(COND_UZ, COND_MUSE), ira = all(REG_IRA0, REG_IRA3), irb = all(REG_IRB0, REG_IRB3);
    std::vector<std::string> parts;
    for (int code : codes) {
        if (code == 0)
            parts.push_back("the end of the file");
        else if (code == NUMBER)
            parts.push_back("a number");
        else if (code == IDENT)
            parts.push_back("a name");
        else if (code == REG)
            parts.push_back("a register R0..R63");
        else if (conditions && code >= COND_UZ && code <= COND_MUSE)
            code == COND_UZ ? parts.push_back("a condition (UZ, NUZ, ...)") : void();
        else if (ira && code >= REG_IRA0 && code <= REG_IRA3)
            code == REG_IRA0 ? parts.push_back("IRA0..IRA3") : void();
        else if (irb && code >= REG_IRB0 && code <= REG_IRB3)
            code == REG_IRB0 ? parts.push_back("IRB0..IRB3") : void();
        else
            parts.push_back("\"" + TokenWord(code) + "\"");
    }
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " or " : ", ") + parts[i];
    return text;
}

std::string TokenShown(const Seen &seen) {
    if (seen.token == 0)
        return "the end of the file";
    return "\"" + seen.text + "\"";
}

// The keyword a name is most likely a misspelling of, or "".
std::string NearestKeyword(const std::string &name) {
    std::string best;
    if (name.size() < 3)
        return best;
    size_t bestDistance = name.size() >= 5 ? 2 : 1;
    for (int code = KW_PROGRAM; TokenName(code); ++code) {
        if (!IsWord(code))
            continue;
        std::string word = TokenWord(code);
        size_t d = SpellingDistance(name, word);
        if (d <= bestDistance && (best.empty() || d < bestDistance)) {
            best = word;
            bestDistance = d;
        }
    }
    return best;
}

class Printer {
  public:
    Printer(const std::string &source, const Assembly &assembly, const Watcher &watch)
        : lines_(SplitLines(source)), assembly_(assembly), watch_(watch) {}

    // The rows under the source lines, by line: zanfo's messages each
    // followed by the listing's notes on it, the notices, the warnings.
    const std::vector<Message> &Notes() {
        if (!placed_) {
            PlaceDiagnostics();
            PlaceNotices();
            PlaceWarnings();
            std::stable_sort(messages_.begin(), messages_.end(),
                             [](const Message &a, const Message &b) { return a.line < b.line; });
            placed_ = true;
        }
        return messages_;
    }

    std::string Run() {
        Notes();
        std::string out;
        size_t word = 0;
        const std::vector<std::string> mic = MicLines();
        const int last = static_cast<int>(lines_.size());
        for (int n = 1; n <= last; ++n) {
            // The words whose statements start on this line: the first
            // beside it, any more on rows of their own below.
            std::vector<std::string> words;
            for (; word < mic.size() && word < watch_.words_.size() && watch_.words_[word].firstLine <= n; ++word)
                words.push_back(mic[word]);
            char number[16];
            snprintf(number, sizeof number, "  %5d  ", n);
            out += (words.empty() ? std::string(21, ' ') : words[0]) + number + Shown(lines_[n - 1]) + "\n";
            for (size_t k = 1; k < words.size(); ++k)
                out += words[k] + "\n";
            out += MessagesAt(n, n == last);
        }
        for (; word < mic.size(); ++word)
            out += mic[word] + "\n";
        if (last == 0)
            out += MessagesAt(0, true);
        if (assembly_.stopped)
            out += std::string(kIndent, ' ') + "fatal: " + Latin1ToUtf8(Fatal()) +
                   " (zanfo stops here, with exit status 2)\n";
        return out + Symbols();
    }

  private:
    std::vector<std::string> MicLines() const {
        std::vector<std::string> out;
        for (size_t pos = 0; pos + 21 <= assembly_.mic.size(); pos += 22)
            out.push_back(assembly_.mic.substr(pos, 21));
        return out;
    }

    void Add(int line, const std::string &text) { messages_.push_back({line, text}); }

    // zanfo's own lines, each followed by what the listing knows more.
    void PlaceDiagnostics() {
        size_t unknown = 0;
        for (const Diagnostic &d : SplitDiagnostics(assembly_.diagnostics)) {
            if (!d.numbered)
                continue;  // the scanner's fatal message, shown at the end
            int line = d.line;
            Add(line, Latin1ToUtf8(d.text));
            const std::string &message = d.message;
            if (message == msgUnknownIdentifier && unknown < watch_.unknownNames_.size())
                NoteUnknownName(line, watch_.unknownNames_[unknown++]);
            else if (message == msgParseError && watch_.syntaxError_)
                NoteSyntaxError(line);
        }
    }

    // The scanner's message when it could not go on: the rows that are no
    // "error:" line.
    std::string Fatal() const {
        std::string text;
        for (const Diagnostic &d : SplitDiagnostics(assembly_.diagnostics))
            if (!d.numbered)
                text += d.text;
        return text;
    }

    void NoteUnknownName(int line, const std::string &name) {
        std::string best;
        size_t bestDistance = 0;
        for (const auto &label : assembly_.labels) {
            size_t d = SpellingDistance(name, label.first);
            if (best.empty() || d < bestDistance) {
                best = label.first;
                bestDistance = d;
            }
        }
        if (best.empty())
            Add(line, "note: \"" + name + "\" is no label, and the program has none");
        else
            Add(line, "note: \"" + name + "\" is no label; the nearest by spelling is \"" + best + "\" (" +
                          Hex4(static_cast<uint32_t>(LabelAddress(best))) + ")");
    }

    // True when a ";" at the end of line `end` takes the parser past the
    // token it stopped at: the statement there was the next one.
    bool MendedBySemicolon(int end) const {
        std::string mended;
        for (size_t i = 0; i < lines_.size(); ++i)
            mended += lines_[i] + (static_cast<int>(i) + 1 == end ? ";\n" : "\n");
        Watcher watch;
        Assembly again = AssembleText(mended, &watch);
        return again.parsed || (watch.syntaxError_ && watch.stoppedToken_ > watch_.stoppedToken_ + 1);
    }

    int LabelAddress(const std::string &name) const {
        for (const auto &label : assembly_.labels)
            if (label.first == name)
                return label.second;
        return 0;
    }

    void NoteSyntaxError(int line) {
        const Seen &at = watch_.stoppedAt_, &before = watch_.before_;
        Add(line, "note: the parser stopped at " + TokenShown(at) + " on line " + std::to_string(at.line) +
                      "; there it takes " + ExpectedText(watch_.expected_));
        for (const Seen *name : {&before, &at}) {
            if (name->token != IDENT)
                continue;
            std::string keyword = NearestKeyword(name->text);
            if (!keyword.empty())
                Add(line, "hint: \"" + name->text + "\" is no keyword; did you mean " + keyword + "?");
        }
        if (at.token == KW_END && before.token == ';')
            Add(line, "hint: \";\" stands between statements, not after the last one: remove the one before END");
        else if (before.token > 0 && at.token > 0 && at.line > before.line && MendedBySemicolon(before.line))
            Add(line, "hint: a \";\" is missing at the end of line " + std::to_string(before.line));
        if (at.token == 0 && watch_.openComment_)
            Add(line, "hint: the comment opened on line " + std::to_string(watch_.openComment_) +
                          " is never closed: it runs to the end of the file");
        else if (at.token == 0)
            Add(line, "hint: the program ends without END");
    }

    // Each notice of the first pass at its line; the second pass repeats them.
    void PlaceNotices() {
        size_t pos = 0;
        for (int line : watch_.strayLines_) {
            size_t end = assembly_.notices.find('\n', pos);
            if (end == std::string::npos)
                break;
            Add(line, Latin1ToUtf8(assembly_.notices.substr(pos, end - pos)));
            pos = end + 1;
        }
    }

    // What zanfo does without a word.
    void PlaceWarnings() {
        for (const Seen &number : watch_.numbers_)
            if (TooBig(number.text))
                Add(number.line, "warning: " + number.text +
                                     " does not fit the 16-bit ConstantAddr field: zanfo cuts it to its low 16 bits");
        std::map<uint32_t, int> firstAt;
        bool quiet = false;  // said already since the last ORG, or zanfo says it
        for (const WordSource &w : watch_.words_) {
            if (w.afterOrg)
                quiet = w.org > kLastAddress;  // zanfo reports such an ORG itself
            if ((w.dir < 0 || w.dir > kLastAddress) && !quiet) {
                std::string address = Hex4(static_cast<uint32_t>(w.dir));
                Add(w.firstLine, w.dir < 0 ? "warning: the ORG's number wraps around to a negative address: "
                                             "this microinstruction goes to " + address +
                                                 ", and its labels are unknown to jumps"
                                           : "warning: microinstructions counted past " +
                                                 std::to_string(kLastAddress) + " without an ORG: this one goes to " +
                                                 address + ", outside the 4096-word control store");
                quiet = true;
            }
            uint32_t address = static_cast<uint32_t>(w.dir) & 0xFFFF;
            auto first = firstAt.emplace(address, w.firstLine);
            if (!first.second)
                Add(w.firstLine, "warning: a second microinstruction at address " + Hex4(address) +
                                     " (the first is on line " + std::to_string(first.first->second) +
                                     "): the ORG before it goes back");
        }
    }

    // A number above 65535, however it is written.
    static bool TooBig(const std::string &text) {
        unsigned base = text[0] == '$' ? 16 : text[0] == '%' ? 8 : 10;
        uint64_t value = 0;
        for (size_t i = base == 10 ? 0 : 1; i < text.size(); ++i) {
            int digit = isdigit(static_cast<unsigned char>(text[i]))
                            ? text[i] - '0'
                            : tolower(static_cast<unsigned char>(text[i])) - 'a' + 10;
            value = value * base + static_cast<unsigned>(digit);
            if (value > 0xFFFF)
                return true;
        }
        return false;
    }

    // The messages of `line` (and, for the last line, of any line after
    // it), in the order they were found; lines are asked for in order.
    std::string MessagesAt(int line, bool last) {
        std::string out;
        for (; next_ < messages_.size() && (messages_[next_].line <= line || last); ++next_)
            out += std::string(kIndent, ' ') + messages_[next_].text + "\n";
        return out;
    }

    std::string Symbols() const {
        std::string out = "\nLabels:\n";
        if (assembly_.labels.empty())
            out += "    (none)\n";
        for (const auto &label : assembly_.labels) {
            char row[64];
            snprintf(row, sizeof row, "    %-16s %s\n", label.first.c_str(),
                     Hex4(static_cast<uint32_t>(label.second)).c_str());
            out += row;
        }
        out += "Equates:\n";
        if (assembly_.equates.empty())
            out += "    (none)\n";
        for (const auto &equate : assembly_.equates) {
            char row[64];
            snprintf(row, sizeof row, "    %-16s %s\n", equate.first.c_str(), Upper(equate.second).c_str());
            out += row;
        }
        return out;
    }

    std::vector<std::string> lines_;
    const Assembly &assembly_;
    const Watcher &watch_;
    std::vector<Message> messages_;  // by line, once Notes has sorted them
    bool placed_ = false;            // Notes has run
    size_t next_ = 0;                // the first not yet printed
};

}  // namespace

size_t SpellingDistance(const std::string &a, const std::string &b) {
    const std::string x = Lower(a), y = Lower(b);
    std::vector<std::vector<size_t>> d(x.size() + 1, std::vector<size_t>(y.size() + 1));
    for (size_t i = 0; i <= x.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= y.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= x.size(); ++i)
        for (size_t j = 1; j <= y.size(); ++j) {
            size_t cost = x[i - 1] == y[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[x.size()][y.size()];
}

Listing ListSource(const std::string &source) {
    Watcher watch;
    Assembly assembly = AssembleText(source, &watch);
    Listing listing;
    listing.clean = assembly.parsed && !assembly.stopped && assembly.diagnostics.empty() &&
                    assembly.notices.empty();
    listing.text = Printer(source, assembly, watch).Run();
    return listing;
}

std::vector<ListingNote> NoteSource(const std::string &source, Assembly *assembly, AssemblyObserver *also) {
    Watcher watch(also);
    *assembly = AssembleText(source, &watch);
    Printer printer(source, *assembly, watch);
    std::vector<ListingNote> notes;
    for (const Message &message : printer.Notes())
        notes.push_back({message.line, message.text});
    return notes;
}
