// zanfo-sim's machine: the bit-slice processor that zanfo's microwords
// drive, one microinstruction per cycle.  The state is that of the parts:
// an Am2910 sequencer (μPC, the register/counter R, a five-entry stack),
// a 16-bit Am2901 datapath (R0..R63 and Q), MAR, IR, 64Ki words of memory
// and the flag registers UFLAG and MFLAG.
//
// The control store holds each word decoded once, when it is loaded, into
// a Microinstruction; Step then executes one cycle from that record.
#ifndef ZANFO_MACHINE_H
#define ZANFO_MACHINE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "parts.h"

constexpr unsigned kStoreSize = 4096;     // control store words, addresses 000..FFF
constexpr unsigned kStackDepth = 5;       // entries of the sequencer's stack
constexpr unsigned kRegisterCount = 64;   // R0..R63
constexpr size_t kMemoryWords = 65536;    // 16-bit words, addressed by MAR
constexpr unsigned kOpcodes = 256;        // IR >> 8, what JMAP maps

// Why a word cannot run.
enum class Fault : uint8_t {
    None,
    Empty,       // no word was loaded at this address
    Unmodelled,  // a field holds a value the model does not define
};

// One control-store word, decoded when it is loaded: 32 bytes, so that
// a cycle finds its word with a shift.
struct alignas(32) Microinstruction {
    Fault fault = Fault::Empty;              // Fault::None: the word can run
    bool halt = false;                       // Break: the run stops after this cycle
    bool breakpoint = false;                 // --break: the run stops before this cycle
    uint8_t sequencer = 14;                  // Am2910 instruction 0..15 (as run: see loopToAddress)
    uint8_t testFlags = 0;                   // the flag register the condition reads: 0 UFLAG, 1 MFLAG
    uint16_t passes = 0;                     // bit f set: the test passes when that register holds f
    uint16_t target = 0;                     // the sequencer's D: ConstantAddr's low 12 bits
    uint16_t constant = 0;                   // ConstantAddr, for the D bus, memory and the flag bus
    uint8_t regA = 0, regB = 0;              // RegA, RegB: the port addresses when taken directly
    bool irA = false, irB = false;           // RegSelect: the A / B address comes from the IR
    uint8_t irShiftA = 0, irShiftB = 0;      // then from IR bits shift+3..shift (4k, k from RegA/RegB)
    Operand r = Operand::A, s = Operand::B;  // AluSource: what reaches the ALU's R and S
    uint8_t function = 0;                    // AluFunction, the Am2901's 0..7
    uint8_t carry = 0;                       // CarryIn
    Destination to = Destination::None;      // AluDest: where F goes
    Shift shift = Shift::None;               // AluDest: through the shifter, right or left
    bool arithmetic = false;                 // ShiftCtrl 2: a right shift keeps bit 15
    DSource d = DSource::Zero;               // YBusCtrl (and FlagInstr): what the D bus carries
    Transfer transfer = Transfer::None;      // YBusCtrl: the transfer at the end of the cycle
    FlagLoad flags = FlagLoad::None;         // FlagInstr: what the flag registers load
};

// A word that reads the memory word at MAR (onto the D bus, or into IR),
// and one that writes it (F or the constant), when it runs.
inline bool ReadsMemory(const Microinstruction &w) {
    return w.d == DSource::Memory || w.transfer == Transfer::MemoryToIr;
}
inline bool WritesMemory(const Microinstruction &w) {
    return w.transfer == Transfer::FToMemory || w.transfer == Transfer::ConstToMemory;
}

// The word decoded; `loopToAddress` runs RFCT (8) as RPCT (9).
Microinstruction Decode(uint64_t word, bool loopToAddress = false);

// Names the fields of `word` that hold a value the model does not define,
// as "AluDest 3" (several joined by ", "); empty when there are none.
std::string UnmodelledFields(uint64_t word);


// True when condition `code` (0..31) holds on a flag register holding `flags`.
bool ConditionHolds(unsigned code, uint8_t flags);

// The registers of the machine, everything but the store and memory.
struct Registers {
    uint16_t upc = 0;                              // μPC: the address of the next microinstruction
    uint16_t counter = 0;                          // R, the sequencer's register/counter (12 bits)
    std::array<uint16_t, kStackDepth> stack{};     // stack[0] is the bottom entry
    uint8_t depth = 0;                             // entries on the stack, 0..5
    std::array<uint16_t, kRegisterCount> r{};      // R0..R63
    uint16_t q = 0;                                // Q
    uint16_t mar = 0;                              // memory address register
    uint16_t ir = 0;                               // instruction register
    uint8_t uflag = 0;                             // user flags: Z N V C in bits 0..3
    uint8_t mflag = 0;                             // machine flags, likewise
};

bool operator==(const Registers &a, const Registers &b);
inline bool operator!=(const Registers &a, const Registers &b) { return !(a == b); }

// Why a cycle, or a run, ended.
enum class StepResult : uint8_t { Ran, Halted, Error };

// The error that stopped the run: the cycle it happened in changed nothing.
struct MachineError {
    uint16_t address = 0;  // the microinstruction that could not run
    uint64_t word = 0;     // its microword (none when the address is empty)
    bool empty = false;    // no word at that address
    std::string what;      // what went wrong, naming the field or the instruction
};

// The cycle of the word at μPC as the datapath sees it: what each port,
// bus and input carries and where the sequencer goes, as Step would work
// it out (the playground draws it, zanfo-sim --vcd writes it).  A word
// that cannot run has its datapath's values all the same, as the board's
// parts give them (an empty address holds the word 0), and `next` and
// `counter` as they are.
struct CycleView {
    uint16_t address = 0;    // the word's address: μPC
    bool runs = false;       // false: the cycle would stop on `error` and change nothing
    MachineError error;      // why it would stop
    uint8_t aAddress = 0;    // the register on the A port
    uint8_t bAddress = 0;    // the register on the B port, where F or the shifter writes
    uint16_t a = 0, b = 0;   // what the A and B ports read
    uint16_t memory = 0;     // the memory word at MAR
    uint16_t d = 0;          // the D bus into the ALU
    uint16_t r = 0, s = 0;   // the ALU's R and S inputs
    uint16_t f = 0;          // the ALU result
    uint8_t status = 0;      // Z N V C of F (kFlagZ...)
    uint16_t y = 0;          // what the destination gets: F, or F through the shifter
    uint16_t bus = 0;        // what the bus takes to the flag registers
    uint8_t uflag = 0;       // UFLAG after the cycle
    uint8_t mflag = 0;       // MFLAG after the cycle
    bool pass = false;       // the sequencer's test passes
    uint16_t next = 0;       // μPC after the cycle
    uint16_t counter = 0;    // the register/counter after the cycle
};

// How a run ended.
enum class RunEnd : uint8_t {
    Halted,      // a HALT word ran
    Breakpoint,  // μPC reached a --break address
    Error,       // a cycle stopped on an error: see Machine::error
    CycleLimit,  // maxCycles cycles ran without a HALT
    Stopped,     // the watcher stopped the run after a cycle
};

// What a run shows to a watcher (the trace, the coverage): called around
// every cycle.  After returns whether the run goes on; false ends it after
// that cycle with RunEnd::Stopped, unless the cycle ended it anyway (a
// HALT, an error).
class Machine;
class CycleWatcher {
  public:
    virtual ~CycleWatcher() = default;
    virtual void Before(const Machine &machine) = 0;
    virtual bool After(const Machine &machine, StepResult result) = 0;
};

class Machine {
  public:
    Machine();

    // Loads `word` at `address` (0..FFF), decoded; the other addresses stay as they are.
    void LoadWord(unsigned address, uint64_t word);
    // RFCT runs as RPCT from now on (--loop-to-address); decodes the store again.
    void SetLoopToAddress(bool on);
    void SetBreakpoint(unsigned address, bool on = true);
    // JMAP's mapping: address of each opcode, -1 for an opcode not mapped.
    // Without one, JMAP jumps to IR >> 8.
    void SetMapping(const std::array<int, kOpcodes> &addresses);

    // Executes one microinstruction: the word at μPC.
    StepResult Step();
    // What that cycle would read and compute, worked out without running it.
    CycleView Peek() const;

    Registers regs;                  // the registers, free to set before a run
    std::vector<uint16_t> memory;    // kMemoryWords words
    std::vector<uint8_t> written;    // 1 for each memory word a cycle wrote
    uint64_t cycles = 0;             // cycles completed, the HALT cycle included
    uint16_t executed = 0;           // the address of the last cycle completed
    MachineError error;              // set when Step returns Error

    const Microinstruction &At(unsigned address) const { return store_[address & 0xFFF]; }
    // JMAP's target for `opcode`: its address in the mapping (-1 when it is
    // not mapped), or the opcode itself without a mapping.
    int MapTarget(unsigned opcode) const { return mapped_ ? mapping_[opcode & 0xFF] : static_cast<int>(opcode & 0xFF); }
    bool Mapped() const { return mapped_; }
    uint64_t WordAt(unsigned address) const { return words_[address & 0xFFF]; }  // as loaded
    // True when some word of the store that can run passes `test`
    // (ReadsMemory, WritesMemory).
    bool AnyWord(bool (*test)(const Microinstruction &)) const {
        for (const Microinstruction &w : store_)
            if (w.fault == Fault::None && test(w))
                return true;
        return false;
    }

  private:
    friend RunEnd Run(Machine &, uint64_t, CycleWatcher *);
    template <bool>
    friend RunEnd RunLoop(Machine &, const struct CycleParts &, uint64_t, CycleWatcher *);

    // On the heap, with the memory: a Machine is small enough for any stack.
    std::vector<Microinstruction> store_;    // kStoreSize words, decoded
    std::vector<uint64_t> words_;            // the microwords as loaded, for messages
    std::array<int16_t, kOpcodes> mapping_;  // JMAP's address per opcode, -1 not mapped
    bool mapped_ = false;                    // false: JMAP goes to IR >> 8
    bool loopToAddress_ = false;             // RFCT runs as RPCT
    unsigned breakpoints_ = 0;               // addresses with a breakpoint
};

// Runs until a HALT, a breakpoint, an error, `maxCycles` cycles in all
// (Machine::cycles reaching it) or the watcher's word to stop.  A
// breakpoint at μPC stops the run before its word executes, even on the
// first cycle.
RunEnd Run(Machine &machine, uint64_t maxCycles, CycleWatcher *watcher = nullptr);

#endif
