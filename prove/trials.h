// Runs on zanfo-sim's machine, in process, for chosen values of the
// inputs: the cheap search for counterexamples, the exhaustive runs that
// prove, and the replay of every counterexample before it is printed.
#ifndef ZANFO_PROVE_TRIALS_H
#define ZANFO_PROVE_TRIALS_H

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "goal.h"
#include "setup.h"

// How one run from one input went.
struct Trial {
    enum Kind : uint8_t {
        Excluded,  // an assumption does not hold: nothing ran
        Holds,     // the run halted and the property held (or the values agreed)
        Fails,     // a counterexample
        Late,      // the deadline came before the run ended
    };
    Kind kind = Excluded;
    uint64_t cycles = 0;  // Holds: the cycles the run took (the longer of two)
};

// Evaluates a property's expressions on the machine: names read `end`,
// old(...) reads `start` and the memory as it was (`startMemory` with the
// inputs' words over it).
class NumberValues {
  public:
    using Value = int64_t;
    NumberValues(const Registers &start, const uint16_t *startMemory,
                 const std::vector<std::pair<uint16_t, uint16_t>> &words, const Registers &end,
                 const uint16_t *endMemory)
        : start_(start), startMemory_(startMemory), words_(words), end_(end), endMemory_(endMemory) {}

    Value Number(int64_t n) const { return n; }
    Value Read(const Place &p, bool old) const;
    Value ReadMemory(Value address, bool old) const;
    Value S16(Value x) const { return static_cast<int16_t>(static_cast<uint16_t>(x)); }
    Value Unary(Op op, Value x) const { return ApplyUnary(op, x); }
    Value Binary(Op op, Value a, Value b) const { return ApplyBinary(op, a, b); }
    Value Choice(Value c, Value a, Value b) const { return c ? a : b; }

  private:
    const Registers &start_;
    const uint16_t *startMemory_;
    const std::vector<std::pair<uint16_t, uint16_t>> &words_;
    const Registers &end_;
    const uint16_t *endMemory_;
};

class Trials {
  public:
    Trials(const Goal &goal, const std::vector<Input> &inputs);
    ~Trials();

    // One run, the inputs taking `values` (one per input, in order).
    Trial Run(const uint16_t *values);
    // Runs that go on past `deadline` end as Late.
    void SetDeadline(std::chrono::steady_clock::time_point deadline) { deadline_ = deadline; }

  private:
    // The machine of `side` as it starts, with the inputs taking `values`.
    Machine &Start(sim::CaseMachine &side, const uint16_t *values);
    // Whether the assumptions hold on `m` as it starts; notes the start.
    bool Assumed(const Machine &m, const uint16_t *values);
    RunEnd RunFor(Machine &m, bool *late);

    const Goal &goal_;
    const std::vector<Input> &inputs_;
    sim::CaseMachine program_;                     // the run's machine
    std::unique_ptr<sim::CaseMachine> reference_;  // the reference's, for an equivalence
    Registers start_;                     // the registers the last run started from
    std::vector<std::pair<uint16_t, uint16_t>> words_;  // the memory inputs of the last run
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
};

#endif
