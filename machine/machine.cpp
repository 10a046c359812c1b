// zanfo-sim's machine: the tables of the parts, a word decoded once, and
// the cycle.
#include "machine.h"

#include <cstdio>

#include "microword.h"

namespace {

// The Am2910's mnemonic for instruction `code`, from the microword's table.
const char *SequencerMnemonic(unsigned code) { return FindValue(Field::Sequencer, code)->name; }

bool Modelled(Field field, uint32_t value) {
    switch (field) {
    case Field::AluDest:
        return kDestinations[value].defined;
    case Field::ShiftCtrl:
        return kShiftDefined[value];
    case Field::YBusCtrl:
        return kBusCodes[value].defined;
    case Field::FlagInstr:
        return kFlagCodes[value].defined;
    case Field::Sequencer:
        return value != kCjv;
    default:
        return true;
    }
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// ---------------------------------------------------------------------------
// The cycle.  Every stage reads the state as it was at the start of the
// cycle and puts what it computes in a Cycle; only Commit writes the state,
// so a cycle that stops on an error changes nothing.
//
// Each stage is a function of its own for the reader, and part of the
// cycle's one function for the compiler, so the Cycle stays in registers.
#define STAGE inline __attribute__((always_inline))

struct Cycle {
    uint16_t address;   // of this microinstruction
    uint8_t aAddress;   // the A port's register
    uint8_t bAddress;   // the B port's register, where the destination writes
    uint16_t a, b;      // what the A and B ports read
    uint16_t d;         // the D bus into the ALU
    uint16_t f;         // the ALU result
    uint32_t sum;       // an addition's x + y + carry, in 17 bits
    uint16_t addR;      // its addends: R or ~R,
    uint16_t addS;      // and S or ~S
    bool adds;          // F is an addition's (functions 0 to 2)
    uint8_t status;     // Z N V C of F
    uint16_t y;         // what the destination writes: F, or F through the shifter
    uint16_t bus;       // what the bus takes to the flag registers
    uint16_t loadIr;    // memory at MAR, for IR
    uint8_t uflag;      // UFLAG at the end of the cycle
    uint8_t mflag;      // MFLAG at the end of the cycle
    uint16_t next;      // μPC at the end of the cycle
    uint16_t counter;   // R at the end of the cycle
    bool pass;          // the sequencer's test passes
    uint8_t depth;      // stack entries at the end of the cycle
    bool push;          // μPC (this address + 1) goes on top of the stack
};

// 2. Register addresses: RegA and RegB, or a 4-bit field of the IR.
STAGE void RegisterAddresses(const Registers &s, const Microinstruction &w, Cycle &c) {
    c.aAddress = w.irA ? (s.ir >> w.irShiftA) & 15 : w.regA;
    c.bAddress = w.irB ? (s.ir >> w.irShiftB) & 15 : w.regB;
    c.a = s.r[c.aAddress];
    c.b = s.r[c.bAddress];
}

// 3. The D bus: memory at MAR, the constant, a flag register, or 0.
STAGE void DBus(const Registers &s, const uint16_t *memory, const Microinstruction &w,
                 Cycle &c) {
    // Tests rather than a switch: most words put nothing on the bus.
    if (w.d == DSource::Zero)
        c.d = 0;
    else if (w.d == DSource::Constant)
        c.d = w.constant;
    else if (w.d == DSource::Memory)
        c.d = memory[s.mar];
    else
        c.d = w.d == DSource::Uflag ? s.uflag : s.mflag;
}

// x + y + carry in 17 bits; the addends are kept for the status.
STAGE void Add(uint16_t x, uint16_t y, unsigned carry, Cycle &c) {
    c.sum = uint32_t{x} + uint32_t{y} + carry;
    c.f = static_cast<uint16_t>(c.sum);
    c.addR = x;
    c.addS = y;
    c.adds = true;
}

// The status of F: Z and N; after an addition (functions 0 to 2) the
// carry out of bit 15 and the signed overflow, after the others 0.
// Worked out only for a cycle that loads it.
STAGE uint8_t Status(const Cycle &c) {
    unsigned status = (c.f == 0) * kFlagZ | (c.f >> 15) * kFlagN;
    if (c.adds)
        status |= ((c.sum >> 16) & 1) * kFlagC | ((((c.addR ^ c.f) & (c.addS ^ c.f)) >> 15) & 1) * kFlagV;
    return static_cast<uint8_t>(status);
}

// The value of an operand of the source pair.
STAGE uint16_t Pick(Operand operand, const Registers &s, const Cycle &c) {
    if (operand == Operand::A)
        return c.a;
    if (operand == Operand::B)
        return c.b;
    if (operand == Operand::D)
        return c.d;
    return operand == Operand::Q ? s.q : 0;
}

// 4. The ALU: the source pair onto R and S, then the function.
STAGE void Alu(const Registers &s, const Microinstruction &w, Cycle &c) {
    uint16_t r = Pick(w.r, s, c);
    uint16_t sv = Pick(w.s, s, c);
    c.adds = false;
    switch (w.function) {
    case 0: Add(r, sv, w.carry, c); break;                            // R + S + c
    case 1: Add(static_cast<uint16_t>(~r), sv, w.carry, c); break;   // S + ~R + c
    case 2: Add(r, static_cast<uint16_t>(~sv), w.carry, c); break;   // R + ~S + c
    case 3: c.f = r | sv; break;                                     // R OR S
    case 4: c.f = r & sv; break;                                     // R AND S
    case 5: c.f = static_cast<uint16_t>(~r & sv); break;             // NOT R AND S
    case 6: c.f = r ^ sv; break;                                     // R XOR S
    default: c.f = static_cast<uint16_t>(~(r ^ sv)); break;          // NOT (R XOR S)
    }
    c.status = Status(c);
}

// 5. The shifter, on the way to the destination.
STAGE void Shifter(const Microinstruction &w, Cycle &c) {
    if (w.shift == Shift::None)
        c.y = c.f;
    else if (w.shift == Shift::Right)
        c.y = static_cast<uint16_t>((c.f >> 1) | (w.arithmetic ? c.f & 0x8000 : 0));
    else
        c.y = static_cast<uint16_t>(c.f << 1);
}

// 6. Bus transfers: what reaches IR and the flag bus (memory and MAR are written by Commit).
STAGE void BusTransfers(const Registers &s, const uint16_t *memory,
                         const Microinstruction &w, Cycle &c) {
    c.bus = 0;
    if (w.transfer == Transfer::None)
        return;
    if (w.transfer == Transfer::MemoryToIr)
        c.loadIr = memory[s.mar];
    else if (w.transfer == Transfer::FToFlags)
        c.bus = c.f;
    else if (w.transfer == Transfer::ConstToFlags)
        c.bus = w.constant;
}

// 7. The flag registers: the status of F, or the low four bits of the bus.
STAGE void FlagRegisters(const Registers &s, const Microinstruction &w, Cycle &c) {
    c.uflag = s.uflag;
    c.mflag = s.mflag;
    if (w.flags == FlagLoad::None)
        return;
    switch (w.flags) {
    case FlagLoad::None: break;
    case FlagLoad::UStatus: c.uflag = c.status; break;
    case FlagLoad::MStatus: c.mflag = c.status; break;
    case FlagLoad::UBus: c.uflag = c.bus & 15; break;
    case FlagLoad::MBus: c.mflag = c.bus & 15; break;
    }
}

// Why the cycle stops: `what` follows the instruction's name, or, when
// null, the opcode of the IR is not in the mapping.  Out of the way of the
// cycles that do not stop.
__attribute__((noinline, cold)) bool Fail(MachineError &error, uint16_t address, const Microinstruction &w,
                                          const char *what, const Registers &s) {
    error.address = address;
    error.empty = false;
    if (what)
        error.what = std::string(SequencerMnemonic(w.sequencer)) + what;
    else
        error.what = "JMAP: opcode 0x" + Hex(s.ir >> 8, 2) + " (IR 0x" + Hex(s.ir, 4) + ") is not in the mapping";
    return false;
}

// 8. The sequencer: the test on the flags as they were at the start of
// the cycle, then the path the instruction takes.
STAGE bool Sequencer(const Registers &s, const Microinstruction &w, const int16_t *mapping,
                      bool mapped, Cycle &c, MachineError &error) {
    const uint8_t flags = w.testFlags ? s.mflag : s.uflag;
    const unsigned pass = (w.passes >> flags) & 1;
    c.pass = pass != 0;
    const Path &path = kSequencer[w.sequencer].paths[PathIndex(s.counter == 0, pass)];
    const uint16_t upc = (c.address + 1) & 0xFFF;

    c.depth = s.depth;
    c.push = false;
    c.counter = s.counter;
    if (path.plain) {  // no stack, no counter: CONT, CJP, a CJS or CRTN that fails...
        c.next = path.next == Next::Upc ? upc : path.next == Next::D ? w.target : 0;
        return true;
    }
    uint16_t top = 0;
    if (path.next == Next::Top) {
        if (s.depth == 0)
            return Fail(error, c.address, w, " reads the top of an empty stack", s);
        top = s.stack[s.depth - 1];
    }
    switch (path.stack) {
    case StackOp::Hold: break;
    case StackOp::Push:
        if (s.depth == kStackDepth)
            return Fail(error, c.address, w, " pushes onto a full stack (5 entries)", s);
        c.push = true;
        c.depth = s.depth + 1;
        break;
    case StackOp::Pop:
        if (s.depth == 0)
            return Fail(error, c.address, w, " pops an empty stack", s);
        c.depth = s.depth - 1;
        break;
    case StackOp::Clear: c.depth = 0; break;
    }
    switch (path.counter) {
    case CounterOp::Hold: c.counter = s.counter; break;
    case CounterOp::Load: c.counter = w.target; break;
    case CounterOp::Decrement: c.counter = (s.counter - 1) & 0xFFF; break;
    }
    switch (path.next) {
    case Next::Zero: c.next = 0; break;
    case Next::Upc: c.next = upc; break;
    case Next::D: c.next = w.target; break;
    case Next::R: c.next = s.counter & 0xFFF; break;
    case Next::Top: c.next = top; break;
    case Next::Map: {
        unsigned opcode = s.ir >> 8;
        if (!mapped) {
            c.next = static_cast<uint16_t>(opcode);
        } else if (mapping[opcode] < 0) {
            return Fail(error, c.address, w, nullptr, s);
        } else {
            c.next = static_cast<uint16_t>(mapping[opcode]);
        }
        break;
    }
    case Next::Vector:  // CJV stops the run before its cycle starts
        return Fail(error, c.address, w, " is not modelled", s);
    }
    return true;
}

// Stages 2 to 8 of the word `w` at c.address: everything the cycle reads
// and computes, nothing written.  False when the sequencer stops the cycle.
STAGE bool Compute(const Registers &s, const uint16_t *memory, const int16_t *mapping, bool mapped,
                   const Microinstruction &w, Cycle &c, MachineError &error) {
    RegisterAddresses(s, w, c);       // 2
    DBus(s, memory, w, c);            // 3
    Alu(s, w, c);                     // 4
    Shifter(w, c);                    // 5
    BusTransfers(s, memory, w, c);    // 6
    FlagRegisters(s, w, c);           // 7
    return Sequencer(s, w, mapping, mapped, c, error);  // 8
}

// The end of the cycle: everything computed above is written.
STAGE void Commit(Registers &s, uint16_t *memory, uint8_t *written,
                   const Microinstruction &w, const Cycle &c) {
    if (w.to == Destination::B)
        s.r[c.bAddress] = c.y;
    else if (w.to == Destination::Q)
        s.q = c.y;
    if (w.transfer != Transfer::None) {
        switch (w.transfer) {
        case Transfer::MemoryToIr: s.ir = c.loadIr; break;
        case Transfer::FToMemory: memory[s.mar] = c.f; written[s.mar] = 1; break;
        case Transfer::FToMar: s.mar = c.f; break;
        case Transfer::ConstToMemory: memory[s.mar] = w.constant; written[s.mar] = 1; break;
        default: break;
        }
    }
    s.uflag = c.uflag;
    s.mflag = c.mflag;
    if (c.push)
        s.stack[s.depth] = (c.address + 1) & 0xFFF;
    s.depth = c.depth;
    s.counter = c.counter;
    s.upc = c.next;
}

}  // namespace

// ---------------------------------------------------------------------------

std::string UnmodelledFields(uint64_t word) {
    std::string out;
    for (Field field : {Field::Sequencer, Field::YBusCtrl, Field::ShiftCtrl, Field::FlagInstr, Field::AluDest}) {
        uint32_t value = GetField(word, field);
        if (Modelled(field, value))
            continue;
        out += std::string(out.empty() ? "" : ", ") + InfoOf(field).name + " " + std::to_string(value);
        if (field == Field::Sequencer)
            out += std::string(" (") + SequencerMnemonic(value) + ")";
    }
    return out;
}

bool ConditionHolds(unsigned code, uint8_t flags) {
    bool holds = RelationHolds<bool>(kConditions[code & 15].holds, (flags & kFlagZ) != 0, (flags & kFlagN) != 0,
                                     (flags & kFlagV) != 0, (flags & kFlagC) != 0);
    return (code & kNegated) ? !holds : holds;
}

Microinstruction Decode(uint64_t word, bool loopToAddress) {
    Microinstruction m;
    m.fault = UnmodelledFields(word).empty() ? Fault::None : Fault::Unmodelled;
    m.halt = GetField(word, Field::Break) != 0;

    // The sequencer and its test.
    m.sequencer = static_cast<uint8_t>(GetField(word, Field::Sequencer));
    if (loopToAddress && m.sequencer == kRfct)
        m.sequencer = kRpct;
    unsigned cond = GetField(word, Field::CondCode);
    m.testFlags = kConditions[cond & 15].reads == FlagRegister::Mflag;
    if (GetField(word, Field::CondEnable)) {
        m.passes = 0xFFFF;
    } else {
        for (uint8_t f = 0; f < 16; ++f)
            if (ConditionHolds(cond, f))
                m.passes = static_cast<uint16_t>(m.passes | 1u << f);
    }
    m.constant = static_cast<uint16_t>(GetField(word, Field::ConstantAddr));
    m.target = m.constant & 0xFFF;

    // Register addresses: bit 0 of RegSelect for A, bit 1 for B.
    unsigned select = GetField(word, Field::RegSelect);
    m.regA = static_cast<uint8_t>(GetField(word, Field::RegA));
    m.regB = static_cast<uint8_t>(GetField(word, Field::RegB));
    m.irA = (select & 1) != 0;
    m.irB = (select & 2) != 0;
    m.irShiftA = static_cast<uint8_t>(4 * ((m.regA >> 4) & 3));
    m.irShiftB = static_cast<uint8_t>(4 * ((m.regB >> 4) & 3));

    // The ALU.
    const SourcePair &pair = kSourcePairs[GetField(word, Field::AluSource)];
    m.r = pair.r;
    m.s = pair.s;
    m.function = static_cast<uint8_t>(GetField(word, Field::AluFunction));
    m.carry = static_cast<uint8_t>(GetField(word, Field::CarryIn));
    const DestinationCode &dest = kDestinations[GetField(word, Field::AluDest)];
    m.to = dest.to;
    m.shift = dest.shift;
    m.arithmetic = GetField(word, Field::ShiftCtrl) == 2;

    // The bus and the flags.
    const BusCode &bus = kBusCodes[GetField(word, Field::YBusCtrl)];
    const FlagCode &flag = kFlagCodes[GetField(word, Field::FlagInstr)];
    m.d = GetField(word, Field::YBusCtrl) == kBusReadsFlags ? flag.read : bus.d;
    m.transfer = bus.transfer;
    m.flags = flag.load;
    return m;
}

bool operator==(const Registers &a, const Registers &b) {
    if (a.upc != b.upc || a.counter != b.counter || a.depth != b.depth || a.r != b.r || a.q != b.q ||
        a.mar != b.mar || a.ir != b.ir || a.uflag != b.uflag || a.mflag != b.mflag)
        return false;
    for (unsigned i = 0; i < a.depth; ++i)
        if (a.stack[i] != b.stack[i])
            return false;
    return true;
}

Machine::Machine()
    : memory(kMemoryWords, 0), written(kMemoryWords, 0), store_(kStoreSize), words_(kStoreSize, 0) {
    mapping_.fill(-1);
}

void Machine::LoadWord(unsigned address, uint64_t word) {
    words_[address & 0xFFF] = word;
    Microinstruction &slot = store_[address & 0xFFF];
    bool breakpoint = slot.breakpoint;
    slot = Decode(word, loopToAddress_);
    slot.breakpoint = breakpoint;
}

void Machine::SetLoopToAddress(bool on) {
    loopToAddress_ = on;
    for (Microinstruction &slot : store_)
        if (slot.fault != Fault::Empty) {
            bool breakpoint = slot.breakpoint;
            slot = Decode(words_[&slot - store_.data()], on);
            slot.breakpoint = breakpoint;
        }
}

void Machine::SetMapping(const std::array<int, kOpcodes> &addresses) {
    for (unsigned i = 0; i < kOpcodes; ++i)
        mapping_[i] = static_cast<int16_t>(addresses[i] < 0 ? -1 : addresses[i] & 0xFFF);
    mapped_ = true;
}

// What a cycle works on besides the registers, as a run holds it.
struct CycleParts {
    const Microinstruction *store;  // the decoded control store
    const uint64_t *words;          // the same words as loaded
    uint16_t *memory;               // kMemoryWords words
    uint8_t *written;               // marks of the memory words written
    const int16_t *mapping;         // JMAP's addresses per opcode
    bool mapped;                    // false: JMAP goes to IR >> 8
};

namespace {

// 1. A word that cannot run: the address is empty, or a field holds a
// value the model does not define.
__attribute__((noinline, cold)) StepResult FetchError(MachineError &error, uint16_t address,
                                                      const Microinstruction &w, uint64_t word) {
    error.address = address;
    error.word = word;
    error.empty = w.fault == Fault::Empty;
    error.what = error.empty ? "no microword at this address" : "not modelled: " + UnmodelledFields(word);
    return StepResult::Error;
}

// One cycle, in the order of the machine: the word at μPC (an empty
// address or an unmodelled value stops the run first), the register
// addresses, the D bus, the ALU, the shifter and destination, the bus
// transfers, the flags, the sequencer; then everything is written, and
// a word with the Break bit ends the run.
STAGE StepResult OneCycle(const CycleParts &k, Registers &regs, MachineError &error, uint16_t &executed) {
    // 1. Fetch, and the check of what cannot run.
    Cycle c{};
    c.address = regs.upc & 0xFFF;
    const Microinstruction &w = k.store[c.address];
    if (w.fault != Fault::None)
        return FetchError(error, c.address, w, k.words[c.address]);
    if (!Compute(regs, k.memory, k.mapping, k.mapped, w, c, error)) {  // 2 to 8
        error.word = k.words[c.address];
        return StepResult::Error;
    }
    Commit(regs, k.memory, k.written, w, c);
    executed = c.address;
    return w.halt ? StepResult::Halted : StepResult::Ran;  // 9
}

}  // namespace

CycleView Machine::Peek() const {
    CycleView v;
    Cycle c{};
    c.address = regs.upc & 0xFFF;
    v.address = c.address;
    const Microinstruction &w = store_[c.address];
    if (w.fault != Fault::None) {
        FetchError(v.error, c.address, w, words_[c.address]);
        return v;
    }
    // The stages of OneCycle up to the sequencer; nothing is committed.
    v.runs = Compute(regs, memory.data(), mapping_.data(), mapped_, w, c, v.error);
    if (!v.runs)
        v.error.word = words_[c.address];
    v.aAddress = c.aAddress;
    v.bAddress = c.bAddress;
    v.a = c.a;
    v.b = c.b;
    v.memory = memory[regs.mar];
    v.d = c.d;
    v.r = Pick(w.r, regs, c);
    v.s = Pick(w.s, regs, c);
    v.f = c.f;
    v.status = c.status;
    v.y = c.y;
    v.bus = c.bus;
    v.uflag = c.uflag;
    v.mflag = c.mflag;
    v.pass = c.pass;
    v.next = v.runs ? c.next : c.address;
    v.counter = v.runs ? c.counter : regs.counter;
    return v;
}

StepResult Machine::Step() {
    StepResult result = OneCycle(CycleParts{store_.data(), words_.data(), memory.data(), written.data(), mapping_.data(), mapped_},
                                 regs, error, executed);
    cycles += result != StepResult::Error;
    return result;
}

// The run keeps the registers in a copy of its own, which the compiler
// can hold in machine registers, and puts them back when it ends or when
// a watcher looks.  A run without breakpoints or watcher has a loop of
// its own, without their tests.
template <bool kWatched>
RunEnd RunLoop(Machine &machine, const CycleParts &k, uint64_t maxCycles, CycleWatcher *watcher) {
    Registers regs = machine.regs;
    uint64_t cycles = machine.cycles;
    uint16_t executed = machine.executed;
    auto putBack = [&] {
        machine.regs = regs;
        machine.cycles = cycles;
        machine.executed = executed;
    };
    for (;;) {
        if (cycles >= maxCycles)
            return putBack(), RunEnd::CycleLimit;
        if (kWatched) {
            if (k.store[regs.upc & 0xFFF].breakpoint)
                return putBack(), RunEnd::Breakpoint;
            if (watcher) {
                putBack();
                watcher->Before(machine);
            }
        }
        StepResult result = OneCycle(k, regs, machine.error, executed);
        cycles += result != StepResult::Error;
        if (kWatched && watcher) {
            putBack();
            watcher->After(machine, result);
        }
        if (result != StepResult::Ran)
            return putBack(), result == StepResult::Halted ? RunEnd::Halted : RunEnd::Error;
    }
}

RunEnd Run(Machine &machine, uint64_t maxCycles, CycleWatcher *watcher) {
    const CycleParts k{machine.store_.data(), machine.words_.data(), machine.memory.data(), machine.written.data(),
                  machine.mapping_.data(), machine.mapped_};
    bool breakpoints = false;
    for (const Microinstruction &w : machine.store_)
        breakpoints |= w.breakpoint;
    if (watcher || breakpoints)
        return RunLoop<true>(machine, k, maxCycles, watcher);
    return RunLoop<false>(machine, k, maxCycles, nullptr);
}
