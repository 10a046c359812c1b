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
std::vector<Assembly::Word> *wordSources;  // where the words' lines go

void NoteWord(int address, int firstLine, int lastLine) {
    wordSources->push_back(Assembly::Word{address, firstLine, lastLine});
}

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
    wordSources = &result.words;
    microinstructionObserver = NoteWord;
    std::string fatal;
    fatalText = &fatal;
    void (*previousHook)(const char *) = scannerFatalHook;
    scannerFatalHook = StopAssembly;
    assemblyObserver = observer;
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
    microinstructionObserver = nullptr;
    wordSources = nullptr;
    fclose(in);
    result.mic = mic.Close();
    result.diagnostics = diagnostics.Close() + fatal;
    result.notices = notices.Close();
    result.equates = ListIdentifiers();
    result.labels = ListLabels();
    return result;
}
