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

bool LoadProgram(const std::string &file, const FileReader &read, SimOutput &output, Program *program) {
    std::string text;
    if (!ReadInput(file, read, output, &text))
        return false;
    std::string mic = text;
    const bool isMic = IsMicText(file, text);
    if (isMic) {
        if (text.size() > kMicFileLimit)
            return CannotRead(file, ReadFailure(EFBIG, kMicFileLimit), output);
    } else {
        Assembly a = AssembleText(text);
        ShowAssemblerMessages(file, a.notices, output);
        ShowAssemblerMessages(file, a.diagnostics, output);
        if (!a.parsed || a.stopped) {
            output.Err("zanfo-sim: " + file + ": the source does not assemble; nothing was run\n");
            return false;
        }
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
    if (words.Refused())
        return false;
    program->words = std::move(words.words);
    // A .mic file has no labels: a target that holds a word is named as
    // zanfo-dump names it ("L0010"), any other is written as a number.
    if (isMic)
        for (const MicWord &w : program->words)
            program->labels.emplace(w.address, TargetLabel(w.address));
    return true;
}

bool ShowProblems(const std::vector<std::string> &problems, SimOutput &output) {
    for (const std::string &p : problems)
        output.Err(p + "\n");
    return problems.empty();
}

}  // namespace sim
