// zanfo-dump --listing.
//
// zanfo runs once, in memory, with an observer that records, in the second
// pass, the source lines of every microinstruction, and watches for the
// notes (notes.h: where the parser stopped, the names no label answers, the
// comment left open) and for zanfo-check (check.h: CheckAssembly).  The
// microwords are zanfo's own .mic lines, in order: the n-th line is the
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
#include "check.h"
#include "cli.h"
#include "errors.h"
#include "explain.h"
#include "notes.h"
#include "zanfo.h"

namespace {

constexpr int kIndent = 30;         // where the source text starts in a row

struct WordSource {
    int dir;        // its address, as zanfo counted it
    int firstLine;  // the lines of its statement
    int lastLine;
};

struct Message {
    int line;          // where it goes
    std::string text;  // one row, without the indent
};

class Watcher : public CheckWatcher {
  public:
    void Token(bool firstPass, int token, int line, const char *text, int value) override {
        CheckWatcher::Token(firstPass, token, line, text, value);
        if (firstPass)
            return;
        SeenToken seen{token, line, text};
        if (afterSeparator_)
            statement_.clear();
        afterSeparator_ = token == ';';
        statement_.push_back(seen);
    }

    // The statement's tokens run from its first to the one before the
    // lookahead (";" or END) that ended it.  The first statement starts
    // after PROGRAM and the program's name, if any.
    void Microinstruction(int dir, int firstLine, int lastLine) override {
        CheckWatcher::Microinstruction(dir, firstLine, lastLine);
        if (statement_.size() < 2)
            return;  // a statement has a token and its end
        size_t first = 0, end = statement_.size() - 1;
        if (statement_[0].token == KW_PROGRAM)
            ++first;
        if (first == 1 && first + 1 < end && statement_[first].token == IDENT &&
            statement_[first + 1].token != ':')
            ++first;
        sources.push_back({dir, statement_[first].line, statement_[end - 1].line});
    }

    std::vector<WordSource> sources;    // second pass, the lines of each microinstruction

  private:
    std::vector<SeenToken> statement_;  // second pass: the tokens since the last ";"
    bool afterSeparator_ = false;
};

std::string Hex4(uint32_t value) {
    char text[8];
    snprintf(text, sizeof text, "%04" PRIX32, value & 0xFFFF);
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

class Printer {
  public:
    Printer(const std::string &source, const Assembly &assembly, const Watcher &watch)
        : messages(ExplainMessages(source, assembly, watch)), lines_(SplitLines(source)), assembly_(assembly),
          watch_(watch) {}

    const std::vector<ExplainedMessage> messages;  // zanfo's, explained

    std::string Run() {
        PlaceMessages();
        PlaceWarnings();
        std::stable_sort(messages_.begin(), messages_.end(),
                         [](const Message &a, const Message &b) { return a.line < b.line; });
        std::string out;
        size_t word = 0;
        const std::vector<std::string> mic = MicLines();
        const int last = static_cast<int>(lines_.size());
        for (int n = 1; n <= last; ++n) {
            // The words whose statements start on this line: the first
            // beside it, any more on rows of their own below.
            std::vector<std::string> words;
            for (; word < mic.size() && word < watch_.sources.size() && watch_.sources[word].firstLine <= n; ++word)
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
        return out + Fatal() + Symbols();
    }

  private:
    std::vector<std::string> MicLines() const {
        std::vector<std::string> out;
        for (size_t pos = 0; pos + 21 <= assembly_.mic.size(); pos += 22)
            out.push_back(assembly_.mic.substr(pos, 21));
        return out;
    }

    void Add(int line, const std::string &text) { messages_.push_back({line, text}); }

    // zanfo's own lines, each followed by its explanation and what the
    // notes know more for this program; notices at the line of their
    // character.  The scanner's fatal message waits for the end.
    void PlaceMessages() {
        for (const ExplainedMessage &m : messages) {
            if (m.kind == ExplainedMessage::Fatal) {
                fatal_.push_back(&m);
                continue;
            }
            Add(m.line, Latin1ToUtf8(m.kind == ExplainedMessage::Error
                                         ? "error:" + std::to_string(m.line) + ":" + m.message
                                         : m.message));
            AddNotes(m.line, m);
        }
    }

    void AddNotes(int line, const ExplainedMessage &m) {
        if (m.explanation)
            Add(line, std::string("note: ") + m.explanation);
        for (const MessageNote &note : m.notes)
            Add(line, (note.hint ? "hint: " : "note: ") + note.text);
    }

    // The scanner's message when it could not go on, with its explanation.
    std::string Fatal() {
        std::string out;
        for (const ExplainedMessage *m : fatal_) {
            out += std::string(kIndent, ' ') + "fatal: " + Latin1ToUtf8(m->message) +
                   " (zanfo stops here, with exit status 2)\n";
            if (m->explanation)
                out += std::string(kIndent, ' ') + "note: " + m->explanation + "\n";
        }
        return out;
    }

    // zanfo-check's warnings (check/), each under the line it names.
    void PlaceWarnings() {
        for (const Finding &f : CheckAssembly(assembly_, watch_))
            if (f.severity == Severity::Warning)
                Add(f.line, "warning: " + f.message + " [" + f.check + "]");
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
    std::vector<Message> messages_;  // by line, once Run has sorted them
    std::vector<const ExplainedMessage *> fatal_;  // the scanner's fatal message
    size_t next_ = 0;                // the first not yet printed
};

}  // namespace

Listing ListSource(const std::string &source) {
    Watcher watch;
    Assembly assembly = AssembleText(source, &watch);
    Listing listing;
    listing.clean = assembly.parsed && !assembly.stopped && assembly.diagnostics.empty() &&
                    assembly.notices.empty();
    listing.text = Printer(source, assembly, watch).Run();
    return listing;
}

std::string ListingWithCounts(const std::string &listing, const std::map<int, uint64_t> &counts) {
    constexpr size_t kWord = 21, kNumber = 9;  // a row: the word, then "  LLLLL  " and the source
    const size_t symbols = listing.rfind("\nLabels:\n");
    const size_t bodyEnd = symbols == std::string::npos ? listing.size() : symbols + 1;
    std::string out;
    for (size_t at = 0; at < bodyEnd;) {
        const size_t end = listing.find('\n', at);
        std::string row = listing.substr(at, end - at);
        at = end + 1;
        if (row.size() > kWord) {
            std::string column(kNumber, ' ');
            const std::string number = row.substr(kWord, kNumber);
            const bool sourceRow = row.size() >= kWord + kNumber && number.compare(0, 2, "  ") == 0 &&
                                   number.compare(7, 2, "  ") == 0 && isdigit(static_cast<unsigned char>(number[6]));
            const auto count = sourceRow ? counts.find(std::stoi(number)) : counts.end();
            if (count != counts.end() && row[0] != ' ') {
                char text[32];
                snprintf(text, sizeof text, " %7" PRIu64 ":", count->second);
                column = count->second ? text : "   #####:";
            }
            row.insert(kWord, column);
        }
        out += row + "\n";
    }
    return out + listing.substr(bodyEnd);
}
