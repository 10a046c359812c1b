// The solver's side of a property.
#include "formula.h"

#include <algorithm>
#include <set>
#include <unordered_set>

namespace {

const char kMemoryName[] = "MEM";

// Every subterm of `formulas`, each once, to `visit`.
template <class F>
void EachSubterm(const std::vector<z3::expr> &formulas, F visit) {
    std::unordered_set<unsigned> seen;
    std::vector<z3::expr> todo(formulas.begin(), formulas.end());
    while (!todo.empty()) {
        z3::expr e = todo.back();
        todo.pop_back();
        if (!e.is_app() || !seen.insert(e.id()).second)
            continue;
        visit(e);
        for (unsigned i = 0; i < e.num_args(); ++i)
            todo.push_back(e.arg(i));
    }
}

bool IsMemoryVariable(const z3::expr &e) {
    return e.is_const() && e.decl().decl_kind() == Z3_OP_UNINTERPRETED && e.decl().name().str() == kMemoryName;
}

}  // namespace

SymState StartState(z3::context &ctx, const Machine &base, const Fixed &fixed, InitialMemory *initial) {
    z3::sort word = ctx.bv_sort(16);
    initial->free = ctx.constant(kMemoryName, ctx.array_sort(word, word));
    initial->fixed = fixed.memory;
    initial->array = initial->free;
    for (const auto &w : fixed.memory)
        initial->array = z3::store(initial->array, ctx.bv_val(w.first, 16), ctx.bv_val(w.second, 16));

    const Symbolic v(ctx, *initial);
    auto place = [](Place::Kind kind, unsigned index = 0) {
        Place p;
        p.kind = kind;
        p.index = index;
        return p;
    };
    auto value = [&](const Place &p, uint16_t known) {
        return fixed.Has(p) ? v.Constant(known) : v.Of<16>(ctx.bv_const(PlaceName(p).c_str(), 16));
    };
    auto flags = [&](const Place &p, uint8_t known) {
        return fixed.Has(p) ? v.FlagConstant(known) : v.OfFlags(ctx.bv_const(PlaceName(p).c_str(), 4));
    };
    const Registers &r = base.regs;
    SymState s{r.upc,
               r.counter,
               r.stack,
               r.depth,
               {},
               value(place(Place::Q), r.q),
               value(place(Place::Mar), r.mar),
               value(place(Place::Ir), r.ir),
               flags(place(Place::Uflag), r.uflag),
               flags(place(Place::Mflag), r.mflag),
               SymMemory{initial->array, {}, true}};
    for (unsigned i = 0; i < kRegisterCount; ++i)
        s.r.push_back(value(place(Place::Register, i), r.r[i]));
    return s;
}

z3::expr LowBits(const z3::expr &term, unsigned width) {
    const unsigned size = term.get_sort().bv_size();
    if (size == width)
        return term;
    if (size < width)
        return z3::zext(term, width - size);
    uint64_t n;
    if (term.is_numeral() && term.is_numeral_u64(n))
        return term.ctx().bv_val(width < 64 ? n & ((uint64_t{1} << width) - 1) : n, width);
    switch (term.decl().decl_kind()) {
    case Z3_OP_BADD:
    case Z3_OP_BMUL:
    case Z3_OP_BSUB:
    case Z3_OP_BAND:
    case Z3_OP_BOR:
    case Z3_OP_BXOR: {
        z3::expr out = LowBits(term.arg(0), width);
        for (unsigned i = 1; i < term.num_args(); ++i) {
            z3::expr x = LowBits(term.arg(i), width);
            switch (term.decl().decl_kind()) {
            case Z3_OP_BADD: out = out + x; break;
            case Z3_OP_BMUL: out = out * x; break;
            case Z3_OP_BSUB: out = out - x; break;
            case Z3_OP_BAND: out = out & x; break;
            case Z3_OP_BOR: out = out | x; break;
            default: out = out ^ x; break;
            }
        }
        return out;
    }
    case Z3_OP_BNOT: return ~LowBits(term.arg(0), width);
    case Z3_OP_ITE: return z3::ite(term.arg(0), LowBits(term.arg(1), width), LowBits(term.arg(2), width));
    case Z3_OP_BSHL:
        if (term.arg(1).is_numeral() && term.arg(1).is_numeral_u64(n))
            return n >= width ? term.ctx().bv_val(0, width) : z3::shl(LowBits(term.arg(0), width), static_cast<int>(n));
        break;
    case Z3_OP_ZERO_EXT:
    case Z3_OP_SIGN_EXT:
        if (term.arg(0).get_sort().bv_size() >= width)
            return LowBits(term.arg(0), width);
        break;
    default: break;
    }
    return term.extract(width - 1, 0);
}

TermValues::Value TermValues::Number(int64_t n) const {
    if (n < 0)
        return {v_.ctx().bv_val(static_cast<uint64_t>(n), 64), 64};
    unsigned width = 1;
    while (width < 63 && (static_cast<uint64_t>(n) >> width) != 0)
        ++width;
    return {v_.ctx().bv_val(static_cast<uint64_t>(n), width), width};
}

TermValues::Value TermValues::Read(const Place &p, bool old) const {
    const SymState &s = old ? start_ : end_;
    switch (p.kind) {
    case Place::Register: return Narrow(v_.Term(s.r[p.index]));
    case Place::Q: return Narrow(v_.Term(s.q));
    case Place::Mar: return Narrow(v_.Term(s.mar));
    case Place::Ir: return Narrow(v_.Term(s.ir));
    case Place::Uflag: return Narrow(v_.Term(s.uflag));
    case Place::Mflag: return Narrow(v_.Term(s.mflag));
    case Place::Memory: break;
    }
    return Narrow(v_.Term(v_.Load(s.memory, v_.Constant(static_cast<uint16_t>(p.index)))));
}

TermValues::Value TermValues::ReadMemory(const Value &address, bool old) const {
    const SymState &s = old ? start_ : end_;
    SymWord at = v_.Of<16>(LowBits(Wide(address), 16).simplify());
    return Narrow(v_.Term(v_.Load(s.memory, at)));
}

TermValues::Value TermValues::S16(const Value &x) const {
    return {z3::sext(LowBits(Wide(x), 16), 48), 64};
}

// x * y as the sum of x shifted by each bit of y (y of at most 16 bits, as a
// machine value is): the product as a shift-and-add routine works it out,
// which the solver's simplifier matches term for term once y is a number.
z3::expr TermValues::Product(const z3::expr &x, const z3::expr &y) const {
    const unsigned width = x.get_sort().bv_size(), bits = y.get_sort().bv_size();
    if (bits > 16)
        return x * z3::zext(y, width - bits);
    z3::expr sum = v_.ctx().bv_val(0, width);
    for (unsigned i = 0; i < bits && i < width; ++i)
        sum = sum + z3::ite(y.extract(i, i) == v_.ctx().bv_val(1, 1), z3::shl(x, static_cast<int>(i)),
                            v_.ctx().bv_val(0, width));
    return sum;
}

z3::expr TermValues::Truth(const Value &x) const {
    if (!x.width)
        return x.term;
    return x.term != v_.ctx().bv_val(0, x.width);
}

z3::expr TermValues::Wide(const Value &x) const {
    if (!x.width)
        return z3::ite(x.term, v_.ctx().bv_val(1, 64), v_.ctx().bv_val(0, 64));
    return x.width < 64 ? z3::zext(x.term, 64 - x.width) : x.term;
}

z3::expr TermValues::Fit(const Value &x, unsigned width) const {
    if (!x.width)
        return z3::ite(x.term, v_.ctx().bv_val(1, width), v_.ctx().bv_val(0, width));
    return x.width < width ? z3::zext(x.term, width - x.width) : x.term;
}

TermValues::Value TermValues::Unary(Op op, const Value &x) const {
    switch (op) {
    case Op::Neg: return {-Wide(x), 64};
    case Op::LogNot: return {!Truth(x), 0};
    case Op::BitNot: return {~Wide(x), 64};
    default: return x;
    }
}

TermValues::Value TermValues::Binary(Op op, const Value &a, const Value &b) const {
    if (op == Op::LogAnd)
        return {Truth(a) && Truth(b), 0};
    if (op == Op::LogOr)
        return {Truth(a) || Truth(b), 0};
    if ((op == Op::Eq || op == Op::Ne) && !a.width && !b.width)
        return {op == Op::Eq ? a.term == b.term : a.term != b.term, 0};
    // A Boolean is the number 1 or 0: one bit wide.
    const unsigned wa = a.width ? a.width : 1, wb = b.width ? b.width : 1;
    const bool narrow = wa < 64 && wb < 64;
    const unsigned wide = std::max(wa, wb);
    if (narrow) {
        // Unsigned numbers below 2^63: the narrow operations give the same
        // numbers as the 64-bit signed ones, in fewer bits.
        uint64_t k = 0;
        const bool constant = b.width && b.term.is_numeral() && b.term.is_numeral_u64(k);
        switch (op) {
        case Op::Mul:
            if (wa + wb < 64)
                return Narrow(Product(Fit(a, wa + wb), b.width ? b.term : Fit(b, 1)));
            break;
        case Op::Add:
            if (wide + 1 < 64)
                return Narrow(Fit(a, wide + 1) + Fit(b, wide + 1));
            break;
        case Op::Mod:
            if (constant && k && (k & (k - 1)) == 0) {  // x % 2^n: the low n bits of x
                unsigned bits = 0;
                while ((uint64_t{1} << bits) < k)
                    ++bits;
                return bits ? Narrow(LowBits(Fit(a, std::max(wa, bits)), bits)) : Number(0);
            }
            [[fallthrough]];
        case Op::Div: {
            z3::expr x = Fit(a, wide), y = Fit(b, wide), zero = v_.ctx().bv_val(0, wide);
            return Narrow(z3::ite(y == zero, zero, op == Op::Div ? z3::udiv(x, y) : z3::urem(x, y)));
        }
        case Op::Shl:
            if (constant && k < 64 && wa + k < 64)
                return Narrow(z3::shl(Fit(a, wa + static_cast<unsigned>(k)), static_cast<int>(k)));
            break;
        case Op::Shr:
            return Narrow(z3::lshr(Fit(a, wide), Fit(b, wide)));
        case Op::Lt: return {z3::ult(Fit(a, wide), Fit(b, wide)), 0};
        case Op::Le: return {z3::ule(Fit(a, wide), Fit(b, wide)), 0};
        case Op::Gt: return {z3::ugt(Fit(a, wide), Fit(b, wide)), 0};
        case Op::Ge: return {z3::uge(Fit(a, wide), Fit(b, wide)), 0};
        case Op::Eq: return {Fit(a, wide) == Fit(b, wide), 0};
        case Op::Ne: return {Fit(a, wide) != Fit(b, wide), 0};
        case Op::BitAnd: {
            // x & (2^k - 1): the low k bits of x.
            unsigned mask = 0;
            while (constant && mask < 63 && (k >> mask) & 1)
                ++mask;
            if (constant && mask && k == (uint64_t{1} << mask) - 1)
                return Narrow(LowBits(Fit(a, std::max(wa, mask)), mask));
            const unsigned w = std::min(wa, wb);
            return Narrow(LowBits(Fit(a, wa), w) & LowBits(Fit(b, wb), w));
        }
        case Op::BitOr: return Narrow(Fit(a, wide) | Fit(b, wide));
        case Op::BitXor: return Narrow(Fit(a, wide) ^ Fit(b, wide));
        default: break;
        }
    }
    const z3::expr x = Wide(a), y = Wide(b);
    const z3::expr zero = v_.ctx().bv_val(0, 64);
    switch (op) {
    case Op::Mul: return {x * y, 64};
    case Op::Div: return {z3::ite(y == zero, zero, x / y), 64};  // bvsdiv truncates toward zero
    case Op::Mod: return {z3::ite(y == zero, zero, z3::srem(x, y)), 64};
    case Op::Add: return {x + y, 64};
    case Op::Sub: return {x - y, 64};
    case Op::Shl: return {z3::shl(x, y), 64};   // 0 for a shift by 64 or more
    case Op::Shr: return {z3::ashr(x, y), 64};  // 0 or -1 for a shift by 64 or more
    case Op::Lt: return {x < y, 0};             // signed, as int64_t
    case Op::Le: return {x <= y, 0};
    case Op::Gt: return {x > y, 0};
    case Op::Ge: return {x >= y, 0};
    case Op::Eq: return {x == y, 0};
    case Op::Ne: return {x != y, 0};
    case Op::BitAnd: return {x & y, 64};
    case Op::BitXor: return {x ^ y, 64};
    case Op::BitOr: return {x | y, 64};
    default: return {zero, 64};
    }
}

TermValues::Value TermValues::Choice(const Value &condition, const Value &a, const Value &b) const {
    if (!a.width && !b.width)
        return {z3::ite(Truth(condition), a.term, b.term), 0};
    if (a.width && b.width && a.width < 64 && b.width < 64) {
        const unsigned w = std::max(a.width, b.width);
        return Narrow(z3::ite(Truth(condition), Fit(a, w), Fit(b, w)));
    }
    return {z3::ite(Truth(condition), Wide(a), Wide(b)), 64};
}

z3::expr Holds(const Expr &e, const Symbolic &v, const SymState &start, const SymState &end) {
    TermValues values(v, start, end);
    return values.Truth(Evaluate(e, values));
}

z3::expr ValueOf(const Expr &e, const Symbolic &v, const SymState &start, const SymState &end) {
    TermValues values(v, start, end);
    return values.Wide(Evaluate(e, values));
}

FormulaInputs InputsOf(const std::vector<z3::expr> &formulas) {
    std::vector<Place> places;
    FormulaInputs inputs;
    EachSubterm(formulas, [&](const z3::expr &e) {
        if (e.decl().decl_kind() == Z3_OP_SELECT && IsMemoryVariable(e.arg(0))) {
            uint64_t address;
            if (e.arg(1).is_numeral() && e.arg(1).is_numeral_u64(address)) {
                Place p;
                p.kind = Place::Memory;
                p.index = static_cast<unsigned>(address);
                places.push_back(p);
            } else {
                inputs.anyWord = true;
            }
            return;
        }
        if (e.decl().decl_kind() == Z3_OP_SELECT) {
            inputs.anyWord |= !e.arg(1).is_numeral();
            return;
        }
        if (!e.is_const() || e.decl().decl_kind() != Z3_OP_UNINTERPRETED)
            return;
        Place p;
        if (IsMemoryVariable(e))
            inputs.anyWord = true;  // the whole array, in a store or a merge
        else if (PlaceOfName(e.decl().name().str(), &p))
            places.push_back(p);
    });
    std::sort(places.begin(), places.end(), PlaceBefore);
    for (const Place &p : places)
        if (inputs.places.empty() || !SamePlace(inputs.places.back(), p))
            inputs.places.push_back(p);
    return inputs;
}

uint16_t ModelValue(const z3::model &model, z3::context &ctx, const Place &p) {
    z3::expr x(ctx);
    if (p.kind == Place::Memory) {
        z3::sort word = ctx.bv_sort(16);
        x = z3::select(ctx.constant(kMemoryName, ctx.array_sort(word, word)), ctx.bv_val(p.index, 16));
    } else {
        x = ctx.bv_const(PlaceName(p).c_str(), PlaceMax(p) == 15 ? 4 : 16);
    }
    uint64_t n = 0;
    z3::expr value = model.eval(x, true);
    if (value.is_numeral() && value.is_numeral_u64(n))
        return static_cast<uint16_t>(n);
    return 0;
}

std::vector<uint16_t> ModelAddresses(const z3::model &model, const std::vector<z3::expr> &formulas) {
    std::set<uint16_t> addresses;
    EachSubterm(formulas, [&](const z3::expr &e) {
        if (e.decl().decl_kind() != Z3_OP_SELECT || e.arg(1).is_numeral())
            return;
        uint64_t n;
        z3::expr value = model.eval(e.arg(1), true);
        if (value.is_numeral() && value.is_numeral_u64(n))
            addresses.insert(static_cast<uint16_t>(n));
    });
    return std::vector<uint16_t>(addresses.begin(), addresses.end());
}
