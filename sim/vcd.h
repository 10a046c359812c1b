// zanfo-sim --vcd: the run as a Value Change Dump (IEEE 1364), with the
// signals of hdl/'s testbench under the same names, so that GTKWave shows
// the simulator's run and the Verilog board's side by side.
#ifndef ZANFO_SIM_VCD_H
#define ZANFO_SIM_VCD_H

#include <cstdint>
#include <string>
#include <vector>

#include "machine.h"

namespace sim {

// Watches a run and writes its waveform.  Cycle k runs from k x 10 ns to
// the clock edge at (k + 1) x 10 ns: at k x 10 ns the registers hold the
// state after k cycles, `upc` and `word` the word that runs next, `dbus`
// and `f` what the datapath makes of it (Machine::Peek), in the scope
// `zanfo`: upc, word, r0..r63, q, mar, ir, uflag, mflag, dbus, f, sp (the
// stack's depth) and counter.
class Waveform : public CycleWatcher {
  public:
    // The machine as the run starts: the header and time 0.
    explicit Waveform(const Machine &machine);
    void Before(const Machine &) override {}
    // A cycle that ran (one that stopped on an error changed nothing);
    // the run always goes on.
    bool After(const Machine &machine, StepResult result) override;
    // The whole file.
    const std::string &Text() const { return text_; }

  private:
    void Sample(const Machine &machine);  // at machine.cycles x 10 ns

    std::vector<uint64_t> last_;  // each signal's value in the last sample
    std::string text_;
};

}  // namespace sim

#endif
