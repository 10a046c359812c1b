// zanfo-prove's values: numbers while known, the solver's terms otherwise.
#include "symbolic.h"

SymBool Symbolic::OfBool(const z3::expr &term) const {
    if (term.is_true())
        return True();
    if (term.is_false())
        return False();
    return SymBool{term, false};
}

z3::expr Symbolic::Term(const SymFlags &f) const {
    if (f.known())
        return ctx_.bv_val(f.number(), 4);
    z3::expr bits[4] = {ctx_.bv_val(0, 1), ctx_.bv_val(0, 1), ctx_.bv_val(0, 1), ctx_.bv_val(0, 1)};
    for (unsigned i = 0; i < 4; ++i)
        bits[i] = f.bit[i].known() ? ctx_.bv_val(f.bit[i].value, 1)
                                   : z3::ite(f.bit[i].term, ctx_.bv_val(1, 1), ctx_.bv_val(0, 1));
    return z3::concat(z3::concat(bits[3], bits[2]), z3::concat(bits[1], bits[0]));
}

SymFlags Symbolic::OfFlags(const z3::expr &term) const {
    auto bit = [&](unsigned i) { return OfBool(term.extract(i, i) == ctx_.bv_val(1, 1)); };
    return SymFlags{{bit(0), bit(1), bit(2), bit(3)}};
}

SymFlags Symbolic::FlagConstant(uint8_t x) const {
    SymFlags f{{False(), False(), False(), False()}};
    for (unsigned i = 0; i < 4; ++i)
        f.bit[i].value = (x >> i) & 1;
    return f;
}

SymBool Symbolic::Ite(const z3::expr &condition, const SymBool &a, const SymBool &b) const {
    if (a.known() && b.known() && a.value == b.value)
        return a;
    if (!a.known() && !b.known() && z3::eq(a.term, b.term))
        return a;
    return OfBool(z3::ite(condition, Term(a), Term(b)));
}

SymFlags Symbolic::Ite(const z3::expr &condition, const SymFlags &a, const SymFlags &b) const {
    SymFlags f = a;
    for (unsigned i = 0; i < 4; ++i)
        f.bit[i] = Ite(condition, a.bit[i], b.bit[i]);
    return f;
}

SymWord Symbolic::Not(const SymWord &x) const {
    if (x.known())
        return Constant(static_cast<uint16_t>(~x.number));
    return Of<16>(~x.term);
}

SymWord Symbolic::And(const SymWord &x, const SymWord &y) const {
    if (x.known() && y.known())
        return Constant(static_cast<uint16_t>(x.number & y.number));
    for (const SymWord *k : {&x, &y})
        if (k->known() && k->number == 0)
            return Constant(0);
    if (x.known() && x.number == 0xFFFF)
        return y;
    if (y.known() && y.number == 0xFFFF)
        return x;
    if (Same(x, y))
        return x;
    return Of<16>(Term(x) & Term(y));
}

SymWord Symbolic::Or(const SymWord &x, const SymWord &y) const {
    if (x.known() && y.known())
        return Constant(static_cast<uint16_t>(x.number | y.number));
    if (x.known() && x.number == 0)
        return y;
    if (y.known() && y.number == 0)
        return x;
    if (Same(x, y))
        return x;
    return Of<16>(Term(x) | Term(y));
}

SymWord Symbolic::Xor(const SymWord &x, const SymWord &y) const {
    if (x.known() && y.known())
        return Constant(static_cast<uint16_t>(x.number ^ y.number));
    if (Same(x, y))
        return Constant(0);  // R XOR R, the usual way to clear a register
    if (x.known() && x.number == 0)
        return y;
    if (y.known() && y.number == 0)
        return x;
    return Of<16>(Term(x) ^ Term(y));
}

SymWord Symbolic::ShiftRight(const SymWord &x) const {
    if (x.known())
        return Constant(static_cast<uint16_t>(x.number >> 1));
    return Of<16>(z3::lshr(x.term, 1));
}

SymWord Symbolic::ShiftLeft(const SymWord &x) const {
    if (x.known())
        return Constant(static_cast<uint16_t>(x.number << 1));
    return Of<16>(z3::shl(x.term, 1));
}

SymSum Symbolic::AddWithCarry(const SymWord &x, const SymWord &y, unsigned carry) const {
    if (x.known() && y.known())
        return Known<17>(x.number + y.number + carry);
    // x + 0 (R + 0, the usual way to move or shift a register): x, no carry.
    if (carry == 0 && (x.known() || y.known()) && (x.known() ? x.number : y.number) == 0)
        return Of<17>(z3::zext(x.known() ? y.term : x.term, 1));
    z3::expr sum = z3::zext(Term(x), 1) + z3::zext(Term(y), 1);
    if (carry)
        sum = sum + ctx_.bv_val(carry, 17);
    return Of<17>(sum);
}

SymWord Symbolic::Low(const SymSum &sum) const {
    if (sum.known())
        return Constant(static_cast<uint16_t>(sum.number));
    if (sum.term.decl().decl_kind() == Z3_OP_ZERO_EXT)
        return Of<16>(sum.term.arg(0));
    return Of<16>(sum.term.extract(15, 0));
}

SymBool Symbolic::CarryOut(const SymSum &sum) const {
    if (sum.known())
        return SymBool{z3::expr(ctx_), ((sum.number >> 16) & 1) != 0};
    if (sum.term.decl().decl_kind() == Z3_OP_ZERO_EXT)
        return False();
    return OfBool(sum.term.extract(16, 16) == ctx_.bv_val(1, 1));
}

SymBool Symbolic::IsZero(const SymWord &x) const {
    if (x.known())
        return SymBool{z3::expr(ctx_), x.number == 0};
    return OfBool(x.term == ctx_.bv_val(0, 16));
}

SymBool Symbolic::Bit15(const SymWord &x) const {
    if (x.known())
        return SymBool{z3::expr(ctx_), (x.number >> 15) != 0};
    return OfBool(x.term.extract(15, 15) == ctx_.bv_val(1, 1));
}

SymFlags Symbolic::Pack(const SymBool &z, const SymBool &n, const SymBool &v, const SymBool &c) const {
    return SymFlags{{z, n, v, c}};
}

SymFlags Symbolic::LowFour(const SymWord &x) const {
    if (x.known())
        return FlagConstant(static_cast<uint8_t>(x.number & 15));
    return OfFlags(x.term.extract(3, 0));
}

SymWord Symbolic::Widen(const SymFlags &f) const {
    if (f.known())
        return Constant(static_cast<uint16_t>(f.number()));
    return Of<16>(z3::zext(Term(f), 12));
}

// Bit `f` of a truth table of the four flags, by Shannon's expansion from
// the carry down: a flag the table does not depend on is not read, so UZ
// is the Z flag itself and USG a term in Z, N and V only.
SymBool Symbolic::TableBit(uint16_t table, const SymFlags &f) const {
    return Expand(table, 16, f);
}

SymBool Symbolic::Expand(uint16_t table, unsigned entries, const SymFlags &f) const {
    const uint16_t all = static_cast<uint16_t>(entries == 16 ? 0xFFFF : (1u << entries) - 1);
    table &= all;
    if (table == 0 || table == all)
        return SymBool{z3::expr(ctx_), table != 0};
    const unsigned half = entries / 2, flag = entries == 16 ? 3 : entries == 8 ? 2 : entries == 4 ? 1 : 0;
    const uint16_t low = static_cast<uint16_t>(table & ((1u << half) - 1)), high = static_cast<uint16_t>(table >> half);
    if (low == high)
        return Expand(low, half, f);
    const SymBool &b = f.bit[flag];
    if (b.known())
        return Expand(b.value ? high : low, half, f);
    SymBool one = Expand(high, half, f), zero = Expand(low, half, f);
    if (one.known() && zero.known())  // b, or not b
        return one.value ? b : Not(b);
    return OfBool(z3::ite(b.term, Term(one), Term(zero)));
}

SymAddress Symbolic::IrField(const SymWord &ir, unsigned shift) const {
    if (ir.known())
        return Known<6>((ir.number >> shift) & 15);
    return Of<6>(z3::zext(ir.term.extract(shift + 3, shift), 2));
}

SymWord Symbolic::Read(const SymState &s, const SymAddress &a) const {
    if (a.known())
        return s.r[a.number];
    // An IR field: R0..R15, by its value.
    z3::expr value = Term(s.r[15]);
    for (unsigned i = 15; i-- > 0;)
        value = z3::ite(a.term == ctx_.bv_val(i, 6), Term(s.r[i]), value);
    return Of<16>(value);
}

void Symbolic::Write(SymState &s, const SymAddress &a, const SymWord &x) const {
    if (a.known()) {
        s.r[a.number] = x;
        return;
    }
    for (unsigned i = 0; i < 16; ++i)
        s.r[i] = Of<16>(z3::ite(a.term == ctx_.bv_val(i, 6), Term(x), Term(s.r[i])));
}

SymWord Symbolic::InitialWord(uint16_t address) const {
    auto fixed = initial_.fixed.find(address);
    if (fixed != initial_.fixed.end())
        return Constant(fixed->second);
    return Of<16>(z3::select(initial_.free, ctx_.bv_val(address, 16)));
}

SymWord Symbolic::Load(const SymMemory &m, const SymWord &address) const {
    if (address.known() && m.exact) {
        auto written = m.words.find(static_cast<uint16_t>(address.number));
        return written != m.words.end() ? written->second : InitialWord(static_cast<uint16_t>(address.number));
    }
    return Of<16>(z3::select(m.array, Term(address)));
}

void Symbolic::Store(SymMemory &m, const SymWord &address, const SymWord &x) const {
    m.array = z3::store(m.array, Term(address), Term(x));
    if (address.known()) {
        if (m.exact)
            m.words.insert_or_assign(static_cast<uint16_t>(address.number), x);
    } else {
        m.exact = false;
        m.words.clear();
    }
}

SymBool Symbolic::Not(const SymBool &b) const {
    if (b.known())
        return SymBool{z3::expr(ctx_), !b.value};
    return OfBool(!b.term);
}

SymBool Symbolic::And(const SymBool &a, const SymBool &b) const {
    if (a.known())
        return a.value ? b : a;
    if (b.known())
        return b.value ? a : b;
    return OfBool(a.term && b.term);
}

SymBool Symbolic::Or(const SymBool &a, const SymBool &b) const {
    if (a.known())
        return a.value ? a : b;
    if (b.known())
        return b.value ? b : a;
    return OfBool(a.term || b.term);
}
