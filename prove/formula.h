// The solver's side of a property: the start state with a variable for
// every input, the property's expressions as terms, and which inputs a
// formula reads.
#ifndef ZANFO_PROVE_FORMULA_H
#define ZANFO_PROVE_FORMULA_H

#include <z3++.h>

#include <vector>

#include "expr.h"
#include "places.h"
#include "symbolic.h"

// The state a symbolic run starts from: the sequencer and the fixed places
// as in `base`, a variable named by PlaceName for every other place, and
// the memory array MEM, with the fixed words stored, in `initial`.
SymState StartState(z3::context &ctx, const Machine &base, const Fixed &fixed, InitialMemory *initial);

// The values of Evaluate (expr.h) as the solver's terms.  A value is a
// Boolean (a comparison's: 1 or 0), or a bit-vector of `width` bits: when
// the width is under 64 the value is that vector read as an unsigned number
// (what a machine value is, and what + * & | ^ << >> / % of such numbers
// give while they fit), else the 64-bit two's complement.  Narrow values
// keep the solver's work in proportion: old(R1) * old(R2) is a 32-bit
// product, and its & 0xFFFF the product's low 16 bits.
class TermValues {
  public:
    struct Value {
        z3::expr term;       // Boolean, or a bit-vector of `width` bits
        unsigned width = 0;  // 0 for a Boolean
    };

    // Names read `end`, names inside old(...) read `start`.
    TermValues(const Symbolic &v, const SymState &start, const SymState &end) : v_(v), start_(start), end_(end) {}

    Value Number(int64_t n) const;
    Value Read(const Place &p, bool old) const;
    Value ReadMemory(const Value &address, bool old) const;
    Value S16(const Value &x) const;
    Value Unary(Op op, const Value &x) const;
    Value Binary(Op op, const Value &a, const Value &b) const;
    Value Choice(const Value &condition, const Value &a, const Value &b) const;

    z3::expr Truth(const Value &x) const;         // x != 0
    z3::expr Wide(const Value &x) const;          // as 64 bits
    z3::expr Fit(const Value &x, unsigned width) const;  // a narrow value in `width` bits

  private:
    Value Narrow(const z3::expr &term) const { return {term, term.get_sort().bv_size()}; }
    z3::expr Product(const z3::expr &x, const z3::expr &y) const;

    const Symbolic &v_;
    const SymState &start_;
    const SymState &end_;
};

// The low `width` bits of a bit-vector term, with the cut pushed into sums,
// products and logic, whose low bits depend on their operands' low bits only.
z3::expr LowBits(const z3::expr &term, unsigned width);

// Whether `e` holds (is not 0) from `start` to `end`.
z3::expr Holds(const Expr &e, const Symbolic &v, const SymState &start, const SymState &end);
// The value of `e`, as 64 bits.
z3::expr ValueOf(const Expr &e, const Symbolic &v, const SymState &start, const SymState &end);

// The inputs that formulas read: the variables of the places, the words of
// MEM at numbers, and whether MEM is read at an address that is a term.
struct FormulaInputs {
    std::vector<Place> places;  // sorted by PlaceBefore, each once
    bool anyWord = false;       // MEM read where the address depends on the inputs
};
FormulaInputs InputsOf(const std::vector<z3::expr> &formulas);

// The value the solver's model gives a place (0 where the model leaves it free).
uint16_t ModelValue(const z3::model &model, z3::context &ctx, const Place &p);
// The memory addresses the formulas read at terms, as the model makes them.
std::vector<uint16_t> ModelAddresses(const z3::model &model, const std::vector<z3::expr> &formulas);

#endif
