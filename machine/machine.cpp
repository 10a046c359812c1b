// zanfo-sim's machine: the tables of the parts, a word decoded once, and
// the cycle.
#include "machine.h"

#include <cstdio>

#include "microword.h"

namespace {

// ---------------------------------------------------------------------------
// The parts, as tables.

// AluSource: the Am2901's eight source pairs (R, S).
struct SourcePair {
    Operand r;  // onto the ALU's R input
    Operand s;  // onto its S input
};
const SourcePair kSourcePairs[8] = {
    {Operand::A, Operand::Q},     // 0  A, Q
    {Operand::A, Operand::B},     // 1  A, B
    {Operand::Zero, Operand::Q},  // 2  0, Q
    {Operand::Zero, Operand::B},  // 3  0, B
    {Operand::Zero, Operand::A},  // 4  0, A
    {Operand::D, Operand::A},     // 5  D, A
    {Operand::D, Operand::Q},     // 6  D, Q
    {Operand::D, Operand::Zero},  // 7  D, 0
};

// AluDest: the codes the model defines; the others stop the run.
struct DestinationCode {
    bool defined;       // false: not modelled
    Destination to;     // the register F (or F shifted) is written to
    Shift shift;        // through the shifter
};
const DestinationCode kDestinations[16] = {
    {false, Destination::None, Shift::None},  //  0
    {false, Destination::None, Shift::None},  //  1
    {false, Destination::None, Shift::None},  //  2
    {false, Destination::None, Shift::None},  //  3
    {false, Destination::None, Shift::None},  //  4
    {true, Destination::B, Shift::None},      //  5  F -> B register
    {false, Destination::None, Shift::None},  //  6
    {true, Destination::Q, Shift::None},      //  7  F -> Q
    {true, Destination::Q, Shift::None},      //  8  F -> Q
    {true, Destination::None, Shift::None},   //  9  nowhere
    {false, Destination::None, Shift::None},  // 10
    {true, Destination::B, Shift::None},      // 11  F -> B register
    {false, Destination::None, Shift::None},  // 12
    {true, Destination::B, Shift::Right},     // 13  F shifted right -> B register
    {false, Destination::None, Shift::None},  // 14
    {true, Destination::B, Shift::Left},      // 15  F shifted left -> B register
};

// ShiftCtrl: what enters the shifter.  Only 0 and 2 are modelled.
const bool kShiftDefined[4] = {true, false, true, false};

// YBusCtrl: what the D bus carries into the ALU, and what the bus moves at
// the end of the cycle.  Code 10 reads the flag register FlagInstr names.
struct BusCode {
    bool defined;       // false: not modelled
    DSource d;          // the ALU's D input
    Transfer transfer;  // the transfer at the end of the cycle
};
const BusCode kBusCodes[16] = {
    {true, DSource::Zero, Transfer::None},             //  0  no transfer
    {true, DSource::Memory, Transfer::None},           //  1  memory at MAR -> D
    {true, DSource::Zero, Transfer::MemoryToIr},       //  2  memory at MAR -> IR
    {false, DSource::Zero, Transfer::None},            //  3
    {true, DSource::Zero, Transfer::FToMemory},        //  4  F -> memory at MAR
    {true, DSource::Zero, Transfer::FToMar},           //  5  F -> MAR
    {true, DSource::Zero, Transfer::FToFlags},         //  6  F -> flag bus
    {true, DSource::Constant, Transfer::None},         //  7  constant -> D
    {true, DSource::Zero, Transfer::ConstToMemory},    //  8  constant -> memory at MAR
    {true, DSource::Zero, Transfer::ConstToFlags},     //  9  constant -> flag bus
    {true, DSource::Zero, Transfer::None},             // 10  flag register -> D (by FlagInstr)
    {false, DSource::Zero, Transfer::None},            // 11
    {false, DSource::Zero, Transfer::None},            // 12
    {false, DSource::Zero, Transfer::None},            // 13
    {false, DSource::Zero, Transfer::None},            // 14
    {false, DSource::Zero, Transfer::None},            // 15
};

// FlagInstr: which flag register YBusCtrl 10 reads, and what is loaded.
struct FlagCode {
    bool defined;    // false: not modelled
    DSource read;    // the register on the D bus with YBusCtrl 10
    FlagLoad load;   // what the flag registers load at the end of the cycle
};
const FlagCode kFlagCodes[8] = {
    {true, DSource::Zero, FlagLoad::None},      // 0  nothing
    {false, DSource::Zero, FlagLoad::None},     // 1
    {true, DSource::Uflag, FlagLoad::None},     // 2  UFLAG is read
    {true, DSource::Mflag, FlagLoad::None},     // 3  MFLAG is read
    {true, DSource::Zero, FlagLoad::UStatus},   // 4  UFLAG <- status of F
    {true, DSource::Zero, FlagLoad::MStatus},   // 5  MFLAG <- status of F
    {true, DSource::Zero, FlagLoad::UBus},      // 6  UFLAG <- low 4 bits of the bus
    {true, DSource::Zero, FlagLoad::MBus},      // 7  MFLAG <- low 4 bits of the bus
};

// CondCode 0..15 (16..31 are their negations).  Codes 0-3 and 8-11 read
// UFLAG, 4-7 and 12-15 MFLAG; the relations read as a compared with b
// after COMP(a, b), which computes a + ~b + 1.
struct Flags {
    bool z, n, v, c;
};
using Test = bool (*)(Flags);
const Test kConditions[16] = {
    [](Flags f) { return f.z; },                   //  0 UZ
    [](Flags f) { return f.n; },                   //  1 UN
    [](Flags f) { return f.v; },                   //  2 UV
    [](Flags f) { return f.c; },                   //  3 UC
    [](Flags f) { return f.z; },                   //  4 MZ
    [](Flags f) { return f.n; },                   //  5 MN
    [](Flags f) { return f.v; },                   //  6 MV
    [](Flags f) { return f.c; },                   //  7 MC
    [](Flags f) { return f.n == f.v && !f.z; },    //  8 USG  signed greater
    [](Flags f) { return f.n != f.v; },            //  9 USS  signed smaller
    [](Flags f) { return f.c && !f.z; },           // 10 UUG  unsigned greater
    [](Flags f) { return !f.c; },                  // 11 UUS  unsigned smaller
    [](Flags f) { return f.n == f.v && !f.z; },    // 12 MSG
    [](Flags f) { return f.n != f.v; },            // 13 MSS
    [](Flags f) { return f.c && !f.z; },           // 14 MUG
    [](Flags f) { return !f.c; },                  // 15 MUS
};

// The Am2910's instructions.  Each takes one of four paths, chosen by the
// register/counter R (zero or not) and by the test (pass or fail); a path
// says where the next address comes from, what happens to the stack and
// what happens to R.  μPC is this address + 1, D the word's target.
enum class Next : uint8_t { Zero, Upc, D, R, Top, Map, Vector };
enum class StackOp : uint8_t { Hold, Push, Pop, Clear };
enum class CounterOp : uint8_t { Hold, Load, Decrement };

struct Path {
    Next next;          // the next address
    StackOp stack;      // push μPC, pop, or empty the stack
    CounterOp counter;  // R <- D, R <- R - 1
    bool plain;         // to μPC, D or 0, stack and R untouched: the common case
};
struct SequencerCode {
    Path paths[4];      // R != 0 fail, R != 0 pass, R = 0 fail, R = 0 pass
};

constexpr Path P(Next next, StackOp stack = StackOp::Hold, CounterOp counter = CounterOp::Hold) {
    return {next, stack, counter,
            stack == StackOp::Hold && counter == CounterOp::Hold &&
                (next == Next::Upc || next == Next::D || next == Next::Zero)};
}
constexpr Next kZero = Next::Zero, kUpc = Next::Upc, kD = Next::D, kR = Next::R, kTop = Next::Top,
               kMap = Next::Map, kVector = Next::Vector;
constexpr StackOp kPush = StackOp::Push, kPop = StackOp::Pop, kClear = StackOp::Clear,
                  kHold = StackOp::Hold;
constexpr CounterOp kLoad = CounterOp::Load, kDec = CounterOp::Decrement;

// The same path whatever R and the test.
#define ALWAYS(p) {p, p, p, p}
// By the test only: fail, pass.
#define TEST(fail, pass) {fail, pass, fail, pass}
// By R only: R != 0, R = 0.
#define COUNT(nonzero, zero) {nonzero, nonzero, zero, zero}

const SequencerCode kSequencer[16] = {
    /*  0 JZ   */ {ALWAYS(P(kZero, kClear))},
    /*  1 CJS  */ {TEST(P(kUpc), P(kD, kPush))},
    /*  2 JMAP */ {ALWAYS(P(kMap))},
    /*  3 CJP  */ {TEST(P(kUpc), P(kD))},
    /*  4 PUSH */ {TEST(P(kUpc, kPush), P(kUpc, kPush, kLoad))},
    /*  5 JSRP */ {TEST(P(kR, kPush), P(kD, kPush))},
    /*  6 CJV  */ {ALWAYS(P(kVector))},
    /*  7 JRP  */ {TEST(P(kR), P(kD))},
    /*  8 RFCT */ {COUNT(P(kTop, kHold, kDec), P(kUpc, kPop))},
    /*  9 RPCT */ {COUNT(P(kD, kHold, kDec), P(kUpc))},
    /* 10 CRTN */ {TEST(P(kUpc), P(kTop, kPop))},
    /* 11 CJPP */ {TEST(P(kUpc), P(kD, kPop))},
    /* 12 LDCT */ {ALWAYS(P(kUpc, kHold, kLoad))},
    /* 13 LOOP */ {TEST(P(kTop), P(kUpc, kPop))},
    /* 14 CONT */ {ALWAYS(P(kUpc))},
    /* 15 TWB  */ {{P(kTop, kHold, kDec), P(kUpc, kPop, kDec), P(kD, kPop), P(kUpc, kPop)}},
};

#undef ALWAYS
#undef TEST
#undef COUNT

constexpr unsigned kRfct = 8, kRpct = 9, kCjv = 6;

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

Flags FlagsOf(uint8_t value) {
    return {(value & kFlagZ) != 0, (value & kFlagN) != 0, (value & kFlagV) != 0, (value & kFlagC) != 0};
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
    const Path &path = kSequencer[w.sequencer].paths[(s.counter == 0) * 2 + pass];
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
    bool holds = kConditions[code & 15](FlagsOf(flags & 15));
    return (code & 16) ? !holds : holds;
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
    m.testFlags = (cond >> 2) & 1;
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
    m.d = GetField(word, Field::YBusCtrl) == 10 ? flag.read : bus.d;
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

Machine::Machine() : memory(kMemoryWords, 0), written(kMemoryWords, 0) { mapping_.fill(-1); }

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
