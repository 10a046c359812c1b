// zanfo-check: the control flow of a control store, with the stack.
#include "flow.h"

#include <algorithm>
#include <deque>
#include <unordered_set>

namespace {

bool SamePath(const Path &a, const Path &b) {
    return a.next == b.next && a.stack == b.stack && a.counter == b.counter;
}

// The paths a word can take, each once: a test that always passes
// (CondEnable) never fails, and R can be zero or not.
std::vector<Path> PossiblePaths(const Microinstruction &m) {
    const bool canPass = m.passes != 0, canFail = m.passes != 0xFFFF;
    std::vector<Path> out;
    for (unsigned i = 0; i < 4; ++i) {
        const bool pass = (i & 1) != 0;
        const Path &path = kSequencer[m.sequencer].paths[i];
        if ((pass ? canPass : canFail) &&
            std::none_of(out.begin(), out.end(), [&path](const Path &p) { return SamePath(p, path); }))
            out.push_back(path);
    }
    return out;
}

class Follower {
  public:
    // Where the JMAP words' contexts gather before they go on to the
    // mapping's addresses: a JMAP word passes its contexts on once, not
    // once for each of the up to 256 addresses.
    static constexpr uint16_t kHub = kStoreSize;

    Follower(const Store &store, const std::array<int, kOpcodes> *mapping, Flow &flow)
        : store_(store), mapping_(mapping), flow_(flow), contextOf_(kStoreSize, -1), paths_(kStoreSize) {
        flow_.reached.assign(kStoreSize, 0);
        flow_.halts.assign(kStoreSize, 0);
        flow_.stops.assign(kStoreSize, 0);
        // What R can hold when JRP or JSRP go to it: 0 from reset, a value
        // some word loads, or any value below one, as a count goes down.
        unsigned highest = 0;
        for (unsigned a = 0; a < kStoreSize; ++a) {
            const Microinstruction &m = store.at[a];
            if (m.fault != Fault::None)
                continue;
            paths_[a] = PossiblePaths(m);
            for (const Path &p : paths_[a])
                if (p.counter == CounterOp::Load)
                    highest = std::max<unsigned>(highest, m.target);
        }
        for (unsigned a = 0; a <= highest; ++a)
            if (store.Holds(a))
                counterValues_.push_back(static_cast<uint16_t>(a));
        // The contexts: the root, and every address a push can go to.
        flow_.contexts.emplace_back();
        for (unsigned a = 0; a < kStoreSize; ++a) {
            if (store.at[a].halt)
                continue;
            for (const Path &p : paths_[a]) {
                if (p.stack != StackOp::Push)
                    continue;
                for (uint16_t t : Addresses(static_cast<uint16_t>(a), p.next))
                    if (store.Holds(t) && contextOf_[t] < 0) {
                        contextOf_[t] = static_cast<int32_t>(flow_.contexts.size());
                        flow_.contexts.emplace_back();
                        flow_.contexts.back().entry = t;
                    }
            }
        }
        width_ = (flow_.contexts.size() + 63) / 64;
        sets_.assign((kStoreSize + 1) * width_, 0);  // the words, and JMAP's hub
        delta_.assign((kStoreSize + 1) * width_, 0);
        queued_.assign(kStoreSize + 1, 0);
        visited_.assign(kStoreSize, 0);
        landing_.resize(kStoreSize);
        mapTargets_ = Addresses(0, Next::Map);
        exits_.resize(flow_.contexts.size());
        topReaders_.resize(flow_.contexts.size());
    }

    void Run(unsigned start) {
        if (store_.Holds(start))
            GainOne(static_cast<uint16_t>(start), Flow::kRoot);
        Drain();
        // The mapping's addresses are entry points of their own when no
        // JMAP word is reached to go there with its state.
        if (mapping_ && !jmapReached_) {
            for (uint16_t a : mapTargets_)
                if (store_.Holds(a))
                    GainOne(a, Flow::kRoot);
            Drain();
        }
        std::sort(flow_.edges.begin(), flow_.edges.end());
        flow_.edges.erase(std::unique(flow_.edges.begin(), flow_.edges.end()), flow_.edges.end());
    }

  private:
    // -----------------------------------------------------------------
    // The contexts each word runs in, and the bits it has not passed on.

    void Gain(uint16_t t, const uint64_t *bits) {
        uint64_t *set = &sets_[t * width_], *delta = &delta_[t * width_];
        bool grew = false;
        for (size_t i = 0; i < width_; ++i) {
            const uint64_t fresh = bits[i] & ~set[i];
            set[i] |= fresh;
            delta[i] |= fresh;
            grew |= fresh != 0;
        }
        if (grew && !queued_[t]) {
            queued_[t] = 1;
            work_.push_back(t);
        }
    }

    void GainOne(uint16_t t, uint32_t context) {
        const uint64_t bit = uint64_t{1} << (context % 64);
        const size_t i = t * width_ + context / 64;
        if (sets_[i] & bit)
            return;
        sets_[i] |= bit;
        delta_[i] |= bit;
        if (!queued_[t]) {
            queued_[t] = 1;
            work_.push_back(t);
        }
    }

    template <class Each>
    static void ForBits(const std::vector<uint64_t> &bits, Each each) {
        for (size_t i = 0; i < bits.size(); ++i)
            for (uint64_t b = bits[i]; b; b &= b - 1)
                each(static_cast<uint32_t>(i * 64 + static_cast<unsigned>(__builtin_ctzll(b))));
    }

    void Drain() {
        // First in, first out: a word waits while more contexts gather on
        // it, and passes them on together.
        while (!work_.empty()) {
            const uint16_t w = work_.front();
            work_.pop_front();
            queued_[w] = 0;
            fresh_.assign(delta_.begin() + w * width_, delta_.begin() + (w + 1) * width_);
            std::fill(delta_.begin() + w * width_, delta_.begin() + (w + 1) * width_, 0);
            if (w == kHub) {
                for (uint16_t t : mapTargets_)
                    if (store_.Holds(t))
                        Gain(t, fresh_.data());
            } else {
                Visit(w, fresh_);
            }
        }
    }

    // -----------------------------------------------------------------
    // One word, for the contexts `d` it has newly gained.

    void Event(uint16_t at, Stop stop, uint16_t word, uint16_t target, Next next) {
        flow_.events.push_back({stop, word, target, next});
        if (stop != Stop::Wraps || !store_.Holds(target))
            flow_.stops[at] = 1;
    }

    void Edge(uint16_t from, uint16_t to) {
        if (edgeSet_.insert(uint32_t{from} << 16 | to).second)
            flow_.edges.emplace_back(from, to);
    }

    void Visit(uint16_t w, const std::vector<uint64_t> &d) {
        const Microinstruction &m = store_.at[w];
        const bool first = !visited_[w];
        visited_[w] = 1;
        flow_.reached[w] = 1;
        if (m.fault != Fault::None) {  // a field value the machine does not define
            flow_.stops[w] = 1;
            return;
        }
        flow_.halts[w] = m.halt;
        if (first)
            Land(w);
        const bool root = (d[0] & 1) != 0;
        for (const Path &path : paths_[w]) {
            if (path.next == Next::Map)
                jmapReached_ = true;
            const bool readsTop = path.next == Next::Top || path.stack == StackOp::Pop;
            if (readsTop && root)
                Event(w, Stop::Underflow, w, 0, path.next);
            if (m.halt) {  // the cycle runs, and the run ends
                if (path.stack == StackOp::Push)
                    ForBits(d, [&](uint32_t k) { flow_.haltPushes.push_back({k, w}); });
                continue;
            }
            const std::vector<uint16_t> &targets = landing_[w][&path - paths_[w].data()];
            switch (path.stack) {
            case StackOp::Clear:  // JMPZ: to 0 with the stack emptied
                for (uint16_t t : targets) {
                    if (first)
                        Edge(w, t);
                    GainOne(t, Flow::kRoot);
                }
                break;
            case StackOp::Push:
                for (uint16_t t : targets) {
                    const uint32_t c = static_cast<uint32_t>(contextOf_[t]);
                    if (first)
                        Edge(w, t);
                    GainOne(t, c);
                    ForBits(d, [&](uint32_t k) { Enter(c, k, w); });
                }
                break;
            case StackOp::Pop:
                ForBits(d, [&](uint32_t c) {
                    if (c == Flow::kRoot)
                        return;
                    if (path.next == Next::Top)
                        Leave(c, w, -1);
                    for (uint16_t t : targets)
                        Leave(c, w, t);
                });
                break;
            case StackOp::Hold:
                if (path.next == Next::Top) {
                    ForBits(d, [&](uint32_t c) {
                        if (c != Flow::kRoot)
                            ReadTop(c, w);
                    });
                } else {
                    for (uint16_t t : targets)
                        if (first)
                            Edge(w, t);
                    if (path.next == Next::Map) {
                        Gain(kHub, d.data());  // every JMAP goes to the same addresses: once for all
                    } else {
                        for (uint16_t t : targets)
                            Gain(t, d.data());
                    }
                }
                break;
            }
        }
    }

    // Where each path of the word goes, worked out once: the addresses
    // that hold a word, the stops noted for the others.
    void Land(uint16_t w) {
        for (const Path &path : paths_[w]) {
            landing_[w].emplace_back();
            if (store_.at[w].halt || path.next == Next::Top)
                continue;
            if (path.next == Next::Upc && w == 0xFFF)
                Event(w, Stop::Wraps, w, 0, path.next);
            for (uint16_t t : path.next == Next::Map ? mapTargets_ : Addresses(w, path.next))
                if (Lands(w, t, path.next))
                    landing_[w].back().push_back(t);
        }
    }

    // The addresses a path's next address can be (the top of the stack aside).
    std::vector<uint16_t> Addresses(uint16_t w, Next next) const {
        switch (next) {
        case Next::Zero: return {0};
        case Next::Upc: return {static_cast<uint16_t>((w + 1) & 0xFFF)};
        case Next::D: return {store_.at[w].target};
        case Next::R: return counterValues_;
        case Next::Map: {
            std::vector<uint16_t> out;
            if (mapping_) {
                for (int a : *mapping_)
                    if (a >= 0)
                        out.push_back(static_cast<uint16_t>(a & 0xFFF));
                std::sort(out.begin(), out.end());
                out.erase(std::unique(out.begin(), out.end()), out.end());
            } else {
                for (uint16_t a = 0; a < kOpcodes; ++a)
                    if (store_.Holds(a))
                        out.push_back(a);
            }
            return out;
        }
        case Next::Top:
        case Next::Vector: break;
        }
        return {};
    }

    // True when the path can go on at `t`; otherwise the word's stop is noted.
    bool Lands(uint16_t w, uint16_t t, Next next) {
        if (store_.Holds(t))
            return true;
        if (next == Next::R)
            return false;  // a value R might hold: not known to be taken
        Event(w, next == Next::Upc ? Stop::FallOff : Stop::EmptyTarget, w, t, next);
        return false;
    }

    // -----------------------------------------------------------------
    // The stack: calls into contexts, pops out of them, reads of the top.

    static uint64_t Key(uint32_t a, uint32_t b, uint32_t c) {
        return uint64_t{a} << 40 | uint64_t{b} << 16 | c;  // contexts < 2^16, words < 2^16
    }

    // Push word `p`, running in context `k`, enters context `c`.
    void Enter(uint32_t c, uint32_t k, uint16_t p) {
        if (!calls_.insert(Key(c, k, p)).second)
            return;
        Flow::Context &context = flow_.contexts[c];  // no context is added below
        context.callers.push_back({k, p});
        if (std::find(context.pushers.begin(), context.pushers.end(), p) == context.pushers.end()) {
            context.pushers.push_back(p);
            for (uint16_t r : topReaders_[c])
                TopEdge(c, r, p);
        }
        for (const auto &exit : exits_[c])
            ExitTo(exit.first, exit.second, {k, p});
    }

    // Pop word `x` leaves context `c` for `target` (-1: the top of the stack).
    void Leave(uint32_t c, uint16_t x, int target) {
        if (!leaves_.insert(Key(c, x, static_cast<uint32_t>(target + 1))).second)
            return;
        exits_[c].emplace_back(x, target);
        for (const Flow::Call &caller : flow_.contexts[c].callers)
            ExitTo(x, target, caller);
    }

    void ExitTo(uint16_t x, int target, const Flow::Call &caller) {
        uint16_t t = static_cast<uint16_t>(target);
        if (target < 0) {
            t = static_cast<uint16_t>((caller.word + 1) & 0xFFF);
            if (!ReturnLands(x, caller.word))
                return;
        }
        Edge(x, t);
        GainOne(t, caller.from);
    }

    // The top of the stack is the address after `pusher`; false when it
    // holds no word (noted at the push word, whose next address it is).
    bool ReturnLands(uint16_t x, uint16_t pusher) {
        const uint16_t t = static_cast<uint16_t>((pusher + 1) & 0xFFF);
        if (pusher == 0xFFF)
            Event(x, Stop::Wraps, pusher, t, Next::Top);
        if (store_.Holds(t))
            return true;
        Event(x, Stop::EmptyReturn, pusher, t, Next::Top);
        return false;
    }

    // RFCT, LOOP and TWB going to the top without a pop.
    void ReadTop(uint32_t c, uint16_t r) {
        if (!reads_.insert(Key(c, r, 0)).second)
            return;
        topReaders_[c].push_back(r);
        for (uint16_t p : flow_.contexts[c].pushers)
            TopEdge(c, r, p);
    }

    void TopEdge(uint32_t c, uint16_t r, uint16_t pusher) {
        const Microinstruction &m = store_.at[r];
        const uint16_t t = static_cast<uint16_t>((pusher + 1) & 0xFFF);
        if (m.sequencer == kRfct && t != m.target)
            flow_.wrongTops.push_back({r, pusher});
        if (ReturnLands(r, pusher)) {
            Edge(r, t);
            GainOne(t, c);
        }
    }

    const Store &store_;
    const std::array<int, kOpcodes> *mapping_;
    Flow &flow_;
    std::vector<int32_t> contextOf_;              // entry address -> context, -1 for none
    std::vector<std::vector<Path>> paths_;        // per address: the paths its word can take
    std::vector<uint16_t> counterValues_;         // the words R may name, ascending
    std::vector<uint16_t> mapTargets_;            // where JMAP may go
    std::vector<std::vector<std::vector<uint16_t>>> landing_;  // per address and path: the words it goes to
    size_t width_ = 1;                            // 64-bit words in a set of contexts
    std::vector<uint64_t> sets_;                  // per address: the contexts it runs in
    std::vector<uint64_t> delta_;                 // per address: those not passed on yet
    std::vector<uint8_t> queued_, visited_;       // per address
    std::deque<uint16_t> work_;                   // addresses with contexts to pass on
    std::vector<uint64_t> fresh_;                 // the contexts the word being visited gained
    std::vector<std::vector<std::pair<uint16_t, int>>> exits_;  // per context: pop words and targets
    std::vector<std::vector<uint16_t>> topReaders_;             // per context
    std::unordered_set<uint64_t> calls_, leaves_, reads_;       // each once
    std::unordered_set<uint32_t> edgeSet_;                      // from << 16 | to, each once
    bool jmapReached_ = false;
};

}  // namespace

Flow FollowFlow(const Store &store, unsigned start, const std::array<int, kOpcodes> *mapping) {
    Flow flow;
    Follower(store, mapping, flow).Run(start & 0xFFF);
    return flow;
}
