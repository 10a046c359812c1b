// zanfo: both passes over a source held in memory.
#include "assemble.h"

#include <cstdio>
#include <cstdlib>

#include "actions.h"
#include "driver.h"
#include "errors.h"
#include "observe.h"
#include "tables.h"
#include "zanfo.h"

namespace {

struct ScannerStopped {};

std::string *fatalText;  // where the scanner's fatal message goes

// Notes where each word came from, and passes everything on to the
// caller's observer, if there is one.
class WordRecorder : public AssemblyObserver {
  public:
    WordRecorder(std::vector<Assembly::Word> &words, AssemblyObserver *next) : words_(words), next_(next) {}

    void Token(bool firstPass, int token, int line, const char *text, int value) override {
        if (next_)
            next_->Token(firstPass, token, line, text, value);
    }
    void Microinstruction(int dir, int firstLine, int lastLine) override {
        words_.push_back(Assembly::Word{dir, firstLine, lastLine});
        if (next_)
            next_->Microinstruction(dir, firstLine, lastLine);
    }
    void SyntaxError(int token, const std::vector<int> &expected) override {
        if (next_)
            next_->SyntaxError(token, expected);
    }
    void UnknownLabel(const char *name) override {
        if (next_)
            next_->UnknownLabel(name);
    }
    void UnclosedComment(bool firstPass, int line) override {
        if (next_)
            next_->UnclosedComment(firstPass, line);
    }
    void UnrecognizedCharacter(bool firstPass, int line) override {
        if (next_)
            next_->UnrecognizedCharacter(firstPass, line);
    }

  private:
    std::vector<Assembly::Word> &words_;  // the result's words
    AssemblyObserver *next_;              // the caller's observer, or null
};

[[noreturn]] void StopAssembly(const char *msg) {
    if (fatalText)
        *fatalText += std::string(msg) + "\n";
    throw ScannerStopped{};
}

// A string as a read-only stream.  An empty string gets a temporary file,
// since some C libraries refuse a memory stream of no bytes.
FILE *OpenText(const std::string &text) {
    if (text.empty())
        return tmpfile();
    return fmemopen(const_cast<char *>(text.data()), text.size(), "r");
}

// A stream whose bytes end up in `out` when it is closed.
struct MemoryStream {
    char *data = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&data, &size);

    std::string Close() {
        std::string text;
        if (stream) {
            fclose(stream);
            text.assign(data, size);
        }
        free(data);
        return text;
    }
};

}  // namespace

Assembly AssembleText(const std::string &source, AssemblyObserver *observer) {
    Assembly result;
    FILE *in = OpenText(source);
    MemoryStream mic, diagnostics, notices;
    if (!in || !mic.stream || !diagnostics.stream || !notices.stream) {
        if (in)
            fclose(in);
        mic.Close();
        diagnostics.Close();
        notices.Close();
        result.diagnostics = "out of memory\n";
        result.stopped = true;
        return result;
    }
    ResetRun(in, mic.stream);
    diagnosticStream = diagnostics.stream;
    noticeStream = notices.stream;
    std::string fatal;
    fatalText = &fatal;
    void (*previousHook)(const char *) = scannerFatalHook;
    scannerFatalHook = StopAssembly;
    WordRecorder recorder(result.words, observer);
    assemblyObserver = &recorder;
    try {
        result.parsed = RunPasses() == 0;
    } catch (const ScannerStopped &) {
        result.stopped = true;
    }
    assemblyObserver = nullptr;
    scannerFatalHook = previousHook;
    fatalText = nullptr;
    diagnosticStream = nullptr;
    noticeStream = nullptr;
    fclose(in);
    result.mic = mic.Close();
    result.diagnostics = diagnostics.Close() + fatal;
    result.notices = notices.Close();
    result.equates = ListIdentifiers();
    result.labels = ListLabels();
    return result;
}

std::vector<Diagnostic> SplitDiagnostics(const std::string &diagnostics) {
    std::vector<Diagnostic> list;
    size_t pos = 0;
    while (pos < diagnostics.size()) {
        size_t end = diagnostics.find('\n', pos);
        if (end == std::string::npos)
            end = diagnostics.size();
        std::string text = diagnostics.substr(pos, end - pos);
        pos = end + 1;
        const size_t digits = 6;  // after "error:"
        size_t colon = text.find(':', digits);
        bool numbered = text.compare(0, digits, "error:") == 0 && colon != std::string::npos &&
                        colon > digits && text.find_first_not_of("-0123456789", digits) == colon;
        if (numbered)
            list.push_back({true, atoi(text.c_str() + digits), text.substr(colon + 1), text});
        else
            list.push_back({false, 0, text, text});
    }
    return list;
}
