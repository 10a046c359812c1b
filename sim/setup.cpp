// What a run of zanfo-sim starts from.
#include "setup.h"

#include <array>
#include <cstring>

#include "cli.h"

namespace sim {

std::string ResolveAssignments(const Options &o, const Program &program, std::vector<Assignment> *sets,
                               std::vector<Assignment> *expects) {
    std::string errors, error;
    for (const auto &list : {std::make_pair(&o.sets, sets), std::make_pair(&o.expects, expects)})
        for (const std::string &text : *list.first) {
            Assignment a;
            if (ParseAssignment(text, program.equates, &a, &error))
                list.second->push_back(a);
            else
                errors += std::string(list.first == &o.sets ? "--set " : "--expect ") + text + ": " + error + "\n";
        }
    return errors;
}

int AssignmentError(SimOutput &output, std::string errors) {
    errors.pop_back();
    return UsageError(output, errors);
}

bool ReadSharedInputs(const Options &o, const FileReader &read, SimOutput &output, SharedInputs *inputs) {
    std::string text;
    std::vector<std::string> problems;
    for (const std::string &file : o.mems) {
        if (!ReadInput(file, read, output, &text))
            return false;
        if (!ParseMemoryImage(file, text, &inputs->memory, &problems))
            return ShowProblems(problems, output);
    }
    if (!o.map.empty()) {
        if (!ReadInput(o.map, read, output, &text))
            return false;
        if (!ParseMapping(o.map, text, &inputs->mapping, &problems))
            return ShowProblems(problems, output);
        inputs->mapped = true;
    }
    return true;
}

void BuildMachine(const Options &o, const Program &program, const SharedInputs &inputs,
                  const std::vector<Assignment> &sets, Machine &base) {
    base.SetLoopToAddress(o.loopToAddress);
    for (const MicWord &w : program.words)
        base.LoadWord(w.address, w.word);
    for (unsigned address : o.breaks)
        base.SetBreakpoint(address);
    base.regs.upc = static_cast<uint16_t>(o.start);
    for (const MemoryWord &w : inputs.memory)
        base.memory[w.address] = w.value;
    if (inputs.mapped)
        base.SetMapping(inputs.mapping);
    for (const Assignment &a : sets)
        WritePlace(base, a.place, a.value);
}

int ReadOptions(const std::vector<std::string> &args, SimOutput &output, Options &o) {
    std::string error;
    if (!ParseOptions(args, &o, &error))
        return UsageError(output, error);
    if (o.help) {
        output.Out(Usage());
        return 0;
    }
    if (o.version) {
        output.Out(VersionText("zanfo-sim"));
        return 0;
    }
    return kGoOn;
}

int Prepare(const std::vector<std::string> &args, const FileReader &read, SimOutput &output, Setup &s) {
    int status = ReadOptions(args, output, s.o);
    if (status != kGoOn)
        return status;
    return PrepareProgram(read, output, s);
}

int PrepareProgram(const FileReader &read, SimOutput &output, Setup &s) {
    if (!LoadProgram(s.o.file, read, output, &s.program))
        return kSimBadInput;
    // The assignments of the command line, now that the equates are known.
    std::vector<Assignment> sets;
    std::string errors = ResolveAssignments(s.o, s.program, &sets, &s.expects);
    if (!errors.empty())
        return AssignmentError(output, errors);
    SharedInputs inputs;
    if (!ReadSharedInputs(s.o, read, output, &inputs))
        return kSimBadInput;
    BuildMachine(s.o, s.program, inputs, sets, s.base);
    return kGoOn;
}

CaseMachine::CaseMachine(const Machine &base)
    : base_(base), m_(std::make_unique<Machine>(base)), writes_(base.AnyWord(WritesMemory)) {}

Machine &CaseMachine::Fresh() {
    Machine &m = *m_;
    m.regs = base_.regs;
    m.cycles = base_.cycles;
    m.executed = base_.executed;
    m.error = base_.error;
    for (uint16_t a : setWords_)
        m.memory[a] = base_.memory[a];
    setWords_.clear();
    if (!writes_)
        return m;
    // The words a run wrote carry a mark: find them a block at a time.
    const uint8_t *marks = m.written.data();
    for (const uint8_t *at = marks; (at = static_cast<const uint8_t *>(
                                         memchr(at, 1, kMemoryWords - static_cast<size_t>(at - marks))));
         ++at) {
        const size_t a = static_cast<size_t>(at - marks);
        m.memory[a] = base_.memory[a];
        m.written[a] = base_.written[a];
    }
    return m;
}

void CaseMachine::Rebase() {
    *m_ = base_;
    setWords_.clear();
    writes_ = base_.AnyWord(WritesMemory);
}

void CaseMachine::Set(const Place &place, uint16_t value) {
    if (place.kind == Place::Memory)
        setWords_.push_back(static_cast<uint16_t>(place.index));
    WritePlace(*m_, place, value);
}

}  // namespace sim
