// zanfo-rom: writes a .mic file's control store as a ROM image.  The work
// is RunRom's (rom/command.h); this reads the file and writes the result.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "rom_command.h"

namespace {

bool SameFile(const std::string &a, const std::string &b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// A mapping for --jmap: a text file, read up to the bound of one.
bool ReadText(const std::string &name, std::string *text, std::string *error) {
    int number = 0;
    text->clear();
    if (ReadWholeFile(name, text, &number, kTextFileLimit))
        return true;
    *error = ReadFailure(number, kTextFileLimit);
    return false;
}

int Rom(int argc, char **argv) {
    RomEnvironment environment;
    environment.read = ReadMicFile;
    environment.sameFile = SameFile;
    environment.readText = ReadText;
    environment.stdoutIsTerminal = isatty(STDOUT_FILENO) == 1;
    RomResult result = RunRom(std::vector<std::string>(argv + 1, argv + argc), environment);
    fputs(result.out.c_str(), stdout);
    fputs(result.err.c_str(), stderr);
    if (!result.write)
        return result.status;

    OutputFile output(result.target);
    errno = 0;
    if (!output.Open() ||
        fwrite(result.image.data(), 1, result.image.size(), output.Stream()) != result.image.size() ||
        !output.Commit()) {
        const char *name = result.target == "-" ? "the standard output" : result.target.c_str();
        fprintf(stderr, "zanfo-rom: cannot write %s: %s\n", name, errno ? strerror(errno) : "write error");
        return 3;
    }
    return result.status;
}

}  // namespace

int main(int argc, char **argv) {
    return WithinMemory("zanfo-rom", 2, [argc, argv] { return Rom(argc, argv); });
}
