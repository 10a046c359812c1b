// zanfo-check: how deep the stack can be where each word runs.
#include "depth.h"

#include <algorithm>

namespace {

struct Call {
    uint16_t word;   // the push word
    uint32_t from;   // the context it runs in
    uint32_t to;     // the context it enters
    bool closes;     // it closes a recursion
};

}  // namespace

Depths StackDepths(const Flow &flow) {
    const size_t count = flow.contexts.size();
    std::vector<std::vector<Call>> out(count);
    for (uint32_t c = 1; c < count; ++c)
        for (const Flow::Call &caller : flow.contexts[c].callers)
            out[caller.from].push_back({caller.word, caller.from, c, false});
    for (auto &calls : out)
        std::sort(calls.begin(), calls.end(),
                  [](const Call &a, const Call &b) { return a.word != b.word ? a.word < b.word : a.to < b.to; });

    Depths d;
    enum : uint8_t { kNew, kOpen, kDone };
    std::vector<uint8_t> state(count, kNew);
    std::vector<uint32_t> order;  // finished, reversed below
    std::vector<std::pair<uint32_t, size_t>> open = {{Flow::kRoot, 0}};  // the walk: context, next call
    state[Flow::kRoot] = kOpen;
    while (!open.empty()) {
        const uint32_t c = open.back().first;
        const size_t i = open.back().second++;
        if (i == out[c].size()) {
            state[c] = kDone;
            order.push_back(c);
            open.pop_back();
            continue;
        }
        Call &call = out[c][i];
        if (state[call.to] == kOpen) {
            call.closes = true;
            Depths::Recursion r{call.word, {}};
            bool in = false;
            for (const auto &o : open) {
                in = in || o.first == call.to;
                if (in)
                    r.circle.push_back(o.first);
            }
            d.recursions.push_back(r);
        } else if (state[call.to] == kNew) {
            state[call.to] = kOpen;
            open.push_back({call.to, 0});
        }
    }
    std::reverse(order.begin(), order.end());

    constexpr uint8_t kFull = 1u << kStackDepth;
    d.depth.assign(count, 0);
    d.depth[Flow::kRoot] = 1;
    for (uint32_t c : order)
        for (const Call &call : out[c]) {
            if (call.closes)
                continue;
            d.depth[call.to] |= static_cast<uint8_t>((d.depth[c] << 1) & (2 * kFull - 1));
            if (d.depth[c] & kFull)
                d.overflows.push_back({c, call.word});
        }
    for (const Flow::Call &push : flow.haltPushes)
        if (d.depth[push.from] & kFull)
            d.overflows.push_back(push);
    return d;
}
