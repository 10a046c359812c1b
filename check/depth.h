// zanfo-check: how deep the stack can be where each word runs, and the
// recursions, from the flow's contexts (flow.h).
//
// A context's depth is its callers' depth plus one, the root's is 0: the
// contexts and the calls between them make a graph, walked depth first
// from the root in the order of the push words' addresses.  A call to a
// context still open on that walk closes a recursion, whose depth has no
// bound; the other calls give each context its possible depths, 0 to 5,
// in one pass in the walk's reverse finishing order.
#ifndef ZANFO_CHECK_DEPTH_H
#define ZANFO_CHECK_DEPTH_H

#include <cstdint>
#include <vector>

#include "flow.h"

struct Depths {
    std::vector<uint8_t> depth;         // per context: bit d set when the stack can hold d entries there
    std::vector<Flow::Call> overflows;  // pushes, HALT words' too, that can meet five entries
    struct Recursion {
        uint16_t word;                  // the push that closes it
        std::vector<uint32_t> circle;   // the contexts, from the one it enters to the one it runs in
    };
    std::vector<Recursion> recursions;
};

Depths StackDepths(const Flow &flow);

#endif
