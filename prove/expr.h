// The expressions of zanfo-prove's property files: C's operators with C's
// precedence on 64-bit signed integers, over the places of the machine.
//
//   number        decimal, or hexadecimal after 0x
//   NAME          R0..R63, Q (RQ), MAR, IR, UFLAG, MFLAG or an EQU name of the
//                 source: its value as an unsigned number (a flag register 0..15)
//   MEM[e]        the memory word at the low 16 bits of e
//   old(e)        e on the state the run started from
//   s16(e)        the low 16 bits of e read as a signed number
//   + - * / % << >> < <= > >= == != & ^ | && || ! ~ ?: and parentheses
//
// + - * wrap around in 64 bits; / and % truncate toward zero and give 0 for
// a zero divisor; a shift by 64 or more (or by a negative amount, read as
// unsigned) gives 0, or -1 for >> of a negative value; comparisons and the
// logical operators give 1 or 0.
//
// An expression is parsed once into a tree and evaluated by Evaluate over
// a class of values: 64-bit integers for the runs on the machine, and the
// solver's bit-vectors for the proofs (prove/formula.h).
#ifndef ZANFO_PROVE_EXPR_H
#define ZANFO_PROVE_EXPR_H

#include <cstdint>
#include <string>
#include <vector>

#include "inputs.h"

enum class Op : uint8_t {
    // Unary.
    Neg, Plus, LogNot, BitNot,
    // Binary, by precedence from the tightest.
    Mul, Div, Mod,
    Add, Sub,
    Shl, Shr,
    Lt, Le, Gt, Ge,
    Eq, Ne,
    BitAnd, BitXor, BitOr,
    LogAnd, LogOr,
};

// The text of an operator, as written.
const char *OpText(Op op);

struct ExprNode {
    enum Kind : uint8_t {
        Number,  // `number`
        Name,    // a place: `place`
        Memory,  // MEM[a]
        Old,     // old(a)
        S16,     // s16(a)
        Unary,   // op a
        Binary,  // a op b
        Choice,  // a ? b : c
    };
    Kind kind = Number;  // what the node is
    Op op = Op::Add;     // Unary, Binary
    int64_t number = 0;  // Number
    Place place;         // Name
    int a = -1, b = -1, c = -1;  // operands, as indices into Expr::nodes
    size_t begin = 0, end = 0;   // where it is written in Expr::text
};

struct Expr {
    std::vector<ExprNode> nodes;  // the tree, its root last
    std::string text;             // as written, blanks at the ends cut
    unsigned line = 0;            // where it was written

    const ExprNode &root() const { return nodes.back(); }
    // The text of node `at` as written.
    std::string TextOf(int at) const { return text.substr(nodes[at].begin, nodes[at].end - nodes[at].begin); }
    // The places it reads on the state the run started from: those inside
    // old(...), or every one when `plainIsOld` (in an assume), and every
    // memory word it names (one the run leaves alone ends as it started).
    // A memory word at an address that is not a number sets `*anyWord`.
    std::vector<Place> StartPlaces(bool plainIsOld, bool *anyWord) const;
    // The names it reads outside old(...), each once (memory words aside).
    std::vector<Place> EndPlaces() const;
};

// Parses `text`.  False, with the reason in `error`, when it is not an
// expression.  Names are resolved through `equates`.
bool ParseExpr(const std::string &text, const Equates &equates, Expr *expr, std::string *error);

// The value of node `at` of `e`, over a class of values V (passed as `v`):
//   Value Number(int64_t), Value Read(const Place &, bool old),
//   Value ReadMemory(const Value &address, bool old), Value S16(const Value &),
//   Value Unary(Op, const Value &), Value Binary(Op, const Value &, const Value &),
//   Value Choice(const Value &condition, const Value &a, const Value &b)
template <class V>
typename V::Value Evaluate(const Expr &e, V &v, int at = -1, bool old = false) {
    if (at < 0)
        at = static_cast<int>(e.nodes.size()) - 1;
    const ExprNode &n = e.nodes[at];
    switch (n.kind) {
    case ExprNode::Number: return v.Number(n.number);
    case ExprNode::Name: return v.Read(n.place, old);
    case ExprNode::Memory: return v.ReadMemory(Evaluate(e, v, n.a, old), old);
    case ExprNode::Old: return Evaluate(e, v, n.a, true);
    case ExprNode::S16: return v.S16(Evaluate(e, v, n.a, old));
    case ExprNode::Unary: return v.Unary(n.op, Evaluate(e, v, n.a, old));
    case ExprNode::Binary: return v.Binary(n.op, Evaluate(e, v, n.a, old), Evaluate(e, v, n.b, old));
    case ExprNode::Choice:
        return v.Choice(Evaluate(e, v, n.a, old), Evaluate(e, v, n.b, old), Evaluate(e, v, n.c, old));
    }
    return v.Number(0);
}

// C's operators on 64-bit integers, with the rules above for what C leaves
// undefined.
int64_t ApplyUnary(Op op, int64_t a);
int64_t ApplyBinary(Op op, int64_t a, int64_t b);

#endif
