// What a run of zanfo-sim starts from.
#include "setup.h"

#include <array>

#include "cli.h"

namespace sim {

int Prepare(const std::vector<std::string> &args, const FileReader &read, SimOutput &output, Setup &s) {
    Options &o = s.o;
    std::string error;
    if (!ParseOptions(args, &o, &error))
        return UsageError(output, error);
    if (o.help) {
        output.Out(kUsage);
        return 0;
    }
    if (o.version) {
        output.Out(VersionText("zanfo-sim"));
        return 0;
    }

    Program &program = s.program;
    if (!LoadProgram(o.file, read, output, &program))
        return kSimBadInput;

    // The assignments of the command line, now that the equates are known.
    std::vector<Assignment> sets;
    std::string errors;
    for (const auto &list : {std::make_pair(&o.sets, &sets), std::make_pair(&o.expects, &s.expects)})
        for (const std::string &text : *list.first) {
            Assignment a;
            if (ParseAssignment(text, program.equates, &a, &error))
                list.second->push_back(a);
            else
                errors += std::string(list.first == &o.sets ? "--set " : "--expect ") + text + ": " + error + "\n";
        }
    if (!errors.empty()) {
        errors.pop_back();
        for (size_t at = 0; (at = errors.find('\n', at)) != std::string::npos; at += 12)
            errors.replace(at, 1, "\nzanfo-sim: ");
        return UsageError(output, errors);
    }

    Machine &base = s.base;
    base.SetLoopToAddress(o.loopToAddress);
    for (const MicWord &w : program.words)
        base.LoadWord(w.address, w.word);
    for (unsigned address : o.breaks)
        base.SetBreakpoint(address);
    base.regs.upc = static_cast<uint16_t>(o.start);

    std::string text;
    std::vector<std::string> problems;
    for (const std::string &file : o.mems) {
        std::vector<MemoryWord> words;
        if (!ReadInput(file, read, output, &text))
            return kSimBadInput;
        if (!ParseMemoryImage(file, text, &words, &problems))
            return ShowProblems(problems, output), kSimBadInput;
        for (const MemoryWord &w : words)
            base.memory[w.address] = w.value;
    }
    if (!o.map.empty()) {
        std::array<int, kOpcodes> mapping;
        if (!ReadInput(o.map, read, output, &text))
            return kSimBadInput;
        if (!ParseMapping(o.map, text, &mapping, &problems))
            return ShowProblems(problems, output), kSimBadInput;
        base.SetMapping(mapping);
    }
    for (const Assignment &a : sets)
        WritePlace(base, a.place, a.value);
    return kGoOn;
}

}  // namespace sim
