// zanfo's messages for one program, explained (notes.h).
//
// The parser's stop is where most time goes: zanfo says "parse error" and
// nothing more.  The watcher keeps the tokens before the stop and what the
// grammar would have taken there, which says most causes: a keyword or a
// register where a name must stand (a label "loop:", "EQU loop R1"), a
// number where a register must stand, a misspelt keyword, a ";" too many
// or too few, a comment that never ends.
#include "notes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "errors.h"
#include "explain.h"
#include "zanfo.h"

void NoteWatcher::Token(bool firstPass, int token, int line, const char *text, int) {
    if (!firstPass)
        return;  // the parser stops in the first pass, or not at all
    last_[0] = last_[1];
    last_[1] = last_[2];
    last_[2] = SeenToken{token, line, text};
    ++firstPassTokens_;
}

void NoteWatcher::SyntaxError(int token, const std::vector<int> &expectedCodes) {
    syntaxError = true;
    stoppedToken = firstPassTokens_;
    stoppedAt = last_[2];  // the lookahead has been read: it is the last token seen
    stoppedAt.token = token;
    before[0] = last_[0];
    before[1] = last_[1];
    expected = expectedCodes;
}

void NoteWatcher::UnknownLabel(const char *name) { unknownNames.push_back(name); }

void NoteWatcher::UnclosedComment(bool firstPass, int line) {
    if (firstPass)
        openComment = line;
}

void NoteWatcher::UnrecognizedCharacter(bool firstPass, int line) {
    if (firstPass)
        strayLines.push_back(line);
}

namespace {

std::string Lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

bool StartsWith(const char *text, const char *prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

// The language's own words: keywords, conditions, and the registers that
// have a word of their own (RQ, IRA0...); not R0..R63, nor EQU names.
bool IsWord(int code) { return !ReservedWord(code).empty(); }

// The grammar's token names, as a user writes them: KW_JUMP is JUMP.
std::string TokenWord(int code) {
    if (IsWord(code))
        return ReservedWord(code);
    const char *name = TokenName(code);
    if (!name)
        return "?";
    std::string n = name;
    if (n.size() == 3 && n[0] == '\'')
        return n.substr(1, 1);
    return n;
}

bool Takes(const std::vector<int> &codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// What the parser would have taken, as a reader says it: the 32
// conditions and the IR registers in a group each.
std::string ExpectedText(const std::vector<int> &codes) {
    auto all = [&codes](int from, int to) {
        for (int code = from; code <= to; ++code)
            if (!Takes(codes, code))
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

std::string TokenShown(const SeenToken &seen) {
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

// A name near enough to `name` to be what was meant: two letters off for
// five letters or more, one for fewer, and never most of the name.
bool Near(const std::string &name, size_t distance) {
    return distance <= (name.size() >= 5 ? 2u : 1u) && 2 * distance < name.size();
}

std::string Upper(std::string text) {
    for (char &c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// What a token that stands where a name must is: a word of the language,
// a register R0..R63, or an EQU name (which the scanner gives as its
// register), as the start of a hint; "" when it is none of them.
std::string WhatItIs(const SeenToken &seen, const Assembly &assembly) {
    const std::string quoted = "\"" + seen.text + "\"";
    if (IsWord(seen.token)) {
        const char *name = TokenName(seen.token);
        const char *kind = StartsWith(name, "COND_")  ? " is the condition "
                           : StartsWith(name, "REG_") ? " is the register "
                                                      : " is the keyword ";
        return quoted + kind + TokenWord(seen.token);
    }
    if (seen.token != REG)
        return "";
    for (const auto &equate : assembly.equates)
        if (equate.first == Lower(seen.text))
            return quoted + " is already the EQU name of " + Upper(equate.second);
    return quoted + " is a register";
}

// A name to offer instead of a keyword: "loop1" for LOOP; "" when the word
// is a register (R1 gives R11) or an EQU name.
std::string OtherName(const SeenToken &seen) {
    if (!IsWord(seen.token) || StartsWith(TokenName(seen.token), "REG_"))
        return "";
    return Lower(seen.text) + "1";
}

class Explainer {
  public:
    Explainer(const std::string &source, const Assembly &assembly, const NoteWatcher &watch)
        : source_(source), assembly_(assembly), watch_(watch) {}

    std::vector<ExplainedMessage> Run() {
        std::vector<ExplainedMessage> out;
        size_t unknown = 0;
        for (const Diagnostic &d : SplitDiagnostics(assembly_.diagnostics)) {
            ExplainedMessage m{d.numbered ? ExplainedMessage::Error : ExplainedMessage::Fatal, d.line, d.message,
                               ExplainMessage(d.message), {}};
            notes_ = &m.notes;
            if (d.numbered && d.message == msgUnknownIdentifier && unknown < watch_.unknownNames.size())
                UnknownName(watch_.unknownNames[unknown++]);
            else if (d.numbered && d.message == msgParseError && watch_.syntaxError)
                SyntaxError();
            out.push_back(std::move(m));
        }
        // Each notice of the first pass at its line; the second pass repeats them.
        size_t pos = 0;
        for (int line : watch_.strayLines) {
            size_t end = assembly_.notices.find('\n', pos);
            if (end == std::string::npos)
                break;
            std::string notice = assembly_.notices.substr(pos, end - pos);
            out.push_back({ExplainedMessage::Notice, line, notice, ExplainMessage(notice), {}});
            pos = end + 1;
        }
        return out;
    }

  private:
    void Note(const std::string &text) { notes_->push_back({false, text}); }
    void Hint(const std::string &text) { notes_->push_back({true, text}); }

    // The label meant, when one is spelt nearly so; else the labels there are.
    void UnknownName(const std::string &name) {
        std::string best;
        size_t bestDistance = 0;
        for (const auto &label : assembly_.labels) {
            size_t d = SpellingDistance(name, label.first);
            if (best.empty() || d < bestDistance) {
                best = label.first;
                bestDistance = d;
            }
        }
        if (best.empty()) {
            Note("\"" + name + "\" is no label, and the program has none");
        } else if (Near(name, bestDistance)) {
            char address[8];
            snprintf(address, sizeof address, "%04X", static_cast<unsigned>(LabelAddress(best)) & 0xFFFF);
            Note("\"" + name + "\" is no label; the nearest by spelling is \"" + best + "\" (" + address + ")");
        } else {
            std::string labels;
            size_t shown = 0;
            for (const auto &label : assembly_.labels)
                if (shown++ < 8)
                    labels += (labels.empty() ? "" : ", ") + label.first;
            if (assembly_.labels.size() > 8)
                labels += ", ...";
            Note("\"" + name + "\" is no label, nor spelt like one of the program's: " + labels);
        }
    }

    int LabelAddress(const std::string &name) const {
        for (const auto &label : assembly_.labels)
            if (label.first == name)
                return label.second;
        return 0;
    }

    void SyntaxError() {
        const SeenToken &at = watch_.stoppedAt, &before = watch_.before[1], &earlier = watch_.before[0];
        Note("the parser stopped at " + TokenShown(at) + " on line " + std::to_string(at.line) + "; there it takes " +
             ExpectedText(watch_.expected));
        for (const SeenToken *name : {&before, &at}) {
            if (name->token != IDENT)
                continue;
            std::string keyword = NearestKeyword(name->text);
            if (!keyword.empty())
                Hint("\"" + name->text + "\" is no keyword; did you mean " + keyword + "?");
        }
        NameHints(at, before);
        NumberHint(at, before, earlier);
        if (at.token == KW_END && before.token == ';')
            Hint("\";\" stands between statements, not after the last one: remove the one before END");
        else if (before.token > 0 && at.token > 0 && at.line > before.line && MendedBySemicolon(before.line))
            Hint("a \";\" is missing at the end of line " + std::to_string(before.line));
        if (at.token == 0 && watch_.openComment)
            Hint("the comment opened on line " + std::to_string(watch_.openComment) +
                 " is never closed: it runs to the end of the file");
        else if (at.token == 0)
            Hint("the program ends without END");
    }

    // A word of the language, a register or an EQU name where a name must
    // stand: a label ("loop:"), a jump target ("JUMP(halt)") or a new EQU
    // name ("EQU loop R1").
    void NameHints(const SeenToken &at, const SeenToken &before) {
        const SeenToken *label = at.token == ':' ? &before : ColonAfter(at) ? &at : nullptr;
        if (label) {
            std::string what = WhatItIs(*label, assembly_);
            if (what.empty())
                return;
            std::string other = OtherName(*label);
            Hint(what + ", so it cannot be a label: " +
                 (other.empty() ? "give the label a name of its own"
                                : "call the label something else, such as " + other + ", here and in its jumps"));
            return;
        }
        if (!Takes(watch_.expected, IDENT))
            return;
        std::string what = WhatItIs(at, assembly_);
        if (what.empty())
            return;
        std::string other = OtherName(at);
        std::string such = other.empty() ? "" : ", such as " + other;
        if (before.token == KW_EQU)
            Hint(what + ", so it cannot be a new EQU name: choose another name" + such);
        else if (before.token == '(')
            Hint(what + ", so it cannot name a label: rename the label" + such + ", here and where it stands");
        else
            Hint(what + ", where the parser takes a name: choose another name" + such);
    }

    // Whether a ":" follows the token on its line: a statement cannot start
    // with a condition, so the parser stops at "UZ" of "UZ: NOP" itself.
    bool ColonAfter(const SeenToken &seen) const {
        if (seen.token <= 0 || seen.text.empty())
            return false;
        size_t start = 0;
        for (int n = 1; n < seen.line && start != std::string::npos; ++n) {
            start = source_.find_first_of("\r\n", start);
            if (start != std::string::npos)
                start += source_.compare(start, 2, "\r\n") == 0 ? 2 : 1;
        }
        if (start == std::string::npos)
            return false;
        const size_t end = std::min(source_.find_first_of("\r\n", start), source_.size());
        const std::string line = Lower(source_.substr(start, end - start));
        for (size_t at = line.find(Lower(seen.text)); at != std::string::npos; at = line.find(Lower(seen.text), at + 1)) {
            size_t next = line.find_first_not_of(" \t", at + seen.text.size());
            if (next != std::string::npos && line[next] == ':')
                return true;
        }
        return false;
    }

    // A number where only a register can stand: "EQU acc 5", "INCR(5)".
    void NumberHint(const SeenToken &at, const SeenToken &before, const SeenToken &earlier) {
        if (at.token != NUMBER || Takes(watch_.expected, NUMBER) || !Takes(watch_.expected, REG))
            return;
        if (before.token == IDENT && earlier.token == KW_EQU)
            Hint("EQU names a register (EQU " + before.text + " R5), not a number: write " + at.text +
                 " itself where it is used, or keep it in a register and name that");
        else
            Hint(at.text + " is a number where a register must stand (R0..R63, RQ or an EQU name): keep the "
                 "value in a register first (R9 = " + at.text + ") and use the register");
    }

    // True when a ";" at the end of line `end` takes the parser past the
    // token it stopped at: the statement there was the next one.
    bool MendedBySemicolon(int end) const {
        std::string mended;
        size_t lineNumber = 1, start = 0;
        for (size_t i = 0; i <= source_.size(); ++i) {
            const bool ends = i == source_.size() || source_[i] == '\n' || source_[i] == '\r';
            if (!ends)
                continue;
            mended += source_.substr(start, i - start);
            if (static_cast<int>(lineNumber) == end)
                mended += ";";
            if (i < source_.size()) {
                size_t width = source_[i] == '\r' && i + 1 < source_.size() && source_[i + 1] == '\n' ? 2 : 1;
                mended += source_.substr(i, width);
                i += width - 1;
            }
            ++lineNumber;
            start = i + 1;
        }
        NoteWatcher watch;
        Assembly again = AssembleText(mended, &watch);
        return again.parsed || (watch.syntaxError && watch.stoppedToken > watch_.stoppedToken + 1);
    }

    const std::string &source_;
    const Assembly &assembly_;
    const NoteWatcher &watch_;
    std::vector<MessageNote> *notes_ = nullptr;  // the message being explained
};

}  // namespace

std::vector<ExplainedMessage> ExplainMessages(const std::string &source, const Assembly &assembly,
                                              const NoteWatcher &watch) {
    return Explainer(source, assembly, watch).Run();
}

std::vector<ExplainedMessage> ExplainSource(const std::string &source) {
    NoteWatcher watch;
    Assembly assembly = AssembleText(source, &watch);
    return ExplainMessages(source, assembly, watch);
}

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
