// zanfo-check: the control flow of a control store, with the stack.
#include "flow.h"

#include <algorithm>
#include <unordered_set>

namespace {

bool SamePath(const Path &a, const Path &b) {
    return a.next == b.next && a.stack == b.stack && a.counter == b.counter;
}

class Follower {
  public:
    Follower(const Store &store, const std::array<int, kOpcodes> *mapping, Flow &flow)
        : store_(store), mapping_(mapping), flow_(flow), contextOf_(kStoreSize, -1) {
        flow_.contexts.emplace_back();  // the root
        // What R can hold when JRP or JSRP go to it: 0 from reset, a value
        // some word loads, or any value below one, as a count goes down.
        unsigned highest = 0;
        for (unsigned a = 0; a < kStoreSize; ++a) {
            const Microinstruction &m = store.at[a];
            if (m.fault == Fault::None && Loads(m))
                highest = std::max<unsigned>(highest, m.target);
        }
        for (unsigned a = 0; a <= highest; ++a)
            if (store.Holds(a))
                counterValues_.push_back(static_cast<uint16_t>(a));
    }

    void Run(unsigned start) {
        if (store_.Holds(start))
            NodeOf(Flow::kRoot, static_cast<uint16_t>(start & 0xFFF));
        Drain();
        // The mapping's addresses are entry points of their own when no
        // JMAP word is reached to go there with its state.
        if (mapping_ && !jmapReached_) {
            for (uint16_t a : MappedAddresses())
                if (store_.Holds(a))
                    NodeOf(Flow::kRoot, a);
            Drain();
        }
    }

  private:
    static bool Loads(const Microinstruction &m) {
        for (const Path &p : kSequencer[m.sequencer].paths)
            if (p.counter == CounterOp::Load)
                return true;
        return false;
    }

    std::vector<uint16_t> MappedAddresses() const {
        std::vector<uint16_t> out;
        for (int a : *mapping_)
            if (a >= 0)
                out.push_back(static_cast<uint16_t>(a & 0xFFF));
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

    void Drain() {
        while (!work_.empty()) {
            uint32_t n = work_.back();
            work_.pop_back();
            Visit(n);
        }
    }

    uint32_t NodeOf(uint32_t context, uint16_t word) {
        const uint64_t key = uint64_t{context} << 12 | word;
        auto found = index_.emplace(key, static_cast<uint32_t>(flow_.nodes.size()));
        if (found.second) {
            flow_.nodes.push_back({word, context});
            flow_.halts.push_back(0);
            flow_.stops.push_back(0);
            work_.push_back(found.first->second);
        }
        return found.first->second;
    }

    void Event(uint32_t node, Stop stop, uint16_t word, uint16_t target, Next next) {
        flow_.events.push_back({stop, word, target, static_cast<uint8_t>(next)});
        if (stop != Stop::Wraps)
            flow_.stops[node] = 1;
    }

    // Every path the word can take, each once.
    void Visit(uint32_t n) {
        const Flow::Node node = flow_.nodes[n];
        const Microinstruction &m = store_.at[node.word];
        if (m.fault != Fault::None) {  // a field value the machine does not define
            flow_.stops[n] = 1;
            return;
        }
        flow_.halts[n] = m.halt;
        const bool canPass = m.passes != 0, canFail = m.passes != 0xFFFF;
        Path taken[4];
        unsigned count = 0;
        for (unsigned i = 0; i < 4; ++i) {
            const bool pass = (i & 1) != 0;
            if (pass ? !canPass : !canFail)
                continue;
            const Path &path = kSequencer[m.sequencer].paths[i];
            if (std::any_of(taken, taken + count, [&path](const Path &p) { return SamePath(p, path); }))
                continue;
            taken[count++] = path;
            if (m.halt)
                Halt(n, node, path);
            else
                Take(n, node, m, path);
        }
    }

    // A HALT word's cycle runs whole, its stack included, and then the
    // run ends: it goes nowhere, but it can still meet an empty or a full
    // stack.
    void Halt(uint32_t n, const Flow::Node &node, const Path &path) {
        if ((path.next == Next::Top || path.stack == StackOp::Pop) && node.context == Flow::kRoot)
            Event(n, Stop::Underflow, node.word, 0, path.next);
        if (path.stack == StackOp::Push)
            flow_.haltPushes.push_back(n);
    }

    // The addresses a path's next address can be.
    std::vector<uint16_t> Addresses(uint32_t n, const Flow::Node &node, const Microinstruction &m, Next next) {
        const uint16_t w = node.word;
        switch (next) {
        case Next::Zero: return {0};
        case Next::Upc:
            if (w == 0xFFF)
                Event(n, Stop::Wraps, w, 0, next);
            return {static_cast<uint16_t>((w + 1) & 0xFFF)};
        case Next::D: return {m.target};
        case Next::R: return counterValues_;
        case Next::Map: {
            jmapReached_ = true;
            if (mapping_)
                return MappedAddresses();
            std::vector<uint16_t> out;
            for (uint16_t a = 0; a < kOpcodes; ++a)
                if (store_.Holds(a))
                    out.push_back(a);
            return out;
        }
        case Next::Top:
        case Next::Vector: break;
        }
        return {};
    }

    // True when the path can go on at `t`; otherwise the word's stop is noted.
    bool Lands(uint32_t n, uint16_t word, uint16_t t, Next next) {
        if (store_.Holds(t))
            return true;
        if (next == Next::R)
            return false;  // a value R might hold: not known to be taken
        Event(n, next == Next::Upc ? Stop::FallOff : Stop::EmptyTarget, word, t, next);
        return false;
    }

    void Take(uint32_t n, const Flow::Node &node, const Microinstruction &m, const Path &path) {
        const uint16_t w = node.word;
        if (path.next == Next::Top || path.stack == StackOp::Pop) {
            if (node.context == Flow::kRoot) {
                Event(n, Stop::Underflow, w, 0, path.next);
                return;
            }
        }
        switch (path.stack) {
        case StackOp::Clear:  // JZ: to 0 with the stack emptied
            for (uint16_t t : Addresses(n, node, m, path.next))
                if (Lands(n, w, t, path.next))
                    AddEdge(n, NodeOf(Flow::kRoot, t));
            break;
        case StackOp::Push:
            for (uint16_t t : Addresses(n, node, m, path.next))
                if (Lands(n, w, t, path.next))
                    Enter(n, w, t);
            break;
        case StackOp::Pop:
            if (path.next == Next::Top) {
                Leave(n, -1);
            } else {
                for (uint16_t t : Addresses(n, node, m, path.next))
                    if (Lands(n, w, t, path.next))
                        Leave(n, t);
            }
            break;
        case StackOp::Hold:
            if (path.next == Next::Top) {
                ReadTop(n);
            } else {
                for (uint16_t t : Addresses(n, node, m, path.next))
                    if (Lands(n, w, t, path.next))
                        AddEdge(n, NodeOf(node.context, t));
            }
            break;
        }
    }

    void AddEdge(uint32_t from, uint32_t to) { flow_.edges.emplace_back(from, to); }

    uint32_t ContextAt(uint16_t entry) {
        if (contextOf_[entry] < 0) {
            contextOf_[entry] = static_cast<int32_t>(flow_.contexts.size());
            flow_.contexts.emplace_back();
            flow_.contexts.back().entry = entry;
        }
        return static_cast<uint32_t>(contextOf_[entry]);
    }

    // Push node `n` (word `w`) goes to `entry` with μPC on the stack.
    void Enter(uint32_t n, uint16_t w, uint16_t entry) {
        const uint32_t c = ContextAt(entry);
        if (!entered_.insert(uint64_t{c} << 32 | n).second)
            return;
        AddEdge(n, NodeOf(c, entry));
        Flow::Context &context = flow_.contexts[c];  // no context is added below
        context.callers.push_back(n);
        if (std::find(context.pushers.begin(), context.pushers.end(), w) == context.pushers.end()) {
            context.pushers.push_back(w);
            for (uint32_t r : context.topReaders)
                TopEdge(r, w);
        }
        for (const auto &exit : context.exits)
            ExitEdge(exit.first, n, exit.second);
    }

    // Pop node `n` leaves its context for `target` (-1: the top of the stack).
    void Leave(uint32_t n, int target) {
        Flow::Context &context = flow_.contexts[flow_.nodes[n].context];
        context.exits.emplace_back(n, target);
        for (uint32_t caller : context.callers)
            ExitEdge(n, caller, target);
    }

    void ExitEdge(uint32_t exit, uint32_t caller, int target) {
        const Flow::Node push = flow_.nodes[caller];
        uint16_t t = static_cast<uint16_t>(target);
        if (target < 0) {
            t = static_cast<uint16_t>((push.word + 1) & 0xFFF);
            if (!ReturnLands(exit, push.word))
                return;
        }
        AddEdge(exit, NodeOf(push.context, t));
    }

    // The top of the stack is the address after `pusher`; false when it
    // holds no word (noted at the push word, whose next address it is).
    bool ReturnLands(uint32_t n, uint16_t pusher) {
        const uint16_t t = static_cast<uint16_t>((pusher + 1) & 0xFFF);
        if (pusher == 0xFFF)
            Event(n, Stop::Wraps, pusher, t, Next::Top);
        if (store_.Holds(t))
            return true;
        Event(n, Stop::EmptyReturn, pusher, t, Next::Top);
        return false;
    }

    // RFCT, LOOP and TWB going to the top without a pop.
    void ReadTop(uint32_t n) {
        Flow::Context &context = flow_.contexts[flow_.nodes[n].context];
        context.topReaders.push_back(n);
        for (uint16_t p : context.pushers)
            TopEdge(n, p);
    }

    void TopEdge(uint32_t reader, uint16_t pusher) {
        const Flow::Node node = flow_.nodes[reader];
        const Microinstruction &m = store_.at[node.word];
        const uint16_t t = static_cast<uint16_t>((pusher + 1) & 0xFFF);
        if (m.sequencer == kRfct && t != m.target)
            flow_.wrongTops.push_back({node.word, pusher});
        if (ReturnLands(reader, pusher))
            AddEdge(reader, NodeOf(node.context, t));
    }

    const Store &store_;
    const std::array<int, kOpcodes> *mapping_;
    Flow &flow_;
    std::vector<int32_t> contextOf_;             // entry address -> context, -1 for none yet
    std::unordered_map<uint64_t, uint32_t> index_;  // context << 12 | word -> node
    std::unordered_set<uint64_t> entered_;       // context << 32 | push node: a caller known
    std::vector<uint32_t> work_;                 // nodes not visited yet
    std::vector<uint16_t> counterValues_;        // the words R may name, ascending
    bool jmapReached_ = false;
};

}  // namespace

Flow FollowFlow(const Store &store, unsigned start, const std::array<int, kOpcodes> *mapping) {
    Flow flow;
    Follower(store, mapping, flow).Run(start & 0xFFF);
    return flow;
}
