// zanfo-sim's machine: a word decoded once, the cycle of cycle.h on
// 16-bit integers, and the run.
#include "machine.h"
#include "cycle.h"

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
// zanfo-sim's values for the cycle of cycle.h: 16-bit words, flag
// registers in a byte, an addition in 32 bits, register addresses as
// numbers.  Every operation is the C++ one, cut back to 16 bits.
struct Concrete {
    using Word = uint16_t;    // a datapath value
    using Flags = uint8_t;    // Z N V C in bits 0..3
    using Bool = bool;
    using Sum = uint32_t;     // x + y + carry, in its low 17 bits
    using Address = uint8_t;  // R0..R63

    // The memory as the stages read it, and as Commit writes it, with the
    // marks of the words written.
    struct MemoryView {
        const uint16_t *words;  // kMemoryWords words
    };
    struct Memory {
        uint16_t *words;   // kMemoryWords words
        uint8_t *written;  // 1 for each word written
    };

    static Word Constant(uint16_t x) { return x; }
    static Flags FlagConstant(uint8_t x) { return x; }
    static Bool False() { return false; }
    static Word Not(Word x) { return static_cast<uint16_t>(~x); }
    static Word And(Word x, Word y) { return x & y; }
    static Word Or(Word x, Word y) { return x | y; }
    static Word Xor(Word x, Word y) { return x ^ y; }
    static Word ShiftRight(Word x) { return x >> 1; }
    static Word ShiftLeft(Word x) { return static_cast<uint16_t>(x << 1); }
    static Sum AddWithCarry(Word x, Word y, unsigned carry) { return uint32_t{x} + uint32_t{y} + carry; }
    static Word Low(Sum sum) { return static_cast<uint16_t>(sum); }
    static Bool CarryOut(Sum sum) { return (sum >> 16) & 1; }
    static Bool IsZero(Word x) { return x == 0; }
    static Bool Bit15(Word x) { return x >> 15; }
    static Flags Pack(Bool z, Bool n, Bool v, Bool c) {
        return static_cast<uint8_t>(z * kFlagZ | n * kFlagN | v * kFlagV | c * kFlagC);
    }
    static Flags LowFour(Word x) { return x & 15; }
    static Word Widen(Flags f) { return f; }
    static Bool TableBit(uint16_t table, Flags f) { return (table >> f) & 1; }
    static Address Direct(uint8_t address) { return address; }
    static Address IrField(Word ir, unsigned shift) { return (ir >> shift) & 15; }
    static Word Read(const Registers &s, Address a) { return s.r[a]; }
    static void Write(Registers &s, Address a, Word x) { s.r[a] = x; }
    static Word Load(const MemoryView &m, Word address) { return m.words[address]; }
    static void Store(Memory &m, Word address, Word x) {
        m.words[address] = x;
        m.written[address] = 1;
    }
};

using Cycle = cycle::Cycle<Concrete>;

// JMAP's target: the mapping of the IR's opcode, or the opcode itself.
struct Mapping {
    const int16_t *addresses;  // per opcode, -1 not mapped
    bool mapped;               // false: JMAP goes to IR >> 8

    bool Target(const Registers &s, uint16_t *next, MachineError &error, uint16_t address,
                const Microinstruction &) const {
        unsigned opcode = s.ir >> 8;
        if (!mapped) {
            *next = static_cast<uint16_t>(opcode);
            return true;
        }
        if (addresses[opcode] >= 0) {
            *next = static_cast<uint16_t>(addresses[opcode]);
            return true;
        }
        return Unmapped(error, address, s.ir);
    }

    __attribute__((noinline, cold)) static bool Unmapped(MachineError &error, uint16_t address, uint16_t ir) {
        error.address = address;
        error.empty = false;
        error.what = "JMAP: opcode 0x" + Hex(ir >> 8, 2) + " (IR 0x" + Hex(ir, 4) + ") is not in the mapping";
        return false;
    }
};

// Stages 2 to 8 of the word `w` at c.address: everything the cycle reads
// and works out, nothing written.  False when the sequencer stops the cycle.
ZANFO_STAGE bool Compute(const Registers &s, Concrete::MemoryView memory, const Mapping &mapping,
                         const Microinstruction &w, Cycle &c, MachineError &error) {
    const Concrete v;
    cycle::Datapath(v, s, memory, w, c);                                  // 2 to 7
    cycle::Test(v, s, w, c);                                              // 8
    return cycle::Sequencer<Concrete>(s, w, c.pass, mapping, c, error);
}

}  // namespace

bool cycle::Fail(MachineError &error, uint16_t address, const Microinstruction &w, const char *what) {
    error.address = address;
    error.empty = false;
    error.what = std::string(SequencerMnemonic(w.sequencer)) + what;
    return false;
}

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

void Machine::SetBreakpoint(unsigned address, bool on) {
    Microinstruction &slot = store_[address & 0xFFF];
    breakpoints_ += static_cast<unsigned>(on) - static_cast<unsigned>(slot.breakpoint);
    slot.breakpoint = on;
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
ZANFO_STAGE StepResult OneCycle(const CycleParts &k, Registers &regs, MachineError &error, uint16_t &executed) {
    // 1. Fetch, and the check of what cannot run.
    Cycle c{Concrete()};
    c.address = regs.upc & 0xFFF;
    const Microinstruction &w = k.store[c.address];
    if (w.fault != Fault::None)
        return FetchError(error, c.address, w, k.words[c.address]);
    if (!Compute(regs, {k.memory}, {k.mapping, k.mapped}, w, c, error)) {  // 2 to 8
        error.word = k.words[c.address];
        return StepResult::Error;
    }
    Concrete::Memory memory{k.memory, k.written};
    cycle::Commit(Concrete(), regs, memory, w, c);
    executed = c.address;
    return w.halt ? StepResult::Halted : StepResult::Ran;  // 9
}

}  // namespace

CycleView Machine::Peek() const {
    CycleView v;
    Cycle c{Concrete()};
    c.address = regs.upc & 0xFFF;
    v.address = c.address;
    const Microinstruction &stored = store_[c.address];
    // A word that cannot run goes through the datapath all the same, as on
    // the board: its fields decoded, an empty address read as the word 0
    // that a ROM image holds there.
    const Microinstruction decoded = stored.fault == Fault::None ? stored : Decode(words_[c.address], loopToAddress_);
    const Microinstruction &w = decoded;
    if (stored.fault != Fault::None) {
        FetchError(v.error, c.address, stored, words_[c.address]);
        cycle::Datapath(Concrete(), regs, Concrete::MemoryView{memory.data()}, w, c);
    } else {
        // The stages of OneCycle up to the sequencer; nothing is committed.
        v.runs = Compute(regs, {memory.data()}, {mapping_.data(), mapped_}, w, c, v.error);
        if (!v.runs)
            v.error.word = words_[c.address];
    }
    v.aAddress = c.aAddress;
    v.bAddress = c.bAddress;
    v.a = c.a;
    v.b = c.b;
    v.memory = memory[regs.mar];
    v.d = c.d;
    v.r = cycle::Pick(Concrete(), w.r, regs, c);
    v.s = cycle::Pick(Concrete(), w.s, regs, c);
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
            if (!watcher->After(machine, result) && result == StepResult::Ran)
                return RunEnd::Stopped;
        }
        if (result != StepResult::Ran)
            return putBack(), result == StepResult::Halted ? RunEnd::Halted : RunEnd::Error;
    }
}

RunEnd Run(Machine &machine, uint64_t maxCycles, CycleWatcher *watcher) {
    const CycleParts k{machine.store_.data(), machine.words_.data(), machine.memory.data(), machine.written.data(),
                  machine.mapping_.data(), machine.mapped_};
    // The count spares a run the look at all 4096 words when no breakpoint
    // is set (zanfo-prove starts millions of short runs).  The look stays,
    // behind the count: so written, the loop below compiles to 2 % fewer
    // instructions a cycle than with the count alone (callgrind; see
    // bench/README.md).
    bool breakpoints = false;
    if (machine.breakpoints_)
        for (const Microinstruction &w : machine.store_)
            breakpoints |= w.breakpoint;
    if (watcher || breakpoints)
        return RunLoop<true>(machine, k, maxCycles, watcher);
    return RunLoop<false>(machine, k, maxCycles, nullptr);
}
