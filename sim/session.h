// zanfo-sim a cycle at a time, for the playground's simulator: the
// microprogram and the options of the command, a machine to step, run,
// step back and reset, and the command's own words for what happened
// (the trace line of every cycle, the state report, the messages).
#ifndef ZANFO_SIM_SESSION_H
#define ZANFO_SIM_SESSION_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "machine.h"
#include "sim.h"

class SimSession {
  public:
    static constexpr size_t kHistory = 1000;  // the cycles that Back can undo

    // What a step or a run came to.
    enum class Outcome : uint8_t {
        Ran,         // cycles ran, and the machine can go on
        Halted,      // a HALT word ran
        Breakpoint,  // a run reached a breakpoint: μPC is its address
        Error,       // the next cycle cannot run (Message says why); it changed nothing
        CycleLimit,  // --max-cycles cycles have run
    };

    SimSession();
    ~SimSession();
    SimSession(const SimSession &) = delete;
    SimSession &operator=(const SimSession &) = delete;

    // Loads the microprogram and prepares the machine as `zanfo-sim ARGS`
    // does before its run: --start, --set, --mem, --map, --break,
    // --max-cycles and --loop-to-address.  --test, --trace and --expect are
    // accepted and left to the caller.  False when there is nothing to run:
    // then `*status` is the command's exit status (0 after --help or
    // --version) and its messages went to `output`.
    bool Open(const std::vector<std::string> &args, const FileReader &read, SimOutput &output, int *status);

    // One cycle.  Once the machine has halted, stopped on an error or
    // reached the cycle limit, Step and Run do nothing until Back or Reset.
    Outcome Step();
    // At most `atMost` cycles, up to a HALT, an error, the cycle limit or a
    // breakpoint; a breakpoint at μPC when the run starts does not stop it.
    Outcome Run(uint64_t atMost);
    // Undoes the last cycle, as far back as the last kHistory cycles; false
    // when there is none.
    bool Back();
    // The machine as Open left it; breakpoints stay.
    void Reset();
    void SetBreakpoint(unsigned address, bool on);

    const Machine &machine() const;
    Outcome last() const;  // what the last Step, Run or Back came to
    bool ended() const;    // Halted, Error or CycleLimit

    // What zanfo-sim prints on standard output when its run ends in this
    // state (as with --max-cycles at this cycle when the machine can go on),
    // and on standard error: "" unless the run stopped on an error or at the
    // cycle limit.
    std::string Report() const;
    std::string Message() const;
    // zanfo-sim --trace's lines for the last cycles (at most kHistory),
    // oldest first, each ended by "\n".
    std::string Trace();
    // A microword in zanfo's notation, jump targets by the source's labels.
    std::string Describe(uint64_t word) const;
    // The EQU names of register `index` (64 for Q), joined by ", ".
    std::string NamesOf(unsigned index) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

#endif
