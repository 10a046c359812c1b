// zanfo: a two-pass microassembler.  "zanfo fuente" assembles the source
// file into fuente's name with the extension ".mic".
//
// Exit codes: 0 the source was assembled (diagnostics do not change it),
// 1 wrong arguments, 2 the source cannot be read, 3 the output cannot be
// written.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "driver.h"
#include "errors.h"
#include "source.h"
#include "zanfo.h"

// True when `name` already exists and is the very file open as `source`:
// creating it would truncate the source before it is read.
static bool IsSameFile(FILE *source, const char *name) {
    struct stat in, out;
    return fstat(fileno(source), &in) == 0 && stat(name, &out) == 0 &&
           in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

static int CannotCreateOutput() {
    printf("%s", msgCannotCreateOutput);
    return 3;
}

int main(int argc, char **argv) {
    if (argc != 2) {
        printf("%s", msgUsage);
        return 1;
    }
    yyin = fopen(argv[1], "rt");
    if (!yyin) {
        printf(msgSourceNotFound, argv[1]);
        return 2;
    }
    const std::string outputFileName = OutputFileName(argv[1]);
    if (IsSameFile(yyin, outputFileName.c_str())) {
        fclose(yyin);
        return CannotCreateOutput();
    }
    // Refused before the output exists, so that nothing is left behind.
    if (IsFolder(yyin))
        ScannerFatal(msgSourceReadFailed);
    FILE *source = ReadableTwice(yyin);
    if (!source)
        ScannerFatal(msgNoMemoryForSource);
    yyin = source;
    f = fopen(outputFileName.c_str(), "wt");
    if (!f) {
        fclose(yyin);
        return CannotCreateOutput();
    }
    // A line is 22 bytes: 64 KiB at a time makes a sixteenth of the write
    // calls of the default 4 KiB.  (glibc keeps its own size unless it is
    // handed the buffer.)
    static char outputBuffer[1 << 16];
    setvbuf(f, outputBuffer, _IOFBF, sizeof outputBuffer);

    RunPasses();

    fclose(yyin);
    // A full disk shows only when the buffered microwords are flushed.
    bool written = !ferror(f);
    if (fclose(f) != 0 || !written)
        return CannotCreateOutput();
    return 0;
}
