// zanfo: the command's steps, shared by main and by the fuzz target.
#ifndef ZANFO_DRIVER_H
#define ZANFO_DRIVER_H

#include <cstdio>
#include <string>

// "prog.src" -> "prog.mic": the extension after the last '.' of the file
// name is replaced; a '.' inside the directory part is not an extension.
std::string OutputFileName(const char *source);

// The scanner's fatal errors: the message on standard error, exit 2.
[[noreturn]] void ScannerFatal(const char *msg);

// When set, ScannerFatal calls it first.  A program that runs the passes
// many times in one process (the fuzz target) leaves the failed run by
// throwing from it; the command leaves it unset.
extern void (*scannerFatalHook)(const char *msg);

// Both passes over the open yyin, writing to the open f.  The result is
// the first pass's: 0, or nonzero after a syntax error (no second pass).
int RunPasses();

// Puts back everything a run leaves behind, as a fresh process has it, and
// makes `source` and `output` the next run's yyin and f.  Only for running
// zanfo many times in one process (the fuzz target).
void ResetRun(FILE *source, FILE *output);

#endif
