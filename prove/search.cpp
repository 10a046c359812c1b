// The concrete half of the portfolio: inputs, cheap search, exhaustive runs.
#include "search.h"

#include <algorithm>
#include <random>
#include <set>

namespace {

void AddPlace(std::vector<Input> *inputs, const Place &p) {
    for (const Input &i : *inputs)
        if (SamePlace(i.place, p))
            return;
    Input in;
    in.place = p;
    in.place.name = PlaceName(p);
    in.hi = PlaceMax(p);
    inputs->push_back(in);
}

Place Simple(Place::Kind kind, unsigned index = 0) {
    Place p;
    p.kind = kind;
    p.index = index;
    return p;
}

// The places a word of `m` can read at the start of its cycle.
void WordReads(const Machine &m, std::vector<Input> *places) {
    for (unsigned a = 0; a < kStoreSize; ++a) {
        const Microinstruction &w = m.At(a);
        if (w.fault != Fault::None)
            continue;
        auto port = [&](bool fromIr, uint8_t reg) {
            if (!fromIr)
                return AddPlace(places, Simple(Place::Register, reg));
            AddPlace(places, Simple(Place::Ir));
            for (unsigned r = 0; r < 16; ++r)
                AddPlace(places, Simple(Place::Register, r));
        };
        // The ALU's operands matter only where its result goes somewhere.
        const bool used = w.to != Destination::None || w.transfer == Transfer::FToMemory ||
                          w.transfer == Transfer::FToMar || w.transfer == Transfer::FToFlags ||
                          w.flags == FlagLoad::UStatus || w.flags == FlagLoad::MStatus;
        if (used && (w.r == Operand::A || w.s == Operand::A))
            port(w.irA, w.regA);
        if (used && (w.r == Operand::B || w.s == Operand::B))
            port(w.irB, w.regB);
        if (w.to == Destination::B && w.irB)
            AddPlace(places, Simple(Place::Ir));
        if (used && (w.r == Operand::Q || w.s == Operand::Q))
            AddPlace(places, Simple(Place::Q));
        if (ReadsMemory(w) || WritesMemory(w))
            AddPlace(places, Simple(Place::Mar));
        if (used && w.d == DSource::Uflag)
            AddPlace(places, Simple(Place::Uflag));
        if (used && w.d == DSource::Mflag)
            AddPlace(places, Simple(Place::Mflag));
        if (w.passes != 0 && w.passes != 0xFFFF)
            AddPlace(places, Simple(w.testFlags ? Place::Mflag : Place::Uflag));
        if (w.sequencer == 2)  // JMAP
            AddPlace(places, Simple(Place::Ir));
    }
}

// The comparison `n` of a name with a number, as the range it leaves the name.
void NarrowBy(const Expr &e, int at, std::vector<Input> *inputs) {
    const ExprNode &n = e.nodes[at];
    if (n.kind != ExprNode::Binary)
        return;
    if (n.op == Op::LogAnd) {
        NarrowBy(e, n.a, inputs);
        NarrowBy(e, n.b, inputs);
        return;
    }
    auto placeOf = [&](int node, Place *p) {
        const ExprNode *x = &e.nodes[node];
        if (x->kind == ExprNode::Old)
            x = &e.nodes[x->a];
        if (x->kind == ExprNode::Name) {
            *p = x->place;
            return true;
        }
        if (x->kind == ExprNode::Memory && e.nodes[x->a].kind == ExprNode::Number) {
            *p = Simple(Place::Memory, static_cast<unsigned>(e.nodes[x->a].number & 0xFFFF));
            return true;
        }
        return false;
    };
    Place p;
    int64_t k;
    Op op = n.op;
    if (placeOf(n.a, &p) && e.nodes[n.b].kind == ExprNode::Number) {
        k = e.nodes[n.b].number;
    } else if (placeOf(n.b, &p) && e.nodes[n.a].kind == ExprNode::Number) {
        k = e.nodes[n.a].number;
        switch (op) {  // k op NAME as NAME op' k
        case Op::Lt: op = Op::Gt; break;
        case Op::Le: op = Op::Ge; break;
        case Op::Gt: op = Op::Lt; break;
        case Op::Ge: op = Op::Le; break;
        default: break;
        }
    } else {
        return;
    }
    for (Input &in : *inputs) {
        if (!SamePlace(in.place, p))
            continue;
        int64_t lo = in.lo, hi = in.hi;
        switch (op) {
        case Op::Lt: hi = std::min(hi, k - 1); break;
        case Op::Le: hi = std::min(hi, k); break;
        case Op::Gt: lo = std::max(lo, k + 1); break;
        case Op::Ge: lo = std::max(lo, k); break;
        case Op::Eq: lo = std::max(lo, k), hi = std::min(hi, k); break;
        default: break;
        }
        if (lo > hi) {  // nothing meets it: an empty range
            lo = 1;
            hi = 0;
        }
        in.lo = static_cast<uint32_t>(lo);
        in.hi = static_cast<uint32_t>(hi);
    }
}

// The values worth trying first for an input: its edges, the edges of
// 16-bit arithmetic, and the constants with their neighbours.
std::vector<uint16_t> Candidates(const Input &in, const std::vector<uint32_t> &constants) {
    std::set<uint32_t> values;
    const uint32_t edges[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x100, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
    for (uint32_t v : edges)
        values.insert(v);
    for (uint32_t c : constants)
        for (uint32_t v : {c, c + 1, c - 1, ~c})
            values.insert(v & 0xFFFF);
    values.insert(in.lo);
    values.insert(in.hi);
    values.insert(in.lo + 1);
    values.insert(in.hi - 1);
    std::vector<uint16_t> out;
    for (uint32_t v : values)
        if (v >= in.lo && v <= in.hi)
            out.push_back(static_cast<uint16_t>(v));
    return out;
}

class Searcher {
  public:
    Searcher(Trials &trials, uint64_t maxTrials, std::chrono::steady_clock::time_point deadline)
        : trials_(trials), maxTrials_(maxTrials), deadline_(deadline) {}

    // Runs one input; false when the search is over (found, or out of runs or time).
    bool Try(const std::vector<uint16_t> &values) {
        if (result_.found || result_.trials >= maxTrials_ || (result_.trials % 256 == 0 && Late()))
            return false;
        ++result_.trials;
        Trial t = trials_.Run(values.data());
        if (t.kind == Trial::Excluded)
            return true;
        if (t.kind == Trial::Late) {
            late_ = true;
            return false;
        }
        ++result_.ran;
        result_.cycles += t.cycles;
        if (t.kind == Trial::Fails) {
            result_.found = true;
            result_.values = values;
            return false;
        }
        result_.longest = std::max(result_.longest, t.cycles);
        return true;
    }

    bool Late() { return late_ = late_ || std::chrono::steady_clock::now() > deadline_; }
    SearchResult &result() { return result_; }

  private:
    Trials &trials_;
    const uint64_t maxTrials_;
    const std::chrono::steady_clock::time_point deadline_;
    SearchResult result_;
    bool late_ = false;
};

}  // namespace

std::vector<Input> StaticInputs(const Goal &goal) {
    std::vector<Input> inputs;
    WordReads(*goal.program, &inputs);
    if (goal.reference)
        WordReads(*goal.reference, &inputs);
    for (const std::vector<Expr> *list : {&goal.assumes, &goal.ensures})
        for (const Expr &e : *list) {
            bool anyWord = false;
            for (const Place &p : e.StartPlaces(list == &goal.assumes, &anyWord))
                AddPlace(&inputs, p);
        }
    for (const Place &p : goal.compared)
        AddPlace(&inputs, p);  // an equivalence's compared places may be left as they were
    std::vector<Input> free;
    for (const Input &in : inputs)
        if (!goal.fixed.Has(in.place))
            free.push_back(in);
    std::sort(free.begin(), free.end(), [](const Input &a, const Input &b) { return PlaceBefore(a.place, b.place); });
    return free;
}

void Narrow(const std::vector<Expr> &assumes, std::vector<Input> *inputs) {
    for (const Expr &e : assumes)
        NarrowBy(e, static_cast<int>(e.nodes.size()) - 1, inputs);
}

uint64_t Count(const std::vector<Input> &inputs) {
    uint64_t n = 1;
    for (const Input &in : inputs) {
        if (in.lo > in.hi)
            return 0;
        uint64_t k = uint64_t{in.hi} - in.lo + 1;
        if (n > (uint64_t{1} << 63) / k)
            return uint64_t{1} << 63;
        n *= k;
    }
    return n;
}

std::vector<uint32_t> Constants(const Goal &goal) {
    std::set<uint32_t> found;
    for (const Machine *m : {goal.program, goal.reference}) {
        if (!m)
            continue;
        for (unsigned a = 0; a < kStoreSize; ++a) {
            const Microinstruction &w = m->At(a);
            if (w.fault == Fault::None &&
                (w.d == DSource::Constant || w.transfer == Transfer::ConstToMemory ||
                 w.transfer == Transfer::ConstToFlags))
                found.insert(w.constant);
        }
    }
    for (const std::vector<Expr> *list : {&goal.assumes, &goal.ensures})
        for (const Expr &e : *list)
            for (const ExprNode &n : e.nodes)
                if (n.kind == ExprNode::Number)
                    found.insert(static_cast<uint32_t>(n.number & 0xFFFF));
    std::vector<uint32_t> out(found.begin(), found.end());
    if (out.size() > 64)
        out.resize(64);
    return out;
}

SearchResult Search(Trials &trials, const std::vector<Input> &inputs, const std::vector<uint32_t> &constants,
                    uint64_t maxTrials, uint64_t seed, std::chrono::steady_clock::time_point deadline) {
    trials.SetDeadline(deadline);
    Searcher s(trials, maxTrials, deadline);
    const size_t n = inputs.size();
    if (Count(inputs) == 0)
        return s.result();
    std::vector<std::vector<uint16_t>> candidates;
    uint64_t combinations = 1;
    for (const Input &in : inputs) {
        candidates.push_back(Candidates(in, constants));
        combinations = std::min<uint64_t>(combinations * candidates.back().size(), uint64_t{1} << 40);
    }
    std::vector<uint16_t> values(n);
    for (size_t i = 0; i < n; ++i)
        values[i] = static_cast<uint16_t>(inputs[i].lo);
    if (combinations <= maxTrials / 2) {
        // Every combination of the candidates.
        std::vector<size_t> digit(n, 0);
        for (bool more = true; more;) {
            for (size_t i = 0; i < n; ++i)
                values[i] = candidates[i][digit[i]];
            if (!s.Try(values))
                return s.result();
            more = false;
            for (size_t i = 0; i < n && !more; ++i) {
                if (++digit[i] < candidates[i].size())
                    more = true;
                else
                    digit[i] = 0;
            }
        }
    } else {
        // Each pair of inputs through their candidates, the others at their lowest.
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i + 1; j <= n; ++j) {
                for (uint16_t x : candidates[i])
                    for (size_t k = 0; k < (j < n ? candidates[j].size() : 1); ++k) {
                        std::vector<uint16_t> v = values;
                        v[i] = x;
                        if (j < n)
                            v[j] = candidates[j][k];
                        if (!s.Try(v))
                            return s.result();
                    }
            }
    }
    if (n == 0)
        return s.result();
    // Random values, half of them drawn from the candidates.
    std::mt19937_64 random(seed);
    while (true) {
        for (size_t i = 0; i < n; ++i) {
            const Input &in = inputs[i];
            if (random() % 2 && !candidates[i].empty())
                values[i] = candidates[i][random() % candidates[i].size()];
            else
                values[i] = static_cast<uint16_t>(in.lo + random() % (uint64_t{in.hi} - in.lo + 1));
        }
        if (!s.Try(values))
            return s.result();
    }
}

SearchResult Exhaust(Trials &trials, const std::vector<Input> &inputs, std::chrono::steady_clock::time_point deadline) {
    trials.SetDeadline(deadline);
    Searcher s(trials, UINT64_MAX, deadline);
    const size_t n = inputs.size();
    if (Count(inputs) == 0) {
        s.result().complete = true;
        return s.result();
    }
    std::vector<uint16_t> values(n);
    for (size_t i = 0; i < n; ++i)
        values[i] = static_cast<uint16_t>(inputs[i].lo);
    while (true) {
        if (!s.Try(values))
            return s.result();
        size_t i = 0;
        for (; i < n; ++i) {
            if (values[i] < inputs[i].hi) {
                ++values[i];
                break;
            }
            values[i] = static_cast<uint16_t>(inputs[i].lo);
        }
        if (i == n) {
            s.result().complete = true;
            return s.result();
        }
    }
}
