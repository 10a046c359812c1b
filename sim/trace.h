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

// Runs `m` as the options say, with every cycle's line on `output` under
// --trace, up to `maxCycles` cycles (0: --max-cycles), and `watcher`, if
// any (the coverage), told of every cycle.  A run whose trace cannot be
// written (output.Failed()) stops at the first write that fails, with
// RunEnd::Stopped.
RunEnd RunTraced(Machine &m, const Options &o, const Program &program, SimOutput &output, uint64_t maxCycles = 0,
                 CycleWatcher *watcher = nullptr);

}  // namespace sim

#endif
