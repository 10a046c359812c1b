// zanfo-check: the checks of a control store (CheckStore).
//
// The words are decoded as the simulator decodes them; the flow (flow.h)
// says where the machine can go and with what stack, and depth.h how deep
// the stack can be there; the checks then read these and each word's
// fields.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_set>

#include "check.h"
#include "depth.h"
#include "flow.h"
#include "mic_file.h"
#include "microword.h"
#include "words.h"

namespace {

class Analysis {
  public:
    Analysis(const std::vector<StoreWord> &words, const CheckOptions &options, const LabelNamer &names)
        : options_(options), names_(names) {
        for (const StoreWord &w : words) {
            if (w.address > kLastStoreAddress)
                continue;  // outside the store: the source's or the reader's checks say so
            store_.at[w.address] = Decode(w.word, options.loopToAddress);
            store_.words[w.address] = w.word;
            store_.lines[w.address] = w.line;
        }
        for (unsigned a = 0; a < kStoreSize; ++a)
            if (store_.at[a].fault == Fault::None)
                facts_[a] = FactsOf(store_.at[a], store_.words[a]);
    }

    std::vector<Finding> Run() {
        StartAddress();
        flow_ = FollowFlow(store_, options_.start & 0xFFF, options_.mapped ? &options_.mapping : nullptr);
        reached_ = flow_.reached;
        Adjacency(true, out_, succ_);
        Adjacency(false, in_, pred_);
        Events();
        StackDepth();
        WrongTops();
        Loaded();
        NoHalt();
        Unreachable();
        for (unsigned a = 0; a < kStoreSize; ++a)
            if (store_.Holds(a))
                Local(static_cast<uint16_t>(a));
        SortFindings(findings_);
        return findings_;
    }

  private:
    // ---------------------------------------------------------------------
    // Findings.

    // One finding per check and word: the first said is kept.
    void Add(const char *check, uint16_t word, const std::string &message) {
        if (!options_.Enabled(check) || !said_.insert(Said(check, word)).second)
            return;
        Finding f;
        f.check = check;
        f.line = store_.lines[word];
        f.address = word;
        f.message = message;
        findings_.push_back(f);
    }

    static uint32_t Said(const char *check, uint16_t word) {
        size_t i = 0;
        while (i < kCheckCount && strcmp(kChecks[i].name, check) != 0)
            ++i;
        return static_cast<uint32_t>(i) << 16 | word;
    }

    std::string Name(unsigned address) const { return AddressName(address, names_); }
    std::string Item(uint16_t w) const { return ItemName(store_.words[w]); }
    int Line(uint16_t w) const { return store_.lines[w]; }

    // ---------------------------------------------------------------------
    // The graph's edges both ways.

    // The edges from each word (forward) or into it, as offsets into one
    // list: the words next to word w are list[offsets[w] .. offsets[w + 1]).
    void Adjacency(bool forward, std::vector<uint32_t> &offsets, std::vector<uint32_t> &list) const {
        offsets.assign(kStoreSize + 1, 0);
        for (const auto &e : flow_.edges)
            ++offsets[(forward ? e.first : e.second) + 1u];
        std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
        list.resize(flow_.edges.size());
        std::vector<uint32_t> fill(offsets.begin(), offsets.end() - 1);
        for (const auto &e : flow_.edges)
            list[fill[forward ? e.first : e.second]++] = forward ? e.second : e.first;
    }

    // ---------------------------------------------------------------------
    // start-empty

    void StartAddress() {
        const unsigned start = options_.start & 0xFFF;
        if (store_.Holds(start))
            return;
        unsigned first = 0;
        while (first < kStoreSize && !store_.Holds(first))
            ++first;
        std::string message = "the start address " + Hex3(start) + " holds no microword: the run stops before it starts";
        if (first == kStoreSize)
            message = "the program holds no microword: there is nothing to run";
        else
            message += " (the first word is at " + Name(first) + ": zanfo-sim --start 0x" + Hex3(first) + ")";
        if (options_.Enabled("start-empty")) {
            Finding f;
            f.check = "start-empty";
            f.address = static_cast<int>(start);
            f.message = message;
            findings_.push_back(f);
        }
    }

    // ---------------------------------------------------------------------
    // fall-off, target-empty, stack-underflow: what the flow met.

    void Events() {
        for (const Event &e : flow_.events) {
            const uint16_t w = e.word;
            switch (e.stop) {
            case Stop::FallOff:
                Add("fall-off", w, "the next address, " + Name(e.target) +
                                       ", holds no microword: the run stops there; end with HALT or a jump");
                break;
            case Stop::Wraps:
                Add("fall-off", w, std::string("the next address is past 4095: the sequencer keeps 12 bits and goes on at 000") +
                                       (store_.Holds(0) ? "" : ", which holds no microword: the run stops there"));
                break;
            case Stop::EmptyReturn:
                Add("fall-off", w, "the address after this " + Item(w) + ", " + Name(e.target) +
                                       ", holds no microword: the return to it stops the run");
                break;
            case Stop::EmptyTarget:
                Add("target-empty", w, EmptyTarget(e));
                break;
            case Stop::Underflow:
                Add("stack-underflow", w, Underflow(w, e.next));
                break;
            }
        }
    }

    std::string EmptyTarget(const Event &e) const {
        const std::string item = Item(e.word);
        if (e.next == Next::Map) {
            std::string opcodes;
            for (unsigned op = 0; op < kOpcodes; ++op)
                if (options_.mapping[op] >= 0 && (options_.mapping[op] & 0xFFF) == e.target && opcodes.size() < 40)
                    opcodes += (opcodes.empty() ? "0x" : ", 0x") + Hex2(op);
            return "the mapping sends JMAP to " + Name(e.target) + " (opcode " + opcodes +
                   "), which holds no microword: the run stops there";
        }
        return item + " goes to " + Name(e.target) + ", which holds no microword: the run stops there";
    }

    std::string Underflow(uint16_t w, Next next) const {
        const std::string item = Item(w);
        const unsigned code = GetField(store_.words[w], Field::Sequencer);
        if (code == kRfct)
            return "LOOP can meet an empty stack: on some path nothing pushed the head of the loop, and the run "
                   "stops here; push it with CALL(head) right before the loop's first word";
        if (code == 10)
            return "RET can meet an empty stack: on some path from an entry point no CALL pushed a return "
                   "address, and the run stops here; reach this word through a CALL";
        return item + (next == Next::Top ? " reads the top of" : " pops") +
               " an empty stack on some path from an entry point: the run stops here";
    }

    // ---------------------------------------------------------------------
    // stack-overflow, stack-unbounded (depth.h).  A push that can meet a
    // full stack is where some path stops.

    void StackDepth() {
        const Depths depths = StackDepths(flow_);
        for (const Depths::Recursion &r : depths.recursions) {
            flow_.stops[r.word] = 1;
            std::string circle;
            for (uint32_t c : r.circle)
                circle += Name(static_cast<unsigned>(flow_.contexts[c].entry)) + " -> ";
            circle += Name(static_cast<unsigned>(flow_.contexts[r.circle.front()].entry));
            Add("stack-unbounded", r.word,
                Item(r.word) + " closes a recursion with no bound (" + circle +
                    "): each round pushes one more address, and the sixth push stops the run; make it a loop");
        }
        for (const Flow::Call &push : depths.overflows) {
            flow_.stops[push.word] = 1;
            Add("stack-overflow", push.word,
                Item(push.word) + " can push onto a full stack (5 entries): on some path calls are nested 5 "
                                  "deep here, and the run stops; nest them at most 5 deep");
        }
    }

    // ---------------------------------------------------------------------
    // loop-target

    void WrongTops() {
        std::sort(flow_.wrongTops.begin(), flow_.wrongTops.end(), [](const Flow::WrongTop &a, const Flow::WrongTop &b) {
            return a.word != b.word ? a.word < b.word : a.pusher < b.pusher;
        });
        for (const Flow::WrongTop &t : flow_.wrongTops) {
            if (said_.count(Said("stack-underflow", t.word)))
                continue;  // a LOOP that meets an empty stack is that first
            const uint16_t operand = store_.at[t.word].target;
            const uint16_t top = static_cast<uint16_t>((t.pusher + 1) & 0xFFF);
            std::string where = Line(t.pusher) ? " on line " + std::to_string(Line(t.pusher)) : "";
            Add("loop-target", t.word,
                "LOOP repeats to " + Name(top) + ", the address after the " + Item(t.pusher) + " at " +
                    Hex3(t.pusher) + where + ", not to its operand " + Name(operand) +
                    ": push the loop's head with CALL(head) right before it");
        }
    }

    // ---------------------------------------------------------------------
    // flag-never-loaded, count-never-loaded: what some
    // path has loaded before each word, forward to a fixpoint.

    void Loaded() {
        std::vector<uint8_t> loaded(kStoreSize, 0);  // before the word, on some path
        std::vector<uint8_t> queued(kStoreSize, 0);
        std::vector<uint16_t> work;
        for (unsigned a = kStoreSize; a-- > 0;)
            if (reached_[a] && facts_[a].loads) {
                queued[a] = 1;
                work.push_back(static_cast<uint16_t>(a));
            }
        while (!work.empty()) {
            const uint16_t x = work.back();
            work.pop_back();
            queued[x] = 0;
            const uint8_t after = loaded[x] | facts_[x].loads;
            for (uint32_t i = out_[x]; i < out_[x + 1]; ++i) {
                const uint32_t y = succ_[i];
                if ((loaded[y] | after) == loaded[y])
                    continue;
                loaded[y] |= after;
                if (!queued[y]) {
                    queued[y] = 1;
                    work.push_back(static_cast<uint16_t>(y));
                }
            }
        }
        for (unsigned a = 0; a < kStoreSize; ++a) {
            const Microinstruction &m = store_.at[a];
            if (!reached_[a] || m.fault != Fault::None || m.halt)
                continue;  // a HALT word's test decides nothing: the run ends
            const uint16_t w = static_cast<uint16_t>(a);
            const WordFacts &facts = facts_[a];
            const uint8_t missing = facts.uses & ~loaded[a];
            if (missing & (kUflag | kMflag)) {
                const char *reg = missing & kUflag ? "UFLAG" : "MFLAG";
                Add("flag-never-loaded", w,
                    "the test " + ConditionName(store_.words[a]) + " reads " + reg +
                        ", which no path from an entry point loads before it: " + reg + " holds 0 from reset; load it first (" +
                        (missing & kUflag ? "LDUFLAG, or COMP" : "LDMFLAG") + ")");
            }
            if (missing & kCounter)
                Add("count-never-loaded", w,
                    Item(w) + " reads the counter R, which no path from an entry point loads (LDCOUNT) before it: R is 0 from reset" +
                        (facts.counts ? ", so the loop does not repeat" : ""));
        }
    }

    std::string IrUse(uint16_t w) const {
        const Microinstruction &m = store_.at[w];
        const WordFacts &facts = facts_[w];
        if (facts.irMap && !m.halt)
            return "JMAP maps";
        std::string fields;
        if (facts.irA)
            fields = "IRA" + std::to_string(m.irShiftA / 4);
        if (facts.irB)
            fields += (fields.empty() ? "" : " and ") + std::string("IRB") + std::to_string(m.irShiftB / 4);
        return fields + " take" + (facts.irA && facts.irB ? "" : "s") + " a register address from";
    }

    // ---------------------------------------------------------------------
    // no-halt: the words from which every path runs on for ever.

    void NoHalt() {
        std::vector<uint8_t> ends(kStoreSize, 0);
        std::vector<uint16_t> work;
        for (unsigned a = 0; a < kStoreSize; ++a)
            if (reached_[a] && (flow_.halts[a] || flow_.stops[a])) {
                ends[a] = 1;
                work.push_back(static_cast<uint16_t>(a));
            }
        while (!work.empty()) {
            const uint16_t y = work.back();
            work.pop_back();
            for (uint32_t i = in_[y]; i < in_[y + 1]; ++i)
                if (!ends[pred_[i]]) {
                    ends[pred_[i]] = 1;
                    work.push_back(static_cast<uint16_t>(pred_[i]));
                }
        }
        // The words stuck, grouped by the edges between them.
        std::vector<uint16_t> group(kStoreSize);
        std::iota(group.begin(), group.end(), 0);
        auto find = [&group](uint16_t a) {
            while (group[a] != a)
                a = group[a] = group[group[a]];
            return a;
        };
        std::vector<uint8_t> stuck(kStoreSize, 0);
        for (unsigned a = 0; a < kStoreSize; ++a)
            stuck[a] = reached_[a] && !ends[a];
        for (const auto &e : flow_.edges)
            if (stuck[e.first] && stuck[e.second]) {
                uint16_t a = find(e.first), b = find(e.second);
                group[std::max(a, b)] = std::min(a, b);
            }
        std::vector<unsigned> size(kStoreSize, 0), last(kStoreSize, 0);
        for (unsigned a = 0; a < kStoreSize; ++a)
            if (stuck[a]) {
                const uint16_t g = find(static_cast<uint16_t>(a));
                ++size[g];
                last[g] = a;
            }
        for (unsigned a = 0; a < kStoreSize; ++a)
            if (stuck[a] && find(static_cast<uint16_t>(a)) == a) {
                const std::string others = size[a] == 2 ? "the other word" : "the " + std::to_string(size[a] - 1) + " other words";
                const std::string more =
                    size[a] > 1 ? " (nor from " + others + " of its loop and the way into it, up to " + Hex3(last[a]) + ")" : "";
                Add("no-halt", static_cast<uint16_t>(a),
                    "no path from this microinstruction" + more +
                        " reaches a HALT: once here, the run never ends; give the loop a way out to a HALT");
            }
    }

    // ---------------------------------------------------------------------
    // unreachable: once per run of consecutive words.

    void Unreachable() {
        const bool startEmpty = !store_.Holds(options_.start & 0xFFF);
        for (unsigned a = 0; a < kStoreSize; ++a) {
            if (!store_.Holds(a) || reached_[a])
                continue;
            unsigned end = a;
            while (end + 1 < kStoreSize && store_.Holds(end + 1) && !reached_[end + 1])
                ++end;
            std::string more = end == a + 1 ? " (nor the word after it, at " + Hex3(end) + ")"
                               : end > a ? " (nor the " + std::to_string(end - a) + " after it, up to " + Hex3(end) + ")"
                                         : "";
            Add("unreachable", static_cast<uint16_t>(a),
                "no path from an entry point reaches this microinstruction" + more +
                    (startEmpty ? ", since the start address " + Hex3(options_.start & 0xFFF) + " holds no microword"
                                : ": the machine never runs it; remove it, or jump to it"));
            a = end;
        }
    }

    // ---------------------------------------------------------------------
    // The checks of one word alone.

    void Local(uint16_t w) {
        const Microinstruction &m = store_.at[w];
        const uint64_t word = store_.words[w];
        if (m.fault == Fault::Unmodelled) {
            Add("unmodelled", w,
                UnmodelledFields(word) + ": a value the machine does not define; the run stops at this word");
            return;
        }
        const WordFacts &facts = facts_[w];
        if (!m.halt) {
            const uint8_t same = facts.uses & facts.loads & (kUflag | kMflag);
            if (same) {
                const char *reg = same & kUflag ? "UFLAG" : "MFLAG";
                Add("flag-same-word", w,
                    "the test " + ConditionName(word) + " reads " + reg +
                        " as it was before this microinstruction, not what this one loads into it: test it in the next one");
            }
            TargetRange(w, m, facts);
        }
        const bool usesIr = (facts.irMap && !m.halt) || facts.irA || facts.irB;  // a HALT word's JMAP goes nowhere
        if (usesIr && (facts.loads & kIr))
            Add("ir-same-word", w,
                IrUse(w) + " the IR as it was before this microinstruction, not the word LDIR loads here: "
                           "use it in the next one");
        if (facts.unusedResult)
            Add("unused-result", w,
                "the ALU computes a result that goes nowhere: no destination, no flag load, not on the bus "
                "(did a clashing item take the transfer that carried it?)");
    }

    void TargetRange(uint16_t w, const Microinstruction &m, const WordFacts &facts) {
        if (m.constant <= 0xFFF || !(facts.readsD || facts.loadsCount || m.sequencer == kRfct))
            return;
        const std::string value = std::to_string(m.constant) + " (0x" + Hex4(m.constant) + ")";
        const std::string kept = Hex3(m.target);
        if (facts.readsD)
            Add("target-range", w,
                Item(w) + "'s target " + value + " is above 4095: the sequencer keeps 12 bits and goes to " + Name(m.target));
        else if (facts.loadsCount)
            Add("target-range", w,
                Item(w) + "'s count " + value + " is above 4095: R keeps 12 bits and counts from 0x" + kept + " (" +
                    std::to_string(m.target) + ")");
        else
            Add("target-range", w,
                Item(w) + "'s operand " + value + " is above 4095: the 12-bit address it names is " + Name(m.target));
    }

    const CheckOptions &options_;
    const LabelNamer &names_;
    Store store_;
    Flow flow_;
    std::vector<WordFacts> facts_ = std::vector<WordFacts>(kStoreSize);  // per address
    std::vector<uint8_t> reached_;           // per address: some node runs it
    std::vector<uint32_t> out_, succ_;       // the edges from each node (CSR)
    std::vector<uint32_t> in_, pred_;        // the edges into each node
    std::vector<Finding> findings_;
    std::unordered_set<uint32_t> said_;      // check << 16 | address, already found
};

}  // namespace

std::vector<Finding> CheckStore(const std::vector<StoreWord> &words, const CheckOptions &options,
                                const LabelNamer &names) {
    return Analysis(words, options, names).Run();
}
