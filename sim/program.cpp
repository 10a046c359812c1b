// zanfo-sim's microprogram and input files.
#include "program.h"

#include <cerrno>
#include <cstring>

#include "assemble.h"
#include "cli.h"
#include "machine.h"
#include "targets.h"

namespace sim {

namespace {

bool CannotRead(const std::string &name, const std::string &why, SimOutput &output) {
    output.Err(name + ": cannot read the file: " + why + "\n");
    return false;
}

// zanfo's messages as FILE:LINE: message, in UTF-8.
void ShowAssemblerMessages(const std::string &file, const std::string &latin1, SimOutput &output) {
    for (const Diagnostic &d : SplitDiagnostics(latin1))
        if (d.numbered)
            output.Err(file + ":" + std::to_string(d.line) + ": " + Latin1ToUtf8(d.message) + "\n");
        else
            output.Err(file + ": " + Latin1ToUtf8(d.text) + "\n");
}

}  // namespace

bool ReadInput(const std::string &name, const FileReader &read, SimOutput &output, std::string *text,
               size_t limit) {
    std::string error;
    if (!read(name, text, &error))
        return CannotRead(name, error, output);
    if (text->size() > limit)
        return CannotRead(name, ReadFailure(EFBIG, limit), output);
    return true;
}

// Reads and, for a source, assembles the microprogram; false when it cannot run.
bool LoadProgram(const std::string &file, const FileReader &read, SimOutput &output, Program *program,
                 std::string *problem, const char *command) {
    std::string text;
    if (!ReadInput(file, read, output, &text)) {
        if (problem)
            *problem = "the file cannot be read";
        return false;
    }
    std::string mic = text;
    std::vector<unsigned> sourceLines;  // of a source: the line of each microword's first token
    const bool isMic = IsMicText(file, text);
    if (isMic) {
        if (text.size() > kMicFileLimit) {
            if (problem)
                *problem = "the file cannot be read";
            return CannotRead(file, ReadFailure(EFBIG, kMicFileLimit), output);
        }
    } else {
        Assembly a = AssembleText(text);
        ShowAssemblerMessages(file, a.notices, output);
        ShowAssemblerMessages(file, a.diagnostics, output);
        if (!a.parsed || a.stopped) {
            output.Err(std::string(command) + ": " + file + ": the source does not assemble; nothing was run\n");
            if (problem)
                *problem = "the source does not assemble";
            return false;
        }
        for (const Assembly::Word &w : a.words)
            sourceLines.push_back(static_cast<unsigned>(w.firstLine));
        mic = a.mic;
        for (const auto &label : a.labels)
            program->labels.emplace(static_cast<uint32_t>(label.second), label.first);  // the first in name order
        for (const auto &e : a.equates) {
            program->equates[e.first] = e.second;
            Place place;
            std::string ignored;
            if (ParsePlace(e.second, {}, &place, &ignored) && place.kind != Place::Memory) {
                unsigned key = place.kind == Place::Q ? kRegisterCount : place.index;
                std::string &names = program->names[key];
                names += (names.empty() ? "" : ", ") + e.first;
            }
        }
    }
    MicFile words = ParseMicText(file, mic, MicUse::ControlStore);
    for (const MicProblem &p : words.problems)
        output.Err(FormatProblem(words, p) + "\n");
    if (words.Refused()) {
        if (problem)
            *problem = "the .mic file is refused";
        return false;
    }
    program->words = std::move(words.words);
    // A .mic file has no labels: a target that holds a word is named as
    // zanfo-dump names it ("L0010"), any other is written as a number.
    if (isMic)
        for (const MicWord &w : program->words)
            program->labels.emplace(w.address, TargetLabel(w.address));
    for (const MicWord &w : program->words)
        program->lines.push_back(w.line <= sourceLines.size() ? sourceLines[w.line - 1] : w.line);
    return true;
}

bool ShowProblems(const std::vector<std::string> &problems, SimOutput &output) {
    for (const std::string &p : problems)
        output.Err(p + "\n");
    return problems.empty();
}

}  // namespace sim
