// What a run of zanfo-sim starts from: the command line read, the program
// loaded and the machine prepared, for the command and for a session alike.
#ifndef ZANFO_SIM_SETUP_H
#define ZANFO_SIM_SETUP_H

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "inputs.h"
#include "machine.h"
#include "options.h"
#include "program.h"
#include "sim.h"

namespace sim {

// Everything a run starts from: the options, the program, the expectations
// of the command line and the machine with its store, memory, mapping and
// registers loaded.
struct Setup {
    Options o;                        // the command line
    Program program;                  // the microprogram and its names
    std::vector<Assignment> expects;  // --expect
    Machine base;                     // as the run starts
};

// A machine that runs case after case from one start (zanfo-sim's cases,
// zanfo-prove's millions of runs).  Fresh puts back only what the last case
// changed, the registers and the memory words it set or its run wrote,
// instead of copying 64Ki words of memory a case; when no word of the
// store writes memory, it does not look for words written at all.
class CaseMachine {
  public:
    explicit CaseMachine(const Machine &base);
    // The machine as it starts, for the next case.
    Machine &Fresh();
    // Takes the base again, once it has changed (another program), into
    // the memory it has.
    void Rebase();
    // Sets a place before the run.
    void Set(const Place &place, uint16_t value);
    void Set(const Assignment &a) { Set(a.place, a.value); }

  private:
    const Machine &base_;
    std::unique_ptr<Machine> m_;
    std::vector<uint16_t> setWords_;  // memory words set since the last Fresh
    bool writes_ = false;             // some word of the store writes memory
};

constexpr int kGoOn = -1;  // Prepare's "nothing stops the run"

// Reads the command line and every input but the test file into `s`.
// Returns kGoOn, or the exit status when there is nothing to run (--help,
// --version, or a problem, shown on `output`).
int Prepare(const std::vector<std::string> &args, const FileReader &read, SimOutput &output, Setup &s);

// The steps of Prepare, for runs of several programs.

// Reads the command line into `o`: kGoOn, or the exit status after --help,
// --version or a usage error.
int ReadOptions(const std::vector<std::string> &args, SimOutput &output, Options &o);

// Prepare once the options are read: the program of s.o.file and the rest.
int PrepareProgram(const FileReader &read, SimOutput &output, Setup &s);

// The --set and --expect of the command line with the program's equates;
// the problems, a line each ("--set x=1: unknown name..."), or "".
std::string ResolveAssignments(const Options &o, const Program &program, std::vector<Assignment> *sets,
                               std::vector<Assignment> *expects);
// Those problems as a usage error: exit status 2.
int AssignmentError(SimOutput &output, std::string errors);

// What every program of a run loads alike: --mem and --map.
struct SharedInputs {
    std::vector<MemoryWord> memory;        // the words of every --mem, in order
    std::array<int, kOpcodes> mapping{};   // --map
    bool mapped = false;                   // a --map was given
};
// False, with the problems shown, when one cannot be read or is refused.
bool ReadSharedInputs(const Options &o, const FileReader &read, SimOutput &output, SharedInputs *inputs);

// The machine as the options start a run of `program`: the store, the
// breakpoints, the start address, memory, the mapping and the sets.
void BuildMachine(const Options &o, const Program &program, const SharedInputs &inputs,
                  const std::vector<Assignment> &sets, Machine &base);

}  // namespace sim

#endif
