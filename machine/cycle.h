// The cycle of the machine, stage by stage as the manual tells it, written
// once over a value type.  zanfo-sim runs it on 16-bit integers (the
// concrete values of machine.cpp) and zanfo-prove on the solver's
// bit-vector terms (prove/symbolic.h); there is no other description of
// the ALU, the shifter, the flags, the conditions or the sequencer.
//
// A stage reads the state as it was at the start of the cycle and puts what
// it works out in a Cycle; only Commit writes the state, so a cycle that
// stops on an error changes nothing.
//
// The values: a class V (passed as `v`) names the types and does the
// arithmetic on them:
//
//   Word, Flags, Bool     a 16-bit value, a 4-bit flag register (Z N V C in
//                         bits 0..3), a truth value
//   Sum                   an addition's x + y + carry, in 17 bits
//   Address               a register-file address: RegA/RegB, or a field of IR
//   Word Constant(uint16_t), Flags FlagConstant(uint8_t), Bool False()
//   Word Not/And/Or/Xor, Word ShiftRight(Word) and ShiftLeft(Word) by one place
//   Sum AddWithCarry(Word x, Word y, unsigned carry), Word Low(Sum), Bool CarryOut(Sum)
//   Bool IsZero(Word), Bool Bit15(Word), Flags Pack(Bool z, n, v, c)
//   Flags LowFour(Word), Word Widen(Flags)
//   Bool TableBit(uint16_t table, Flags f)    bit f of a 16-entry truth table
//   Address Direct(uint8_t), Address IrField(Word ir, unsigned shift)
//   Word Read(State, Address), void Write(State &, Address, Word)
//   Word Load(Memory, Word address), void Store(Memory &, Word address, Word value)
//
// The state: a class with the fields of Registers (machine.h): r[], q, mar,
// ir, uflag, mflag of the value types, and the sequencer's upc, counter,
// stack[] and depth as plain numbers in both machines.  The sequencer's
// state never depends on the data: R is loaded only from the word's D and
// counted down, the stack holds return addresses.  What the data decide
// are two seams, which a prover forks on:
//
//   - the test: Test works out `pass` as a V::Bool; Sequencer takes it as
//     a plain bool, so the prover runs Sequencer once for each outcome the
//     path allows (zanfo-sim passes its one value on);
//   - JMAP's target, from the IR: Sequencer asks a `Map` seam,
//     `bool Target(const State &, uint16_t *next, MachineError &, uint16_t
//     address, const Microinstruction &)`, false (with the error filled in)
//     when the opcode is not mapped.
//
// A register address taken from the IR is the third place where data
// choose: V::Read and V::Write take the Address whatever it holds (the
// prover's reads and writes select among R0..R15 by it).
#ifndef ZANFO_MACHINE_CYCLE_H
#define ZANFO_MACHINE_CYCLE_H

#include <cstdint>
#include <string>

#include "machine.h"
#include "parts.h"

namespace cycle {

// Each stage is a function of its own for the reader, and part of the
// cycle's one function for the compiler, so that zanfo-sim's Cycle stays in
// machine registers.
#define ZANFO_STAGE inline __attribute__((always_inline))

// What a cycle works out, stage by stage.
template <class V>
struct Cycle {
    using Word = typename V::Word;
    using Flags = typename V::Flags;
    using Bool = typename V::Bool;
    using Sum = typename V::Sum;
    using Address = typename V::Address;

    explicit Cycle(const V &v)
        : aAddress(v.Direct(0)), bAddress(v.Direct(0)), a(v.Constant(0)), b(v.Constant(0)), d(v.Constant(0)),
          f(v.Constant(0)), sum(v.AddWithCarry(v.Constant(0), v.Constant(0), 0)), addR(v.Constant(0)),
          addS(v.Constant(0)), status(v.FlagConstant(0)), y(v.Constant(0)), bus(v.Constant(0)),
          loadIr(v.Constant(0)), uflag(v.FlagConstant(0)), mflag(v.FlagConstant(0)), pass(v.False()) {}

    uint16_t address = 0;  // of this microinstruction
    Address aAddress;      // the A port's register
    Address bAddress;      // the B port's register, where the destination writes
    Word a, b;             // what the A and B ports read
    Word d;                // the D bus into the ALU
    Word f;                // the ALU result
    Sum sum;               // an addition's x + y + carry, in 17 bits
    Word addR;             // its addends: R or ~R,
    Word addS;             // and S or ~S
    bool adds = false;     // F is an addition's (functions 0 to 2)
    Flags status;          // Z N V C of F
    Word y;                // what the destination writes: F, or F through the shifter
    Word bus;              // what the bus takes to the flag registers
    Word loadIr;           // memory at MAR, for IR
    Flags uflag;           // UFLAG at the end of the cycle
    Flags mflag;           // MFLAG at the end of the cycle
    Bool pass;             // the sequencer's test passes
    uint16_t next = 0;     // μPC at the end of the cycle
    uint16_t counter = 0;  // R at the end of the cycle
    uint8_t depth = 0;     // stack entries at the end of the cycle
    bool push = false;     // μPC (this address + 1) goes on top of the stack
};

// 2. Register addresses: RegA and RegB, or a 4-bit field of the IR.
template <class V, class State>
ZANFO_STAGE void RegisterAddresses(const V &v, const State &s, const Microinstruction &w, Cycle<V> &c) {
    c.aAddress = w.irA ? v.IrField(s.ir, w.irShiftA) : v.Direct(w.regA);
    c.bAddress = w.irB ? v.IrField(s.ir, w.irShiftB) : v.Direct(w.regB);
    c.a = v.Read(s, c.aAddress);
    c.b = v.Read(s, c.bAddress);
}

// 3. The D bus: memory at MAR, the constant, a flag register, or 0.
template <class V, class State, class Memory>
ZANFO_STAGE void DBus(const V &v, const State &s, const Memory &memory, const Microinstruction &w, Cycle<V> &c) {
    // Tests rather than a switch: most words put nothing on the bus.
    if (w.d == DSource::Zero)
        c.d = v.Constant(0);
    else if (w.d == DSource::Constant)
        c.d = v.Constant(w.constant);
    else if (w.d == DSource::Memory)
        c.d = v.Load(memory, s.mar);
    else
        c.d = v.Widen(w.d == DSource::Uflag ? s.uflag : s.mflag);
}

// x + y + carry in 17 bits; the addends are kept for the status.
template <class V>
ZANFO_STAGE void Add(const V &v, const typename V::Word &x, const typename V::Word &y, unsigned carry,
                     Cycle<V> &c) {
    c.sum = v.AddWithCarry(x, y, carry);
    c.f = v.Low(c.sum);
    c.addR = x;
    c.addS = y;
    c.adds = true;
}

// The status of F: Z and N; after an addition (functions 0 to 2) the
// carry out of bit 15 and the signed overflow (the addends agree in sign
// and F does not), after the others 0.
template <class V>
ZANFO_STAGE typename V::Flags Status(const V &v, const Cycle<V> &c) {
    if (!c.adds)
        return v.Pack(v.IsZero(c.f), v.Bit15(c.f), v.False(), v.False());
    return v.Pack(v.IsZero(c.f), v.Bit15(c.f), v.Bit15(v.And(v.Xor(c.addR, c.f), v.Xor(c.addS, c.f))),
                  v.CarryOut(c.sum));
}

// The value of an operand of the source pair.
template <class V, class State>
ZANFO_STAGE typename V::Word Pick(const V &v, Operand operand, const State &s, const Cycle<V> &c) {
    if (operand == Operand::A)
        return c.a;
    if (operand == Operand::B)
        return c.b;
    if (operand == Operand::D)
        return c.d;
    return operand == Operand::Q ? s.q : v.Constant(0);
}

// 4. The ALU: the source pair onto R and S, then the function.
template <class V, class State>
ZANFO_STAGE void Alu(const V &v, const State &s, const Microinstruction &w, Cycle<V> &c) {
    const typename V::Word r = Pick(v, w.r, s, c);
    const typename V::Word sv = Pick(v, w.s, s, c);
    c.adds = false;
    switch (w.function) {
    case 0: Add(v, r, sv, w.carry, c); break;         // R + S + c
    case 1: Add(v, v.Not(r), sv, w.carry, c); break;  // S + ~R + c
    case 2: Add(v, r, v.Not(sv), w.carry, c); break;  // R + ~S + c
    case 3: c.f = v.Or(r, sv); break;                 // R OR S
    case 4: c.f = v.And(r, sv); break;                // R AND S
    case 5: c.f = v.And(v.Not(r), sv); break;         // NOT R AND S
    case 6: c.f = v.Xor(r, sv); break;                // R XOR S
    default: c.f = v.Not(v.Xor(r, sv)); break;        // NOT (R XOR S)
    }
    c.status = Status(v, c);
}

// 5. The shifter, on the way to the destination: right with a zero or the
// old bit 15 entering, or left with a zero entering.
template <class V>
ZANFO_STAGE void Shifter(const V &v, const Microinstruction &w, Cycle<V> &c) {
    if (w.shift == Shift::None)
        c.y = c.f;
    else if (w.shift == Shift::Right)
        c.y = v.Or(v.ShiftRight(c.f), w.arithmetic ? v.And(c.f, v.Constant(0x8000)) : v.Constant(0));
    else
        c.y = v.ShiftLeft(c.f);
}

// 6. Bus transfers: what reaches IR and the flag bus (memory and MAR are
// written by Commit).
template <class V, class State, class Memory>
ZANFO_STAGE void BusTransfers(const V &v, const State &s, const Memory &memory, const Microinstruction &w,
                              Cycle<V> &c) {
    c.bus = v.Constant(0);
    if (w.transfer == Transfer::None)
        return;
    if (w.transfer == Transfer::MemoryToIr)
        c.loadIr = v.Load(memory, s.mar);
    else if (w.transfer == Transfer::FToFlags)
        c.bus = c.f;
    else if (w.transfer == Transfer::ConstToFlags)
        c.bus = v.Constant(w.constant);
}

// 7. The flag registers: the status of F, or the low four bits of the bus.
template <class V, class State>
ZANFO_STAGE void FlagRegisters(const V &v, const State &s, const Microinstruction &w, Cycle<V> &c) {
    c.uflag = s.uflag;
    c.mflag = s.mflag;
    if (w.flags == FlagLoad::None)
        return;
    switch (w.flags) {
    case FlagLoad::None: break;
    case FlagLoad::UStatus: c.uflag = c.status; break;
    case FlagLoad::MStatus: c.mflag = c.status; break;
    case FlagLoad::UBus: c.uflag = v.LowFour(c.bus); break;
    case FlagLoad::MBus: c.mflag = v.LowFour(c.bus); break;
    }
}

// Stages 2 to 7: the datapath's part of the cycle.
template <class V, class State, class Memory>
ZANFO_STAGE void Datapath(const V &v, const State &s, const Memory &memory, const Microinstruction &w,
                          Cycle<V> &c) {
    RegisterAddresses(v, s, w, c);          // 2
    DBus(v, s, memory, w, c);               // 3
    Alu(v, s, w, c);                        // 4
    Shifter(v, w, c);                       // 5
    BusTransfers(v, s, memory, w, c);       // 6
    FlagRegisters(v, s, w, c);              // 7
}

// 8a. The sequencer's test: the condition the word selects, on the flag
// register as it was at the start of the cycle (Decode made the word's
// truth table of it, CondEnable's "always" included).
template <class V, class State>
ZANFO_STAGE void Test(const V &v, const State &s, const Microinstruction &w, Cycle<V> &c) {
    c.pass = v.TableBit(w.passes, w.testFlags ? s.mflag : s.uflag);
}

// Whether the path of the word's instruction depends on the test, with R
// as it is: a cycle whose path does not depend on it has nothing to fork.
inline bool PathTests(const Microinstruction &w, uint16_t counter) {
    const SequencerCode &code = kSequencer[w.sequencer];
    const Path &fail = code.paths[PathIndex(counter == 0, false)];
    const Path &pass = code.paths[PathIndex(counter == 0, true)];
    return fail.next != pass.next || fail.stack != pass.stack || fail.counter != pass.counter;
}

// Why the cycle stops: the instruction's mnemonic, then `what`.  Out of the
// way of the cycles that do not stop.
__attribute__((noinline, cold)) bool Fail(MachineError &error, uint16_t address, const Microinstruction &w,
                                          const char *what);

// 8b. The sequencer: the path the instruction takes for R and `pass`.
template <class V, class State, class Map>
ZANFO_STAGE bool Sequencer(const State &s, const Microinstruction &w, bool pass, Map &map, Cycle<V> &c,
                           MachineError &error) {
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
            return Fail(error, c.address, w, " reads the top of an empty stack");
        top = s.stack[s.depth - 1];
    }
    switch (path.stack) {
    case StackOp::Hold: break;
    case StackOp::Push:
        if (s.depth == kStackDepth)
            return Fail(error, c.address, w, " pushes onto a full stack (5 entries)");
        c.push = true;
        c.depth = s.depth + 1;
        break;
    case StackOp::Pop:
        if (s.depth == 0)
            return Fail(error, c.address, w, " pops an empty stack");
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
    case Next::Map:
        if (!map.Target(s, &c.next, error, c.address, w))
            return false;
        break;
    case Next::Vector:  // CJV stops the run before its cycle starts
        return Fail(error, c.address, w, " is not modelled");
    }
    return true;
}

// The end of the cycle: everything worked out above is written.
template <class V, class State, class Memory>
ZANFO_STAGE void Commit(const V &v, State &s, Memory &memory, const Microinstruction &w, const Cycle<V> &c) {
    if (w.to == Destination::B)
        v.Write(s, c.bAddress, c.y);
    else if (w.to == Destination::Q)
        s.q = c.y;
    if (w.transfer != Transfer::None) {
        switch (w.transfer) {
        case Transfer::MemoryToIr: s.ir = c.loadIr; break;
        case Transfer::FToMemory: v.Store(memory, s.mar, c.f); break;
        case Transfer::FToMar: s.mar = c.f; break;
        case Transfer::ConstToMemory: v.Store(memory, s.mar, v.Constant(w.constant)); break;
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

}  // namespace cycle

#endif
