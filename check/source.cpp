// zanfo-check: a source or a .mic text into the checks, and the findings
// out in one order and one format.
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <map>

#include "assemble.h"
#include "explain.h"
#include "check.h"
#include "cli.h"
#include "mic_file.h"
#include "observe.h"
#include "words.h"
#include "zanfo.h"

namespace {

// A message as one line of UTF-8 that cannot drive a terminal.
std::string OneLine(const std::string &latin1) {
    std::string text = Latin1ToUtf8(latin1);
    for (char &c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
            c = '?';
    return text;
}

// The English line that explains one of zanfo's (Spanish) messages
// (explain.h); zanfo-check prints it as "FILE:LINE: note: TEXT".
std::string NoteOn(const std::string &latin1Message) {
    const char *line = ExplainMessage(latin1Message);
    return line ? line : "";
}

Finding Error(int line, const std::string &message) {
    Finding f;
    f.severity = Severity::Error;
    f.line = line;
    f.message = message;
    return f;
}

void Warn(std::vector<Finding> &out, const CheckOptions &options, const char *check, int line, int address,
          const std::string &message) {
    if (!options.Enabled(check))
        return;
    Finding f;
    f.check = check;
    f.line = line;
    f.address = address;
    f.message = message;
    out.push_back(f);
}

// A number above 65535, however it is written.
bool TooBig(const std::string &text) {
    unsigned base = text[0] == '$' ? 16 : text[0] == '%' ? 8 : 10;
    uint64_t value = 0;
    for (size_t i = base == 10 ? 0 : 1; i < text.size(); ++i) {
        int digit = isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0'
                                                                 : tolower(static_cast<unsigned char>(text[i])) - 'a' + 10;
        value = value * base + static_cast<unsigned>(digit);
        if (value > 0xFFFF)
            return true;
    }
    return false;
}

// constant-range, address-range and address-twice: what zanfo does
// without a word.
void TextChecks(const CheckWatcher &watch, const CheckOptions &options, std::vector<Finding> &out) {
    for (const CheckWatcher::Number &number : watch.numbers)
        if (TooBig(number.text))
            Warn(out, options, "constant-range", number.line, -1,
                 number.text + " does not fit the 16-bit ConstantAddr field: zanfo cuts it to its low 16 bits");
    constexpr int kLast = static_cast<int>(kLastStoreAddress);
    std::map<uint32_t, int> firstAt;
    bool quiet = false;  // said already since the last ORG, or zanfo says it
    for (const CheckWatcher::Word &w : watch.words) {
        const uint32_t address = static_cast<uint32_t>(w.dir) & 0xFFFF;
        if (w.afterOrg)
            quiet = w.org > kLast;  // zanfo reports such an ORG itself
        if ((w.dir < 0 || w.dir > kLast) && !quiet) {
            Warn(out, options, "address-range", w.firstLine, static_cast<int>(address),
                 w.dir < 0 ? "the ORG's number wraps around to a negative address: this microinstruction goes to " +
                                 Hex4(address) + ", and its labels are unknown to jumps"
                           : "microinstructions counted past " + std::to_string(kLast) +
                                 " without an ORG: this one goes to " + Hex4(address) +
                                 ", outside the 4096-word control store");
            quiet = true;
        }
        auto first = firstAt.emplace(address, w.firstLine);
        if (!first.second)
            Warn(out, options, "address-twice", w.firstLine, static_cast<int>(address),
                 "a second microinstruction at address " + Hex4(address) + " (the first is on line " +
                     std::to_string(first.first->second) + "): the ORG before it goes back");
    }
}

int CheckOrder(const std::string &check) {
    if (check.empty())
        return -1;
    for (size_t i = 0; i < kCheckCount; ++i)
        if (check == kChecks[i].name)
            return static_cast<int>(i);
    return static_cast<int>(kCheckCount);
}

}  // namespace

void CheckWatcher::Token(bool firstPass, int token, int line, const char *text, int value) {
    if (firstPass)
        return;
    if (token == NUMBER && previous_ != KW_ORG)
        numbers.push_back({line, text});
    if (token == NUMBER && previous_ == KW_ORG) {
        afterOrg_ = true;
        org_ = value;
    }
    previous_ = token;
}

void CheckWatcher::Microinstruction(int dir, int firstLine, int) {
    words.push_back({dir, firstLine, afterOrg_, org_});
    afterOrg_ = false;
}

void CheckWatcher::UnrecognizedCharacter(bool firstPass, int line) {
    if (firstPass)
        strayLines.push_back(line);
}

std::vector<Finding> CheckSource(const std::string &source, const CheckOptions &options) {
    CheckWatcher watch;
    const Assembly assembly = AssembleText(source, &watch);
    return CheckAssembly(assembly, watch, options);
}

std::vector<Finding> CheckAssembly(const Assembly &assembly, const CheckWatcher &watch, const CheckOptions &options) {
    std::vector<Finding> out;
    for (const Diagnostic &d : SplitDiagnostics(assembly.diagnostics)) {
        out.push_back(Error(d.numbered ? d.line : 0, OneLine(d.numbered ? d.message : d.text)));
        out.back().note = NoteOn(d.message);
    }
    size_t pos = 0;  // each notice of the first pass at its line
    for (int line : watch.strayLines) {
        const size_t end = assembly.notices.find('\n', pos);
        if (end == std::string::npos)
            break;
        out.push_back(Error(line, OneLine(assembly.notices.substr(pos, end - pos))));
        pos = end + 1;
    }
    TextChecks(watch, options, out);
    if (assembly.parsed && !assembly.stopped) {
        const MicFile mic = ParseMicText("", assembly.mic, MicUse::Listing);
        std::vector<StoreWord> words;
        for (size_t i = 0; i < mic.words.size(); ++i)
            words.push_back({mic.words[i].address, mic.words[i].word,
                             i < assembly.words.size() ? assembly.words[i].firstLine : 0});
        std::map<uint32_t, std::string> labels;  // the first name of each address
        for (const auto &label : assembly.labels)
            labels.emplace(static_cast<uint32_t>(label.second) & 0xFFF, label.first);
        const LabelNamer names = [&labels](uint32_t address) {
            auto it = labels.find(address);
            return it == labels.end() ? std::string() : it->second;
        };
        for (Finding &f : CheckStore(words, options, names))
            out.push_back(std::move(f));
    }
    SortFindings(out);
    return out;
}

std::vector<Finding> CheckMicText(const std::string &text, const CheckOptions &options) {
    const MicFile mic = ParseMicText("", text, MicUse::Listing);
    std::vector<Finding> out;
    for (const MicProblem &p : mic.problems)
        if (!p.warning)  // the warnings are the checks below, or start-empty for an empty file
            out.push_back(Error(static_cast<int>(p.line), p.text));
    if (mic.Refused()) {
        SortFindings(out);
        return out;
    }
    std::vector<StoreWord> words;
    std::map<uint32_t, unsigned> firstAt;
    for (const MicWord &w : mic.words) {
        const int line = static_cast<int>(w.line);
        auto first = firstAt.emplace(w.address, w.line);
        if (!first.second)
            Warn(out, options, "address-twice", line, static_cast<int>(w.address),
                 "address " + Hex4(w.address) + " given twice (the first on line " +
                     std::to_string(first.first->second) + "): this word replaces that one");
        if (w.address > kLastStoreAddress)
            Warn(out, options, "address-range", line, static_cast<int>(w.address),
                 "address " + Hex4(w.address) + " is outside the 4096-word control store (000..FFF): "
                 "no machine runs this word");
        words.push_back({w.address, w.word, line});
    }
    for (Finding &f : CheckStore(words, options))
        out.push_back(std::move(f));
    SortFindings(out);
    return out;
}

void SortFindings(std::vector<Finding> &findings) {
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        if (a.line != b.line)
            return a.line < b.line;
        if (a.severity != b.severity)
            return a.severity == Severity::Error;
        if (a.address != b.address)
            return a.address < b.address;
        return CheckOrder(a.check) < CheckOrder(b.check);
    });
}

std::string FormatFinding(const std::string &file, const Finding &finding) {
    const std::string where = file + (finding.line > 0 ? ":" + std::to_string(finding.line) : std::string()) + ": ";
    std::string text = where + (finding.severity == Severity::Error ? "error: " : "warning: ") + finding.message;
    if (!finding.check.empty())
        text += " [" + finding.check + "]";
    text += "\n";
    if (!finding.note.empty())
        text += where + "note: " + finding.note + "\n";
    return text;
}
