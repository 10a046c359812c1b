// zanfo: the command's steps, shared by main and by the fuzz target.
#ifndef ZANFO_DRIVER_H
#define ZANFO_DRIVER_H

#include <string>

// "prog.src" -> "prog.mic": the extension after the last '.' of the file
// name is replaced; a '.' inside the directory part is not an extension.
std::string OutputFileName(const char *source);

// The scanner's fatal errors: the message on standard error, exit 2.
[[noreturn]] void ScannerFatal(const char *msg);

// Both passes over the open yyin, writing to the open f.
void RunPasses();

#endif
