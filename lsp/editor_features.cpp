// zanfo-lsp: diagnostics, hover, names, completion, symbols and hints.
#include "editor_features.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "check.h"
#include "notation.h"
#include "protocol.h"
#include "observe.h"
#include "reserved_words.h"
#include "zanfo.h"

namespace {

// LSP's kinds, by their numbers.
constexpr int kCompletionVariable = 6, kCompletionKeyword = 14, kCompletionReference = 18,
              kCompletionEnumMember = 20, kCompletionField = 5;
constexpr int kSymbolFunction = 12, kSymbolVariable = 13;

std::string Hex4(int value) {
    char text[8];
    snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value) & 0xFFFF);
    return text;
}

std::string Hex16(uint64_t word) {
    char text[24];
    snprintf(text, sizeof text, "%016" PRIX64, word);
    return text;
}

LabelNamer NamerOf(const Analysis &a) {
    return [&a](uint32_t address) { return a.LabelAt(static_cast<int>(address)); };
}

json TokenRange(const OpenDocument &doc, int index, Units units) {
    const SourceToken &t = doc.analysis.tokens[static_cast<size_t>(index)];
    return RangeJson(doc.text, t.place, {t.place.line, t.place.column + t.length}, units);
}

json TokenLocation(const OpenDocument &doc, int index, Units units) {
    return {{"uri", doc.uri}, {"range", TokenRange(doc, index, units)}};
}

// The symbol at `place`, or -1; `token` gets the token there.
int SymbolAt(const OpenDocument &doc, Place place, int *token) {
    *token = doc.analysis.TokenAt(place);
    return doc.analysis.SymbolOf(*token);
}

// A statement's words in Markdown: address, microword, the Am2910
// instruction, zanfo's notation and every field.
std::string WordText(const Analysis &a, const SourceWord &w) {
    return "**" + Hex4(w.address) + "** `" + Hex16(w.word) + "` " + SequencerName(w.word) + "\n\n```zanfo\n" +
           DescribeWord(w.word, NamerOf(a)) + "\n```\n\n```text\n" + FieldLines(w.word) + "```\n";
}

// What a label or EQU name stands for; a label's word too, unless
// `shown` holds it already.
std::string SymbolText(const Analysis &a, const Symbol &s, const std::string &name,
                       const std::vector<const SourceWord *> &shown) {
    if (s.kind == SymbolKind::Equate) {
        std::string text = "EQU **" + name + "**: register " + (s.reg.empty() ? "unknown" : s.reg);
        for (const ReservedWordInfo &w : ReservedWords())
            if (w.word == s.reg)
                text += ", " + w.description;
        return text + "\n";
    }
    if (s.address < 0)
        return "label **" + name + "**: no address (zanfo stopped before it)\n";
    std::string text = "label **" + name + "**: address " + Hex4(s.address) + " (" + std::to_string(s.address) + ")\n";
    for (const SourceWord *w : shown)
        if (w->address == s.address)
            return text;
    for (const SourceWord &w : a.words)
        if (w.address == s.address) {
            text += "\n```zanfo\n" + DescribeWord(w.word, NamerOf(a)) + "\n```\n";
            break;
        }
    return text;
}

// What zanfo-check's warning `name` finds and why, with a program it fires
// on and the same program written right, as zanfo-check --explain gives it.
std::string CheckText(const std::string &name) {
    const CheckInfo *check = FindCheck(name);
    if (!check)
        return "";
    const char *fence = check->micExamples ? "```text\n" : "```zanfo\n";
    return "**" + name + "** (zanfo-check): " + check->summary + "\n\n" + check->explanation + "\nWrong:\n" + fence +
           check->wrong + "```\n\nRight:\n" + fence + check->right + "```\n";
}

// A name zanfo takes as a label or an EQU name: a letter, then letters,
// digits and "_", at most 15 in all, no reserved word and no "R" with
// digits.  The reason it is not, or "".
std::string NameRefusal(const std::string &name) {
    if (name.empty() || !isalpha(static_cast<unsigned char>(name[0])))
        return "\"" + name + "\" does not begin with a letter";
    for (char c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '_')
            return "\"" + name + "\" holds other characters than letters, digits and \"_\"";
    if (name.size() > 15)
        return "\"" + name + "\" is longer than the 15 characters zanfo keeps of a name";
    std::string upper = name;
    for (char &c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (const ReservedWordInfo &w : ReservedWords())
        if (w.word == upper)
            return "\"" + name + "\" is a reserved word";
    if (upper[0] == 'R' && upper.size() > 1 && upper.find_first_not_of("0123456789", 1) == std::string::npos)
        return "\"" + name + "\" is a register";
    return "";
}

}  // namespace

void OpenDocument::Analyse() {
    std::vector<Unencodable> unencodable;
    const std::string latin1 = text.Latin1(&unencodable);
    analysis = Analyze(latin1, unencodable);
}

json PositionJson(const EditorText &text, Place place, Units units) {
    return {{"line", place.line}, {"character", text.ToEditor(place, units)}};
}

json RangeJson(const EditorText &text, Place from, Place to, Units units) {
    return {{"start", PositionJson(text, from, units)}, {"end", PositionJson(text, to, units)}};
}

long long Integer(const json &value) {
    if (value.is_number_unsigned() && value.get<unsigned long long>() <= 0x7FFFFFFFFFFFFFFFull)
        return static_cast<long long>(value.get<unsigned long long>());
    if (value.is_number_integer() && !value.is_number_unsigned())
        return value.get<long long>();
    throw InvalidParams("an integer was expected, not " + value.dump());
}

Place PlaceOf(const EditorText &text, const json &position, Units units) {
    const long long line = Integer(position.at("line")), column = Integer(position.at("character"));
    if (line < 0 || column < 0)
        throw InvalidParams("a position is never negative");
    return text.FromEditor(line > text.LineCount() ? text.LineCount() : static_cast<int>(line), column, units);
}

json Diagnostics(const OpenDocument &doc, Units units) {
    json list = json::array();
    for (const EditorDiagnostic &d : doc.analysis.diagnostics) {
        json item = {{"range", RangeJson(doc.text, d.from, d.to, units)},
                     {"severity", static_cast<int>(d.severity)},
                     {"source", d.source},
                     {"message", d.message}};
        if (!d.code.empty())
            item["code"] = d.code;
        list.push_back(item);
    }
    return list;
}

json Hover(const OpenDocument &doc, Place place, Units units) {
    const Analysis &a = doc.analysis;
    int token;
    const int symbol = SymbolAt(doc, place, &token);
    const std::vector<const SourceWord *> words = a.WordsAt(place.line);
    std::string text;
    if (symbol >= 0)
        text = SymbolText(a, a.symbols[static_cast<size_t>(symbol)], a.tokens[static_cast<size_t>(token)].text, words);
    else if (token >= 0 && !DescribeToken(a.tokens[static_cast<size_t>(token)].code).empty())
        text = "**" + ReservedWord(a.tokens[static_cast<size_t>(token)].code) + "**: " +
               DescribeToken(a.tokens[static_cast<size_t>(token)].code) + "\n";
    for (const SourceWord *w : words)
        text += (text.empty() ? "" : "\n---\n\n") + WordText(a, *w);
    // What each check that warns on this line is about (the warning itself
    // is the diagnostic's message).
    std::vector<std::string> explained;
    for (const EditorDiagnostic &d : a.diagnostics)
        if (d.source == "zanfo-check" && d.from.line == place.line &&
            std::find(explained.begin(), explained.end(), d.code) == explained.end()) {
            explained.push_back(d.code);
            text += (text.empty() ? "" : "\n---\n\n") + CheckText(d.code);
        }
    if (text.empty())
        return nullptr;
    json hover = {{"contents", {{"kind", "markdown"}, {"value", text}}}};
    if (token >= 0)
        hover["range"] = TokenRange(doc, token, units);
    return hover;
}

json Definition(const OpenDocument &doc, Place place, Units units) {
    int token;
    const int symbol = SymbolAt(doc, place, &token);
    if (symbol < 0)
        return nullptr;
    return TokenLocation(doc, doc.analysis.symbols[static_cast<size_t>(symbol)].definition, units);
}

json References(const OpenDocument &doc, Place place, bool withDefinition, Units units) {
    int token;
    const int symbol = SymbolAt(doc, place, &token);
    if (symbol < 0)
        return nullptr;
    const Symbol &s = doc.analysis.symbols[static_cast<size_t>(symbol)];
    std::vector<int> tokens = s.uses;
    if (withDefinition)
        tokens.push_back(s.definition);
    std::sort(tokens.begin(), tokens.end());
    json list = json::array();
    for (int t : tokens)
        list.push_back(TokenLocation(doc, t, units));
    return list;
}

json PrepareRename(const OpenDocument &doc, Place place, Units units) {
    int token;
    if (SymbolAt(doc, place, &token) < 0)
        return nullptr;
    return {{"range", TokenRange(doc, token, units)}, {"placeholder", doc.analysis.tokens[static_cast<size_t>(token)].text}};
}

json Rename(const OpenDocument &doc, Place place, const std::string &newName, Units units, std::string *refusal) {
    int token;
    const int symbol = SymbolAt(doc, place, &token);
    if (symbol < 0)
        return nullptr;
    const Symbol &s = doc.analysis.symbols[static_cast<size_t>(symbol)];
    *refusal = NameRefusal(newName);
    const std::string key = SymbolKey(newName);
    for (const Symbol &other : doc.analysis.symbols)
        if (refusal->empty() && &other != &s && other.key == key)
            *refusal = "\"" + newName + "\" is already " +
                       (other.kind == SymbolKind::Label ? "a label" : "an EQU name") + " of this program";
    if (!refusal->empty())
        return nullptr;
    std::vector<int> tokens = s.uses;
    tokens.push_back(s.definition);
    std::sort(tokens.begin(), tokens.end());
    json edits = json::array();
    for (int t : tokens)
        edits.push_back({{"range", TokenRange(doc, t, units)}, {"newText", newName}});
    return {{"changes", {{doc.uri, edits}}}};
}

json Completion(const OpenDocument &doc) {
    json items = json::array();
    for (const ReservedWordInfo &w : ReservedWords()) {
        const int kind = w.kind == WordKind::Condition  ? kCompletionEnumMember
                         : w.kind == WordKind::Register ? kCompletionField
                                                        : kCompletionKeyword;
        items.push_back({{"label", w.word}, {"kind", kind}, {"detail", w.description}});
    }
    for (int n = 0; n <= 63; ++n)
        items.push_back({{"label", "R" + std::to_string(n)},
                         {"kind", kCompletionField},
                         {"detail", "general register " + std::to_string(n)},
                         {"sortText", "R" + std::string(n < 10 ? "0" : "") + std::to_string(n)}});
    const Analysis &a = doc.analysis;
    for (const Symbol &s : a.symbols) {
        const std::string &name = a.tokens[static_cast<size_t>(s.definition)].text;
        if (s.kind == SymbolKind::Label)
            items.push_back({{"label", name},
                             {"kind", kCompletionReference},
                             {"detail", s.address < 0 ? "label" : "label, address " + Hex4(s.address)}});
        else
            items.push_back({{"label", name},
                             {"kind", kCompletionVariable},
                             {"detail", "EQU name for " + (s.reg.empty() ? std::string("a register") : s.reg)}});
    }
    return items;
}

json DocumentSymbols(const OpenDocument &doc, Units units) {
    const Analysis &a = doc.analysis;
    json list = json::array();
    for (const Symbol &s : a.symbols) {
        const SourceToken &t = a.tokens[static_cast<size_t>(s.definition)];
        const int length = doc.text.LineLength(t.place.line);
        list.push_back({{"name", t.text},
                        {"detail", s.kind == SymbolKind::Equate ? s.reg
                                   : s.address >= 0             ? Hex4(s.address)
                                                                : ""},
                        {"kind", s.kind == SymbolKind::Label ? kSymbolFunction : kSymbolVariable},
                        {"range", RangeJson(doc.text, {t.place.line, 0}, {t.place.line, length}, units)},
                        {"selectionRange", TokenRange(doc, s.definition, units)}});
    }
    return list;
}

json InlayHints(const OpenDocument &doc, int first, int last, Units units) {
    const Analysis &a = doc.analysis;
    json hints = json::array();
    for (size_t i = 0; i < a.words.size();) {
        const int line = a.words[i].firstLine;
        const size_t start = i;
        std::string label;
        for (; i < a.words.size() && a.words[i].firstLine == line; ++i)
            label += (label.empty() ? "" : "  ") + Hex4(a.words[i].address) + " " + Hex16(a.words[i].word);
        if (line < first || line > last)
            continue;
        hints.push_back({{"position", PositionJson(doc.text, {line, doc.text.LineLength(line)}, units)},
                         {"label", label},
                         {"paddingLeft", true},
                         {"data", {{"uri", doc.uri}, {"version", doc.version}, {"words", {start, i - start}}}}});
    }
    return hints;
}

json ResolveInlayHint(const OpenDocument &doc, json hint) {
    const json &data = hint.at("data");
    const long long start = Integer(data.at("words").at(0)), count = Integer(data.at("words").at(1));
    const Analysis &a = doc.analysis;
    const long long words = static_cast<long long>(a.words.size());
    if (Integer(data.at("version")) != doc.version || start < 0 || count < 0 || start > words || count > words - start)
        return hint;  // the document has changed since
    std::string tooltip;
    for (long long i = start; i < start + count; ++i)
        tooltip += (tooltip.empty() ? "" : "\n") + DescribeWord(a.words[static_cast<size_t>(i)].word, NamerOf(a));
    hint["tooltip"] = tooltip;
    return hint;
}
