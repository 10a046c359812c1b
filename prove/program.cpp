// A microprogram for zanfo-prove.
#include "program.h"

#include <cctype>
#include <cstring>

#include "assemble.h"
#include "cli.h"

namespace {

bool EndsWith(const std::string &name, const char *extension) {
    size_t n = strlen(extension);
    if (name.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (tolower(static_cast<unsigned char>(name[name.size() - n + i])) != extension[i])
            return false;
    return true;
}

// A .mic file by its name, or by its first line when the name does not say.
bool IsMicFile(const std::string &name, const std::string &text) {
    if (EndsWith(name, ".mic") || text.empty())
        return true;
    if (EndsWith(name, ".zan"))
        return false;
    std::string first = text.substr(0, text.find('\n'));
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    if (first.size() != 21 || first[4] != ' ')
        return false;
    for (size_t i = 0; i < 21; ++i)
        if (i != 4 && !isxdigit(static_cast<unsigned char>(first[i])))
            return false;
    return true;
}

void ShowAssemblerMessages(const std::string &file, const std::string &latin1, SimOutput &output) {
    for (const Diagnostic &d : SplitDiagnostics(latin1))
        if (d.numbered)
            output.Err(file + ":" + std::to_string(d.line) + ": " + Latin1ToUtf8(d.message) + "\n");
        else
            output.Err(file + ": " + Latin1ToUtf8(d.text) + "\n");
}

}  // namespace

bool LoadProgram(const std::string &command, const std::string &file, const FileReader &read, SimOutput &output,
                 Program *program) {
    std::string text, error;
    if (!read(file, &text, &error)) {
        output.Err(command + ": " + file + ": " + error + "\n");
        return false;
    }
    std::string mic = text;
    if (!IsMicFile(file, text)) {
        Assembly a = AssembleText(text);
        ShowAssemblerMessages(file, a.notices, output);
        ShowAssemblerMessages(file, a.diagnostics, output);
        if (!a.parsed || a.stopped) {
            output.Err(command + ": " + file + ": the source does not assemble\n");
            return false;
        }
        mic = a.mic;
        for (const auto &e : a.equates)
            program->equates[e.first] = e.second;
    }
    MicFile words = ParseMicText(file, mic, MicUse::ControlStore);
    for (const MicProblem &p : words.problems)
        output.Err(FormatProblem(words, p) + "\n");
    if (words.Refused())
        return false;
    program->words = std::move(words.words);
    return true;
}
