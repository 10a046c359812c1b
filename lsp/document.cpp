// zanfo-lsp: one run of zanfo over a document, and what it tells.
#include "document.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "cli.h"
#include "errors.h"
#include "check.h"
#include "notes.h"
#include "observe.h"
#include "zanfo.h"

namespace {

// Watches zanfo's run for the notes (NoteWatcher), and for what they do
// not keep: where each token, stray character and unknown name stands.
class TokenRecorder : public NoteWatcher {
  public:
    void Token(bool firstPass, int token, int line, const char *text, int value) override {
        NoteWatcher::Token(firstPass, token, line, text, value);
        last_ = token;
        if (!firstPass) {
            ++secondPassTokens_;
            return;
        }
        if (token != END_OF_INPUT)
            tokens.push_back({token, MatchOffset(), text});
    }

    void SyntaxError(int token, const std::vector<int> &expected) override {
        NoteWatcher::SyntaxError(token, expected);
        stoppedIndex = last_ == END_OF_INPUT ? -1 : static_cast<int>(tokens.size()) - 1;
    }

    // The name is one of the last tokens read (the parser may have read
    // the one after it): the same token of the first pass.
    void UnknownLabel(const char *name) override {
        NoteWatcher::UnknownLabel(name);
        int found = -1;
        for (size_t back = 1; back <= 3 && back <= secondPassTokens_ && found < 0; ++back) {
            const size_t index = secondPassTokens_ - back;
            if (index < tokens.size() && tokens[index].code == IDENT && SymbolKey(tokens[index].text) == SymbolKey(name))
                found = static_cast<int>(index);
        }
        unknownTokens.push_back(found);
    }

    void UnrecognizedCharacter(bool firstPass, int line) override {
        NoteWatcher::UnrecognizedCharacter(firstPass, line);
        if (firstPass)
            strayOffsets.push_back(MatchOffset());
    }

    struct Seen {
        int code;          // token code
        long long offset;  // first byte in the source
        std::string text;  // as written
    };
    std::vector<Seen> tokens;          // first pass
    int stoppedIndex = -1;               // the token the parser refused; -1: the end of the source
    std::vector<int> unknownTokens;      // per unknown label reported, its token or -1
    std::vector<long long> strayOffsets; // first pass: the stray characters' offsets

  private:
    int last_ = -1;                    // the last token read
    size_t secondPassTokens_ = 0;
};

std::string Upper(std::string text) {
    for (char &c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

bool IsRegisterToken(int code) { return code == REG || (code >= REG_IRA0 && code <= REG_RQ); }

// A register token written as itself (R5, IRA2, rq), not through an EQU name.
bool WrittenAsRegister(const SourceToken &token) {
    if (Upper(token.text) == ReservedWord(token.code))
        return true;
    const std::string &t = token.text;
    return token.code == REG && t.size() >= 2 && (t[0] == 'R' || t[0] == 'r') &&
           std::all_of(t.begin() + 1, t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class Reader {
  public:
    Reader(const std::string &source, Analysis &analysis) : source_(source), a_(analysis), starts_(LineStarts(source)) {}

    Place PlaceOf(long long offset) const {
        const size_t at = static_cast<size_t>(std::max(0LL, offset));
        const auto next = std::upper_bound(starts_.begin(), starts_.end(), at);
        const size_t line = static_cast<size_t>(next - starts_.begin()) - 1;
        return {static_cast<int>(line), static_cast<int>(at - starts_[line])};
    }

    int LastLine() const { return static_cast<int>(starts_.size()) - 1; }

    int LineLength(int line) const {
        const size_t start = starts_[static_cast<size_t>(line)];
        size_t end = static_cast<size_t>(line) + 1 < starts_.size() ? starts_[static_cast<size_t>(line) + 1] : source_.size();
        while (end > start && (source_[end - 1] == '\n' || source_[end - 1] == '\r'))
            --end;
        return static_cast<int>(end - start);
    }

    // The tokens come in source order: their lines are found walking on.
    void Tokens(const TokenRecorder &recorder) {
        a_.tokens.reserve(recorder.tokens.size());
        size_t line = 0;
        for (const auto &seen : recorder.tokens) {
            const size_t at = static_cast<size_t>(seen.offset);
            while (line + 1 < starts_.size() && starts_[line + 1] <= at)
                ++line;
            a_.tokens.push_back({seen.code, {static_cast<int>(line), static_cast<int>(at - starts_[line])},
                                 static_cast<int>(seen.text.size()), seen.text});
        }
    }

    void Words() {
        const std::string &mic = a_.assembly.mic;
        size_t n = 0;
        for (size_t pos = 0; pos + 21 <= mic.size() && n < a_.assembly.words.size(); pos += 22, ++n) {
            const Assembly::Word &w = a_.assembly.words[n];
            a_.words.push_back({w.address, strtoull(mic.substr(pos + 5, 16).c_str(), nullptr, 16),
                                std::min(w.firstLine - 1, LastLine()), std::min(w.lastLine - 1, LastLine())});
        }
    }

    void Symbols() {
        std::map<std::string, int> labelAt, equateAt;
        for (const auto &label : a_.assembly.labels)
            labelAt[label.first] = label.second;
        std::vector<int> names;  // IDENTs that may name a label
        const auto &t = a_.tokens;
        for (size_t i = 0; i < t.size(); ++i) {
            const int previous = i > 0 ? t[i - 1].code : -1;
            const bool colon = i + 1 < t.size() && t[i + 1].code == ':';
            if (t[i].code == IDENT && colon)
                Name(SymbolKind::Label, static_cast<int>(i), true);
            else if (t[i].code == IDENT && previous == KW_EQU)
                Name(SymbolKind::Equate, static_cast<int>(i), true);
            else if (t[i].code == IDENT && previous != KW_PROGRAM)
                names.push_back(static_cast<int>(i));
            else if (IsRegisterToken(t[i].code) && !WrittenAsRegister(t[i]))
                Name(SymbolKind::Equate, static_cast<int>(i), false);
        }
        for (int i : names)
            Name(SymbolKind::Label, i, false);
        for (Symbol &symbol : a_.symbols) {
            if (symbol.kind == SymbolKind::Label && labelAt.count(symbol.key))
                symbol.address = labelAt[symbol.key];
            for (const auto &equate : a_.assembly.equates)
                if (symbol.kind == SymbolKind::Equate && equate.first == symbol.key)
                    symbol.reg = Upper(equate.second);
        }
    }

    // The tokens on `line` (from 0): [first, end) of the tokens.
    std::pair<int, int> LineTokens(int line) const {
        const auto &t = a_.tokens;
        const auto first = std::lower_bound(t.begin(), t.end(), line,
                                            [](const SourceToken &token, int l) { return token.place.line < l; });
        const auto end = std::upper_bound(first, t.end(), line,
                                          [](int l, const SourceToken &token) { return l < token.place.line; });
        return {static_cast<int>(first - t.begin()), static_cast<int>(end - t.begin())};
    }

    // The characters of zanfo line `line` (from 1) that hold tokens, or the
    // whole line when none does.
    std::pair<Place, Place> LineRange(int line) const {
        const int at = std::min(std::max(line - 1, 0), LastLine());
        const std::pair<int, int> tokens = LineTokens(at);
        if (tokens.first == tokens.second)
            return {{at, 0}, {at, LineLength(at)}};
        const SourceToken &last = a_.tokens[static_cast<size_t>(tokens.second - 1)];
        return {{at, a_.tokens[static_cast<size_t>(tokens.first)].place.column},
                {at, last.place.column + last.length}};
    }

    std::pair<Place, Place> TokenRange(int index) const {
        const SourceToken &token = a_.tokens[static_cast<size_t>(index)];
        return {token.place, {token.place.line, token.place.column + token.length}};
    }

    std::pair<Place, Place> EndRange() const {
        const Place end{LastLine(), LineLength(LastLine())};
        return {end, end};
    }

    // zanfo's messages, each with its explanation and the notes on it as
    // zanfo-dump --listing shows them ("note: ...", "hint: ..."), at the
    // token they are about where one is known, else at their line.
    // `scanned` is ScanOffset() right after the run.
    void Messages(const std::vector<ExplainedMessage> &messages, const TokenRecorder &recorder, long long scanned) {
        size_t unknown = 0, stray = 0;
        for (const ExplainedMessage &m : messages) {
            std::pair<Place, Place> range = LineRange(m.line);
            EditorDiagnostic d{range.first, range.second, DiagnosticSeverity::Error, "zanfo", "", Latin1ToUtf8(m.message)};
            if (m.kind == ExplainedMessage::Fatal) {
                // The scanner could not go on: from the token it could not
                // take to the end of its line.
                const Place at = PlaceOf(scanned);
                range = {at, {at.line, std::max(at.column, LineLength(at.line))}};
                d.message += " (zanfo stops here, with exit status 2)";
            } else if (m.kind == ExplainedMessage::Notice) {
                d.severity = DiagnosticSeverity::Warning;
                if (stray < recorder.strayOffsets.size()) {
                    const Place at = PlaceOf(recorder.strayOffsets[stray++]);
                    range = {at, {at.line, at.column + 1}};
                }
            } else if (m.message == msgParseError) {
                range = recorder.stoppedIndex >= 0 ? TokenRange(recorder.stoppedIndex) : EndRange();
            } else if (m.message == msgUnknownIdentifier && unknown < recorder.unknownTokens.size() &&
                       recorder.unknownTokens[unknown++] >= 0) {
                range = TokenRange(recorder.unknownTokens[unknown - 1]);
            }
            if (m.explanation)
                d.message += std::string("\nnote: ") + m.explanation;
            for (const MessageNote &note : m.notes)
                d.message += (note.hint ? "\nhint: " : "\nnote: ") + note.text;
            d.from = range.first;
            d.to = range.second;
            a_.diagnostics.push_back(std::move(d));
        }
    }

    // zanfo-check's warnings (its errors are zanfo's messages, above), each
    // with the check's name as its code, on the tokens of its line; a
    // constant cut to 16 bits on the number itself, which its message
    // begins with.
    void Checks(const std::vector<Finding> &findings) {
        for (const Finding &f : findings) {
            if (f.severity != Severity::Warning)
                continue;
            std::pair<Place, Place> range = LineRange(f.line);
            if (f.check == "constant-range") {
                const std::string number = f.message.substr(0, f.message.find(' '));
                for (int i = LineTokens(range.first.line).first; i < LineTokens(range.first.line).second; ++i)
                    if (a_.tokens[static_cast<size_t>(i)].code == NUMBER && a_.tokens[static_cast<size_t>(i)].text == number)
                        range = TokenRange(i);
            }
            a_.diagnostics.push_back({range.first, range.second, DiagnosticSeverity::Warning, "zanfo-check", f.check,
                                      f.message});
        }
    }

  private:
    // Token `index` names a label or an EQU name; a use of a name that
    // nothing defines names nothing.
    void Name(SymbolKind kind, int index, bool definition) {
        const std::string key = SymbolKey(a_.tokens[static_cast<size_t>(index)].text);
        auto &known = kind == SymbolKind::Label ? labels_ : equates_;
        auto found = known.find(key);
        if (found == known.end() && !definition)
            return;
        int symbol;
        if (found == known.end()) {
            a_.symbols.push_back({kind, key, index, {}, -1, ""});
            symbol = static_cast<int>(a_.symbols.size()) - 1;
            known[key] = symbol;
        } else {
            symbol = found->second;
            a_.symbols[static_cast<size_t>(symbol)].uses.push_back(index);
        }
        a_.symbolOfToken[static_cast<size_t>(index)] = symbol;
    }

    const std::string &source_;
    Analysis &a_;
    std::vector<size_t> starts_;  // of the source's lines
    std::map<std::string, int> labels_, equates_;  // key -> symbol
};

}  // namespace

std::string SymbolKey(const std::string &name) {
    std::string key = name.substr(0, 15);
    for (char &c : key)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return key;
}

int Analysis::TokenAt(Place place) const {
    auto after = std::upper_bound(tokens.begin(), tokens.end(), place, [](Place p, const SourceToken &t) {
        return p.line < t.place.line || (p.line == t.place.line && p.column < t.place.column);
    });
    // The token starting at or before the place, or the one just before
    // that when the place ends it.
    for (int back = 1; back <= 2 && after - tokens.begin() >= back; ++back) {
        const SourceToken &t = *(after - back);
        if (t.place.line == place.line && place.column >= t.place.column && place.column <= t.place.column + t.length)
            return static_cast<int>(after - tokens.begin()) - back;
    }
    return -1;
}

int Analysis::SymbolOf(int index) const {
    return index >= 0 && static_cast<size_t>(index) < symbolOfToken.size() ? symbolOfToken[static_cast<size_t>(index)]
                                                                          : -1;
}

int Analysis::FindSymbol(SymbolKind kind, const std::string &key) const {
    for (size_t i = 0; i < symbols.size(); ++i)
        if (symbols[i].kind == kind && symbols[i].key == key)
            return static_cast<int>(i);
    return -1;
}

std::vector<const SourceWord *> Analysis::WordsAt(int line) const {
    std::vector<const SourceWord *> found;
    for (const SourceWord &w : words)
        if (w.firstLine <= line && line <= w.lastLine)
            found.push_back(&w);
    return found;
}

std::string Analysis::LabelAt(int address) const {
    for (const auto &label : assembly.labels)
        if (label.second == address)
            return label.first;
    return "";
}

Analysis Analyze(const std::string &latin1, const std::vector<Unencodable> &unencodable) {
    Analysis analysis;
    TokenRecorder recorder;
    CheckWatcher checks;
    ObserverPair both(recorder, checks);
    analysis.assembly = AssembleText(latin1, &both);
    const long long scanned = ScanOffset();  // before the notes assemble again
    Reader reader(latin1, analysis);
    reader.Tokens(recorder);
    analysis.symbolOfToken.assign(analysis.tokens.size(), -1);
    reader.Words();
    reader.Symbols();
    reader.Messages(ExplainMessages(latin1, analysis.assembly, recorder), recorder, scanned);
    for (const Unencodable &u : unencodable) {
        char code[16];
        snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(u.code));
        std::string character;
        AppendUtf8(u.code, &character);
        analysis.diagnostics.push_back({u.place, {u.place.line, u.place.column + 1}, DiagnosticSeverity::Warning,
                                        "zanfo-lsp", "latin1",
                                        std::string(code) + " \"" + character +
                                            "\" is not in ISO-8859-1: saved as Latin-1 it becomes \"?\", "
                                            "and zanfo reads it so"});
    }
    reader.Checks(CheckAssembly(analysis.assembly, checks));
    // By line, and on a line errors first, as zanfo-check and the listing
    // order them.
    std::stable_sort(analysis.diagnostics.begin(), analysis.diagnostics.end(),
                     [](const EditorDiagnostic &a, const EditorDiagnostic &b) {
                         return a.from.line != b.from.line ? a.from.line < b.from.line : a.severity < b.severity;
                     });
    return analysis;
}
