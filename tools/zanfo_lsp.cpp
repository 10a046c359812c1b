// zanfo-lsp: zanfo's language server on standard input and output.  The
// server is RunServer (lsp/server.h); this file reads the command line
// and keeps standard output for the protocol alone.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "cli.h"
#include "server.h"

namespace {

const char kUsage[] =
    "Usage: zanfo-lsp [--stdio]\n"
    "zanfo's language server: speaks the Language Server Protocol on standard\n"
    "input and output, for an editor to start.  zanfo's messages (explained,\n"
    "with the notes of zanfo-dump --listing) and zanfo-check's warnings, hover\n"
    "with each statement's microword, definitions, references and renames of\n"
    "labels and EQU names, completion, symbols, and inlay hints with addresses\n"
    "and microwords.\n"
    "\n"
    "  --stdio      standard input and output (the only channel; accepted for\n"
    "               the editors that pass it)\n"
    "  --help       this text\n"
    "  --version    the version\n"
    "\n"
    "Exit status: 0 after the editor's shutdown and exit, 1 on exit without\n"
    "shutdown or at the end of the input without it, 2 for a bad command line.\n";

}  // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--help")) {
            fputs(kUsage, stdout);
            return 0;
        }
        if (!strcmp(argv[i], "--version")) {
            PrintVersion("zanfo-lsp");
            return 0;
        }
        if (strcmp(argv[i], "--stdio") != 0) {
            fprintf(stderr, "zanfo-lsp: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    // The protocol gets standard output to itself: anything else that
    // would print there goes to standard error.
    const int protocol = dup(STDOUT_FILENO);
    FILE *out = protocol < 0 ? nullptr : fdopen(protocol, "w");
    if (!out || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        perror("zanfo-lsp: standard output");
        return 2;
    }
    std::ios::sync_with_stdio(false);
    return RunServer(std::cin, [out](const std::string &frame) {
        fwrite(frame.data(), 1, frame.size(), out);
        fflush(out);
    });
}
