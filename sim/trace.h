// zanfo-sim --trace: one line per cycle, with what the cycle changed.
#ifndef ZANFO_SIM_TRACE_H
#define ZANFO_SIM_TRACE_H

#include <cstdint>
#include <string>

#include "machine.h"
#include "options.h"
#include "program.h"
#include "sim.h"

namespace sim {

// What a cycle starts from, for its trace line.
struct CycleStart {
    Registers regs;        // the registers before the cycle
    uint16_t mar = 0;      // MAR at the start of the cycle: where it could write
    uint16_t memory = 0;   // the word there before the cycle

    CycleStart() = default;
    explicit CycleStart(const Machine &m) : regs(m.regs), mar(m.regs.mar), memory(m.memory[m.regs.mar]) {}
};

// The trace line of the cycle that took the machine from `before` to `m`.
std::string TraceLine(const CycleStart &before, const Machine &m, StepResult result, const Program &program);

// The same in the plain format of --trace-format state, as hdl/'s
// testbench prints it with +trace: the cycle's number from 0, its address
// and microword, then NAME=VALUE for every item of the state it changed
// (upc, counter, stack=DEPTH:E1,E2..., q, mar, ir, uflag, mflag, r0..r63,
// mem[ADDR]), in upper-case hexadecimal.
std::string StateTraceLine(const CycleStart &before, const Machine &m);

// Two watchers told of every cycle, the first first.
class Both : public CycleWatcher {
  public:
    Both(CycleWatcher &first, CycleWatcher &second) : first_(first), second_(second) {}
    void Before(const Machine &m) override { first_.Before(m), second_.Before(m); }
    // The run goes on while both say so; both are told of the cycle.
    bool After(const Machine &m, StepResult result) override {
        const bool first = first_.After(m, result);
        return second_.After(m, result) && first;
    }

  private:
    CycleWatcher &first_, &second_;
};

// Runs `m` as the options say, with every cycle's line on `output` under
// --trace, up to `maxCycles` cycles (0: --max-cycles), and `watcher`, if
// any (the coverage), told of every cycle.  A run whose trace cannot be
// written (output.Failed()) stops at the first write that fails, with
// RunEnd::Stopped.
RunEnd RunTraced(Machine &m, const Options &o, const Program &program, SimOutput &output, uint64_t maxCycles = 0,
                 CycleWatcher *watcher = nullptr);

}  // namespace sim

#endif
