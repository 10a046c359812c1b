// The expressions of property files: the parser and C's operators.
#include "expr.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

constexpr unsigned kMaxDepth = 200;  // nesting that a line may hold

struct OpInfo {
    Op op;
    const char *text;
    int precedence;  // binary: higher binds tighter; 0 for a unary operator
};
constexpr OpInfo kOps[] = {
    {Op::Neg, "-", 0},     {Op::Plus, "+", 0},    {Op::LogNot, "!", 0},  {Op::BitNot, "~", 0},
    {Op::Mul, "*", 10},    {Op::Div, "/", 10},    {Op::Mod, "%", 10},    {Op::Add, "+", 9},
    {Op::Sub, "-", 9},     {Op::Shl, "<<", 8},    {Op::Shr, ">>", 8},    {Op::Lt, "<", 7},
    {Op::Le, "<=", 7},     {Op::Gt, ">", 7},      {Op::Ge, ">=", 7},     {Op::Eq, "==", 6},
    {Op::Ne, "!=", 6},     {Op::BitAnd, "&", 5},  {Op::BitXor, "^", 4},  {Op::BitOr, "|", 3},
    {Op::LogAnd, "&&", 2}, {Op::LogOr, "||", 1},
};

class Parser {
  public:
    Parser(const std::string &text, const Equates &equates, Expr *expr)
        : text_(text), equates_(equates), expr_(expr) {}

    bool Parse(std::string *error) {
        int root = Choice(0);
        Blanks();
        if (root >= 0 && pos_ < text_.size() && text_[pos_] == '=')
            Fail("\"=\" assigns nothing here: == compares");
        else if (root >= 0 && pos_ < text_.size())
            Fail("unexpected \"" + text_.substr(pos_, 12) + "\"");
        if (!error_.empty()) {
            *error = error_;
            return false;
        }
        // The root last: Evaluate starts there.
        if (root != static_cast<int>(expr_->nodes.size()) - 1)
            Fail("internal: the root is not last");
        *error = error_;
        return error_.empty();
    }

  private:
    void Blanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
            ++pos_;
    }

    int Fail(const std::string &message) {
        if (error_.empty())
            error_ = message;
        return -1;
    }

    int Add(ExprNode node, size_t begin, size_t end = std::string::npos) {
        node.begin = begin;
        node.end = end == std::string::npos ? pos_ : end;
        expr_->nodes.push_back(node);
        return static_cast<int>(expr_->nodes.size()) - 1;
    }

    // The binary operator at pos_, without taking it.
    const OpInfo *PeekBinary() {
        Blanks();
        const OpInfo *best = nullptr;
        for (const OpInfo &o : kOps) {
            if (o.precedence == 0)
                continue;
            size_t n = strlen(o.text);
            if (text_.compare(pos_, n, o.text) == 0 && (!best || n > strlen(best->text)))
                best = &o;
        }
        return best;
    }

    // a ? b : c, right to left, above binary operators of at least `minimum`.
    int Choice(unsigned depth) {
        if (depth > kMaxDepth)
            return Fail("nested too deeply (more than 200 levels of operators)");
        int condition = Binary(1, depth);
        if (condition < 0)
            return -1;
        Blanks();
        if (pos_ >= text_.size() || text_[pos_] != '?')
            return condition;
        ++pos_;
        int a = Choice(depth + 1);
        if (a < 0)
            return -1;
        Blanks();
        if (pos_ >= text_.size() || text_[pos_] != ':')
            return Fail("expected \":\" of \"?:\"");
        ++pos_;
        int b = Choice(depth + 1);
        if (b < 0)
            return -1;
        ExprNode n;
        n.kind = ExprNode::Choice;
        n.a = condition;
        n.b = a;
        n.c = b;
        return Add(n, expr_->nodes[condition].begin, expr_->nodes[b].end);
    }

    // Precedence climbing over the binary operators of at least `minimum`.
    int Binary(int minimum, unsigned depth) {
        int left = UnaryOperand(depth);
        while (left >= 0) {
            const OpInfo *o = PeekBinary();
            if (!o || o->precedence < minimum)
                break;
            pos_ += strlen(o->text);
            int right = Binary(o->precedence + 1, depth + 1);
            if (right < 0)
                return -1;
            ExprNode n;
            n.kind = ExprNode::Binary;
            n.op = o->op;
            n.a = left;
            n.b = right;
            left = Add(n, expr_->nodes[left].begin, expr_->nodes[right].end);
            if (++depth > kMaxDepth)
                return Fail("nested too deeply (more than 200 levels of operators)");
        }
        return left;
    }

    int UnaryOperand(unsigned depth) {
        if (depth > kMaxDepth)
            return Fail("nested too deeply (more than 200 levels of operators)");
        Blanks();
        if (pos_ >= text_.size())
            return Fail("expected a value at the end of the line");
        char c = text_[pos_];
        const size_t start = pos_;
        for (const OpInfo &o : kOps)
            if (o.precedence == 0 && c == o.text[0]) {
                ++pos_;
                int a = UnaryOperand(depth + 1);
                if (a < 0)
                    return -1;
                ExprNode n;
                n.kind = ExprNode::Unary;
                n.op = o.op;
                n.a = a;
                return Add(n, start);
            }
        if (c == '(') {
            ++pos_;
            int inner = Choice(depth + 1);
            if (inner < 0 || Close(')', inner) < 0)
                return -1;
            expr_->nodes[inner].begin = start;  // the parentheses belong to what they hold
            expr_->nodes[inner].end = pos_;
            return inner;
        }
        if (isdigit(static_cast<unsigned char>(c)))
            return Number();
        if (isalpha(static_cast<unsigned char>(c)) || c == '_')
            return Named(depth);
        return Fail("unexpected \"" + text_.substr(pos_, 12) + "\"");
    }

    int Close(char closing, int inner) {
        Blanks();
        if (pos_ >= text_.size() || text_[pos_] != closing)
            return Fail(std::string("expected \"") + closing + "\"");
        ++pos_;
        return inner;
    }

    int Number() {
        size_t start = pos_;
        bool hex = text_.compare(pos_, 2, "0x") == 0 || text_.compare(pos_, 2, "0X") == 0;
        if (hex)
            pos_ += 2;
        uint64_t value = 0;
        bool digits = false;
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            unsigned digit;
            if (isdigit(static_cast<unsigned char>(c)))
                digit = static_cast<unsigned>(c - '0');
            else if (hex && isxdigit(static_cast<unsigned char>(c)))
                digit = static_cast<unsigned>(tolower(static_cast<unsigned char>(c)) - 'a' + 10);
            else
                break;
            unsigned base = hex ? 16 : 10;
            if (value > (UINT64_MAX - digit) / base)
                return Fail("\"" + text_.substr(start, pos_ + 1 - start) + "...\" is too big for 64 bits");
            value = value * base + digit;
            digits = true;
            ++pos_;
        }
        if (!digits || (pos_ < text_.size() && (isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_')))
            return Fail("\"" + text_.substr(start, pos_ + 1 - start) + "\" is not a number (decimal, or hexadecimal after 0x)");
        ExprNode n;
        n.kind = ExprNode::Number;
        n.number = static_cast<int64_t>(value);  // 0x8000000000000000 and above read as negative
        return Add(n, start);
    }

    int Named(unsigned depth) {
        size_t start = pos_;
        while (pos_ < text_.size() && (isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
            ++pos_;
        std::string name = text_.substr(start, pos_ - start);
        std::string lower;
        for (char c : name)
            lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
        Blanks();
        char next = pos_ < text_.size() ? text_[pos_] : '\0';
        if (lower == "mem" && next == '[') {
            ++pos_;
            int address = Choice(depth + 1);
            if (address < 0 || Close(']', address) < 0)
                return -1;
            ExprNode n;
            n.kind = ExprNode::Memory;
            n.a = address;
            return Add(n, start);
        }
        if ((lower == "old" || lower == "s16") && next == '(') {
            ++pos_;
            int inner = Choice(depth + 1);
            if (inner < 0 || Close(')', inner) < 0)
                return -1;
            ExprNode n;
            n.kind = lower == "old" ? ExprNode::Old : ExprNode::S16;
            n.a = inner;
            return Add(n, start);
        }
        ExprNode n;
        n.kind = ExprNode::Name;
        std::string error;
        if (lower == "mem")
            return Fail("MEM needs an address: MEM[ADDR]");
        if (!ParsePlace(name, equates_, &n.place, &error))
            return Fail(name + ": " + error);
        pos_ = start + name.size();  // the name alone, without the blanks after it
        return Add(n, start);
    }

    const std::string &text_;
    const Equates &equates_;
    Expr *expr_;
    size_t pos_ = 0;
    std::string error_;
};

void StartPlacesOf(const Expr &e, int at, bool old, std::vector<Place> *places, bool *anyWord) {
    const ExprNode &n = e.nodes[at];
    switch (n.kind) {
    case ExprNode::Number: return;
    case ExprNode::Name:
        if (old)
            places->push_back(n.place);
        return;
    case ExprNode::Memory: {
        // A word the run does not write reads at the end what it held at the start.
        const ExprNode &address = e.nodes[n.a];
        if (address.kind == ExprNode::Number) {
            Place p;
            p.kind = Place::Memory;
            p.index = static_cast<unsigned>(address.number & 0xFFFF);
            places->push_back(p);
        } else {
            *anyWord = true;
        }
        StartPlacesOf(e, n.a, old, places, anyWord);
        return;
    }
    case ExprNode::Old: StartPlacesOf(e, n.a, true, places, anyWord); return;
    default: break;
    }
    for (int child : {n.a, n.b, n.c})
        if (child >= 0)
            StartPlacesOf(e, child, old, places, anyWord);
}

}  // namespace

const char *OpText(Op op) {
    for (const OpInfo &o : kOps)
        if (o.op == op)
            return o.text;
    return "?";
}

bool ParseExpr(const std::string &text, const Equates &equates, Expr *expr, std::string *error) {
    size_t begin = text.find_first_not_of(" \t\r");
    size_t end = text.find_last_not_of(" \t\r");
    expr->text = begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
    expr->nodes.clear();
    if (expr->text.empty()) {
        *error = "expected an expression";
        return false;
    }
    Parser parser(expr->text, equates, expr);
    return parser.Parse(error);
}

std::vector<Place> Expr::StartPlaces(bool plainIsOld, bool *anyWord) const {
    std::vector<Place> places;
    if (!nodes.empty())
        StartPlacesOf(*this, static_cast<int>(nodes.size()) - 1, plainIsOld, &places, anyWord);
    return places;
}

std::vector<Place> Expr::EndPlaces() const {
    std::vector<Place> places;
    std::vector<std::pair<int, bool>> todo;  // node, under old(...)
    if (!nodes.empty())
        todo.push_back({static_cast<int>(nodes.size()) - 1, false});
    while (!todo.empty()) {
        auto [at, old] = todo.back();
        todo.pop_back();
        const ExprNode &n = nodes[at];
        if (n.kind == ExprNode::Name && !old) {
            bool seen = false;
            for (const Place &p : places)
                seen |= p.kind == n.place.kind && p.index == n.place.index;
            if (!seen)
                places.push_back(n.place);
        }
        for (int child : {n.a, n.b, n.c})
            if (child >= 0)
                todo.push_back({child, old || n.kind == ExprNode::Old});
    }
    return places;
}

int64_t ApplyUnary(Op op, int64_t a) {
    const uint64_t u = static_cast<uint64_t>(a);
    switch (op) {
    case Op::Neg: return static_cast<int64_t>(0 - u);
    case Op::LogNot: return a == 0;
    case Op::BitNot: return static_cast<int64_t>(~u);
    default: return a;
    }
}

int64_t ApplyBinary(Op op, int64_t a, int64_t b) {
    const uint64_t ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
    switch (op) {
    case Op::Mul: return static_cast<int64_t>(ua * ub);
    case Op::Div:
        if (b == 0)
            return 0;
        if (a == INT64_MIN && b == -1)
            return INT64_MIN;
        return a / b;
    case Op::Mod:
        if (b == 0 || b == -1)
            return 0;
        return a % b;
    case Op::Add: return static_cast<int64_t>(ua + ub);
    case Op::Sub: return static_cast<int64_t>(ua - ub);
    case Op::Shl: return ub >= 64 ? 0 : static_cast<int64_t>(ua << ub);
    case Op::Shr:
        if (ub >= 64)
            return a < 0 ? -1 : 0;
        return a < 0 ? static_cast<int64_t>(~(~ua >> ub)) : static_cast<int64_t>(ua >> ub);
    case Op::Lt: return a < b;
    case Op::Le: return a <= b;
    case Op::Gt: return a > b;
    case Op::Ge: return a >= b;
    case Op::Eq: return a == b;
    case Op::Ne: return a != b;
    case Op::BitAnd: return static_cast<int64_t>(ua & ub);
    case Op::BitXor: return static_cast<int64_t>(ua ^ ub);
    case Op::BitOr: return static_cast<int64_t>(ua | ub);
    case Op::LogAnd: return a != 0 && b != 0;
    case Op::LogOr: return a != 0 || b != 0;
    default: return 0;
    }
}
