// zanfo: the two passes over the source.
#include "driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tables.h"
#include "zanfo.h"

int primeraPasada = 1;  // nonzero in the first pass
FILE *f = nullptr;      // the .mic output

void (*scannerFatalHook)(const char *msg) = nullptr;

// The scanner cannot go on: its message on standard error, exit status 2.
void ScannerFatal(const char *msg) {
    if (scannerFatalHook)
        scannerFatalHook(msg);
    fprintf(stderr, "%s\n", msg);
    exit(2);
}

std::string OutputFileName(const char *source) {
    std::string name(source);
    const char *ext = strrchr(source, '.');
    const char *barra1 = strrchr(source, '/');
    const char *barra2 = strrchr(source, '\\');
    if (ext && (!barra1 || ext > barra1) && (!barra2 || ext > barra2))
        name.resize(static_cast<size_t>(ext - source));
    return name + ".mic";
}

// The first pass enters labels and counts addresses; the second, from the
// first byte again, writes the microwords.  A syntax error in the first
// pass leaves the output empty.
int RunPasses() {
    primeraPasada = 1;
    dir = 0;
    int first = yyparse();
    if (first != 0)
        return first;
    primeraPasada = 0;
    dir = 0;
    line = 1;
    ClearIdentifiers();
    ClearInstruction();
    fseek(yyin, 0, SEEK_SET);
    yyparse();
    return 0;
}

void ResetRun(FILE *source, FILE *output) {
    ClearLabels();
    ClearIdentifiers();
    instruction = Instruction{};
    yyin = source;
    f = output;
    RestartScanner(source);
}
