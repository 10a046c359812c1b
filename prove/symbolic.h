// zanfo-prove's values for the cycle of machine/cycle.h: a value is a
// number when it is known and a bit-vector term of the solver (Z3)
// otherwise.  Known values are worked out here as numbers, so that a run
// whose data are set (a loop counter loaded with a constant, a pointer
// walked from a set address) builds no terms; only what depends on the
// inputs becomes a term, and the solver alone simplifies those.
//
// The state is that of machine.h's Registers, with the datapath's registers
// and the memory as values; the sequencer's μPC, R and stack stay numbers
// (cycle.h says why).
#ifndef ZANFO_PROVE_SYMBOLIC_H
#define ZANFO_PROVE_SYMBOLIC_H

#include <z3++.h>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "machine.h"

// A value of `Width` bits: 16 for a datapath word, 4 for a flag register,
// 17 for an addition's sum, 4 for a register address taken from the IR.
template <unsigned Width>
struct Bits {
    z3::expr term;        // the solver's term; null when the value is known
    uint32_t number = 0;  // the value, when known

    bool known() const { return static_cast<Z3_ast>(term) == nullptr; }
};
using SymWord = Bits<16>;
using SymSum = Bits<17>;
using SymAddress = Bits<6>;  // known: any register R0..R63; a term: R0..R15 by an IR field

// A truth value: known, or a Boolean term.
struct SymBool {
    z3::expr term;       // null when known
    bool value = false;  // when known

    bool known() const { return static_cast<Z3_ast>(term) == nullptr; }
};

// A flag register as its four flags, each known or a term: a condition
// then reads the flags it tests and nothing else.
struct SymFlags {
    std::array<SymBool, 4> bit;  // Z N V C: bits 0..3

    bool known() const { return bit[0].known() && bit[1].known() && bit[2].known() && bit[3].known(); }
    unsigned number() const { return bit[0].value | bit[1].value << 1 | bit[2].value << 2 | bit[3].value << 3; }
};

// The memory: the initial words (fixed or free) with every write on top.
// Words at known addresses are kept apart as long as every write went to a
// known address, so that such a program reads them back without the
// solver's arrays.
struct SymMemory {
    z3::expr array;                      // every word, as the solver's array: the initial one with each write stored
    std::map<uint16_t, SymWord> words;   // words written at known addresses (while `exact`)
    bool exact = true;                   // no write has gone to an address that is a term
};

// The machine's state in the prover.
struct SymState {
    // The sequencer, as numbers.
    uint16_t upc = 0;                           // μPC
    uint16_t counter = 0;                       // R
    std::array<uint16_t, kStackDepth> stack{};  // stack[0] is the bottom entry
    uint8_t depth = 0;                          // entries on the stack
    // The datapath.
    std::vector<SymWord> r;  // R0..R63
    SymWord q, mar, ir;      // Q, MAR, IR
    SymFlags uflag, mflag;   // the flag registers
    SymMemory memory;        // 64Ki words
};

// What the machine starts from: a variable for every place that is not
// fixed, named as zanfo-sim names it (R5, Q, MAR, IR, UFLAG, MFLAG, and
// the array MEM, of which a word at a known address is read as MEM[a]).
struct InitialMemory {
    explicit InitialMemory(z3::context &ctx) : free(ctx), array(ctx) {}
    z3::expr free;                        // the array variable MEM
    z3::expr array;                       // MEM with the fixed words stored
    std::map<uint16_t, uint16_t> fixed;   // words set by --mem, mem, set
};

// The operations of cycle.h on these values.
class Symbolic {
  public:
    using Word = SymWord;
    using Flags = SymFlags;
    using Bool = SymBool;
    using Sum = SymSum;
    using Address = SymAddress;
    using Memory = SymMemory;

    Symbolic(z3::context &ctx, const InitialMemory &initial) : ctx_(ctx), initial_(initial) {}
    z3::context &ctx() const { return ctx_; }

    // A value as a term, known or not.
    template <unsigned W>
    z3::expr Term(const Bits<W> &x) const {
        return x.known() ? ctx_.bv_val(x.number, W) : x.term;
    }
    z3::expr Term(const SymBool &b) const { return b.known() ? ctx_.bool_val(b.value) : b.term; }
    z3::expr Term(const SymFlags &f) const;  // 4 bits
    SymFlags OfFlags(const z3::expr &term) const;
    // A term as a value: a number when the term is a numeral.
    template <unsigned W>
    Bits<W> Of(const z3::expr &term) const;
    SymBool OfBool(const z3::expr &term) const;

    Word Constant(uint16_t x) const { return Known<16>(x); }
    Flags FlagConstant(uint8_t x) const;
    Bool False() const { return SymBool{z3::expr(ctx_), false}; }
    Bool True() const { return SymBool{z3::expr(ctx_), true}; }

    Word Not(const Word &x) const;
    Word And(const Word &x, const Word &y) const;
    Word Or(const Word &x, const Word &y) const;
    Word Xor(const Word &x, const Word &y) const;
    Word ShiftRight(const Word &x) const;
    Word ShiftLeft(const Word &x) const;
    Sum AddWithCarry(const Word &x, const Word &y, unsigned carry) const;
    Word Low(const Sum &sum) const;
    Bool CarryOut(const Sum &sum) const;
    Bool IsZero(const Word &x) const;
    Bool Bit15(const Word &x) const;
    Flags Pack(const Bool &z, const Bool &n, const Bool &v, const Bool &c) const;
    Flags LowFour(const Word &x) const;
    Word Widen(const Flags &f) const;
    Bool TableBit(uint16_t table, const Flags &f) const;
    Address Direct(uint8_t address) const { return Known<6>(address); }
    Address IrField(const Word &ir, unsigned shift) const;
    Word Read(const SymState &s, const Address &a) const;
    void Write(SymState &s, const Address &a, const Word &x) const;
    Word Load(const Memory &m, const Word &address) const;
    void Store(Memory &m, const Word &address, const Word &x) const;

    // The word at `address` of the memory as it was when the run started.
    Word InitialWord(uint16_t address) const;

    // Truth values.
    Bool Not(const Bool &b) const;
    Bool And(const Bool &a, const Bool &b) const;
    Bool Or(const Bool &a, const Bool &b) const;

    // `condition` ? a : b, for a state's merge.
    template <unsigned W>
    Bits<W> Ite(const z3::expr &condition, const Bits<W> &a, const Bits<W> &b) const {
        if (Same(a, b))
            return a;
        return Of<W>(z3::ite(condition, Term(a), Term(b)));
    }
    SymBool Ite(const z3::expr &condition, const SymBool &a, const SymBool &b) const;
    SymFlags Ite(const z3::expr &condition, const SymFlags &a, const SymFlags &b) const;
    template <unsigned W>
    static bool Same(const Bits<W> &a, const Bits<W> &b) {
        if (a.known() != b.known())
            return false;
        return a.known() ? a.number == b.number : z3::eq(a.term, b.term);
    }

  private:
    SymBool Expand(uint16_t table, unsigned entries, const SymFlags &f) const;

    template <unsigned W>
    Bits<W> Known(uint32_t x) const {
        return Bits<W>{z3::expr(ctx_), x & ((1u << W) - 1)};
    }

    z3::context &ctx_;
    const InitialMemory &initial_;
};

template <unsigned W>
Bits<W> Symbolic::Of(const z3::expr &term) const {
    uint64_t n;
    if (term.is_numeral() && term.is_numeral_u64(n))
        return Known<W>(static_cast<uint32_t>(n));
    return Bits<W>{term, 0};
}

#endif
