// zanfo's machine, part by part, as tables: what the Am2901's source,
// destination and function codes select, what the D bus and the flag
// registers do with YBusCtrl and FlagInstr, the 16 conditions, and the
// Am2910's sixteen instructions.  The simulator's cycle, the static checks
// and the prover all read these tables; nothing else says what a field
// value makes the machine do.
#ifndef ZANFO_MACHINE_PARTS_H
#define ZANFO_MACHINE_PARTS_H

#include <cstdint>

// The values that reach the ALU's R and S inputs.
enum class Operand : uint8_t { Zero, A, B, Q, D };

// Where the ALU result goes (AluDest).
enum class Destination : uint8_t { None, B, Q };
enum class Shift : uint8_t { None, Right, Left };

// What the D bus carries into the ALU (YBusCtrl, with FlagInstr for the flags).
enum class DSource : uint8_t { Zero, Memory, Constant, Uflag, Mflag };

// What the bus moves at the end of the cycle (YBusCtrl).
enum class Transfer : uint8_t {
    None,
    MemoryToIr,     // IR <- memory at MAR
    FToMemory,      // memory at MAR <- F
    FToMar,         // MAR <- F
    FToFlags,       // F on the bus to the flag registers
    ConstToMemory,  // memory at MAR <- constant
    ConstToFlags,   // the constant on the bus to the flag registers
};

// What happens to the flag registers (FlagInstr).
enum class FlagLoad : uint8_t { None, UStatus, MStatus, UBus, MBus };

// ---------------------------------------------------------------------------
// The ALU.

// AluSource: the Am2901's eight source pairs (R, S).
struct SourcePair {
    Operand r;  // onto the ALU's R input
    Operand s;  // onto its S input
};
inline constexpr SourcePair kSourcePairs[8] = {
    {Operand::A, Operand::Q},     // 0  A, Q
    {Operand::A, Operand::B},     // 1  A, B
    {Operand::Zero, Operand::Q},  // 2  0, Q
    {Operand::Zero, Operand::B},  // 3  0, B
    {Operand::Zero, Operand::A},  // 4  0, A
    {Operand::D, Operand::A},     // 5  D, A
    {Operand::D, Operand::Q},     // 6  D, Q
    {Operand::D, Operand::Zero},  // 7  D, 0
};

// AluFunction: the Am2901's eight functions, with carry-in c.  The first
// three add (the status then has the carry out and the overflow); the
// logic functions leave C and V clear.
enum class Function : uint8_t {
    Add,      // 0  R + S + c
    SubR,     // 1  S + ~R + c
    SubS,     // 2  R + ~S + c
    Or,       // 3  R | S
    And,      // 4  R & S
    NotRAnd,  // 5  ~R & S
    Xor,      // 6  R ^ S
    Xnor,     // 7  ~(R ^ S)
};
inline constexpr bool Adds(Function f) { return f <= Function::SubS; }

// AluDest: the codes the board defines; the others stop the run.  5 and 7
// are the board's own codes (RAMF and QREG without a shift).
struct DestinationCode {
    bool defined;       // false: not modelled
    Destination to;     // the register F (or F shifted) is written to
    Shift shift;        // through the shifter
};
inline constexpr DestinationCode kDestinations[16] = {
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

// ShiftCtrl: what enters the shifter.  Only 0 (a zero) and 2 (on a right
// shift, the old bit 15) are modelled.
inline constexpr bool kShiftDefined[4] = {true, false, true, false};

// ---------------------------------------------------------------------------
// The D bus and the flag registers.

// YBusCtrl: what the D bus carries into the ALU, and what the bus moves at
// the end of the cycle.  Code 10 reads the flag register FlagInstr names.
struct BusCode {
    bool defined;       // false: not modelled
    DSource d;          // the ALU's D input
    Transfer transfer;  // the transfer at the end of the cycle
};
inline constexpr unsigned kBusReadsFlags = 10;
inline constexpr BusCode kBusCodes[16] = {
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
inline constexpr FlagCode kFlagCodes[8] = {
    {true, DSource::Zero, FlagLoad::None},      // 0  nothing
    {false, DSource::Zero, FlagLoad::None},     // 1
    {true, DSource::Uflag, FlagLoad::None},     // 2  UFLAG is read
    {true, DSource::Mflag, FlagLoad::None},     // 3  MFLAG is read
    {true, DSource::Zero, FlagLoad::UStatus},   // 4  UFLAG <- status of F
    {true, DSource::Zero, FlagLoad::MStatus},   // 5  MFLAG <- status of F
    {true, DSource::Zero, FlagLoad::UBus},      // 6  UFLAG <- low 4 bits of the bus
    {true, DSource::Zero, FlagLoad::MBus},      // 7  MFLAG <- low 4 bits of the bus
};

// The bits of UFLAG and MFLAG.
constexpr uint8_t kFlagZ = 1;  // the result was zero
constexpr uint8_t kFlagN = 2;  // bit 15 of the result
constexpr uint8_t kFlagV = 4;  // signed overflow
constexpr uint8_t kFlagC = 8;  // carry out of bit 15

// ---------------------------------------------------------------------------
// The conditions.  CondCode 0..15 (16..31 are their negations).  Codes 0-3
// and 8-11 read UFLAG, 4-7 and 12-15 MFLAG; the relations read as a
// compared with b after COMP(a, b), which computes a + ~b + 1.

enum class Relation : uint8_t {
    Z,                // Z
    N,                // N
    V,                // V
    C,                // C
    SignedGreater,    // not (N xor V) and not Z
    SignedSmaller,    // N xor V
    UnsignedGreater,  // C and not Z
    UnsignedSmaller,  // not C
};
enum class FlagRegister : uint8_t { Uflag, Mflag };

struct Condition {
    FlagRegister reads;  // the flag register the test reads
    Relation holds;      // what must hold on it
};
inline constexpr Condition kConditions[16] = {
    {FlagRegister::Uflag, Relation::Z},                //  0 UZ
    {FlagRegister::Uflag, Relation::N},                //  1 UN
    {FlagRegister::Uflag, Relation::V},                //  2 UV
    {FlagRegister::Uflag, Relation::C},                //  3 UC
    {FlagRegister::Mflag, Relation::Z},                //  4 MZ
    {FlagRegister::Mflag, Relation::N},                //  5 MN
    {FlagRegister::Mflag, Relation::V},                //  6 MV
    {FlagRegister::Mflag, Relation::C},                //  7 MC
    {FlagRegister::Uflag, Relation::SignedGreater},    //  8 USG
    {FlagRegister::Uflag, Relation::SignedSmaller},    //  9 USS
    {FlagRegister::Uflag, Relation::UnsignedGreater},  // 10 UUG
    {FlagRegister::Uflag, Relation::UnsignedSmaller},  // 11 UUS
    {FlagRegister::Mflag, Relation::SignedGreater},    // 12 MSG
    {FlagRegister::Mflag, Relation::SignedSmaller},    // 13 MSS
    {FlagRegister::Mflag, Relation::UnsignedGreater},  // 14 MUG
    {FlagRegister::Mflag, Relation::UnsignedSmaller},  // 15 MUS
};
inline constexpr unsigned kNegated = 16;  // CondCode bit: the negation of the code below it

// Whether `relation` holds on flags Z, N, V, C: for plain booleans, or for
// any type with !, &&, != and == (the prover's solver terms).
template <class Bool>
Bool RelationHolds(Relation relation, const Bool &z, const Bool &n, const Bool &v, const Bool &c) {
    switch (relation) {
    case Relation::Z: return z;
    case Relation::N: return n;
    case Relation::V: return v;
    case Relation::C: return c;
    case Relation::SignedGreater: return n == v && !z;
    case Relation::SignedSmaller: return n != v;
    case Relation::UnsignedGreater: return c && !z;
    case Relation::UnsignedSmaller: return !c;
    }
    return z;
}

// ---------------------------------------------------------------------------
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

// The index into SequencerCode::paths.
constexpr unsigned PathIndex(bool counterZero, bool pass) { return counterZero * 2u + pass; }

namespace am2910 {
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
constexpr SequencerCode Always(Path p) { return {{p, p, p, p}}; }
// By the test only: fail, pass.
constexpr SequencerCode Test(Path fail, Path pass) { return {{fail, pass, fail, pass}}; }
// By R only: R != 0, R = 0.
constexpr SequencerCode Count(Path nonzero, Path zero) { return {{nonzero, nonzero, zero, zero}}; }

inline constexpr SequencerCode kSequencer[16] = {
    /*  0 JZ   */ Always(P(kZero, kClear)),
    /*  1 CJS  */ Test(P(kUpc), P(kD, kPush)),
    /*  2 JMAP */ Always(P(kMap)),
    /*  3 CJP  */ Test(P(kUpc), P(kD)),
    /*  4 PUSH */ Test(P(kUpc, kPush), P(kUpc, kPush, kLoad)),
    /*  5 JSRP */ Test(P(kR, kPush), P(kD, kPush)),
    /*  6 CJV  */ Always(P(kVector)),
    /*  7 JRP  */ Test(P(kR), P(kD)),
    /*  8 RFCT */ Count(P(kTop, kHold, kDec), P(kUpc, kPop)),
    /*  9 RPCT */ Count(P(kD, kHold, kDec), P(kUpc)),
    /* 10 CRTN */ Test(P(kUpc), P(kTop, kPop)),
    /* 11 CJPP */ Test(P(kUpc), P(kD, kPop)),
    /* 12 LDCT */ Always(P(kUpc, kHold, kLoad)),
    /* 13 LOOP */ Test(P(kTop), P(kUpc, kPop)),
    /* 14 CONT */ Always(P(kUpc)),
    /* 15 TWB  */ {{P(kTop, kHold, kDec), P(kUpc, kPop, kDec), P(kD, kPop), P(kUpc, kPop)}},
};
}  // namespace am2910
using am2910::kSequencer;

constexpr unsigned kCjv = 6, kRfct = 8, kRpct = 9;  // instructions named in the model

#endif
