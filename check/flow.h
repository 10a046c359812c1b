// zanfo-check: the control flow of a control store, with the stack.
//
// Every push of the Am2910 pushes μPC, that is, the address after a word
// of the program, so the stack holds addresses the program itself names.
// The flow follows the machine with the stack as a context: a word runs
// in the context of the routine whose entry the last unpopped push went
// to (the root context: the stack is empty).  A node is a word in a
// context; a context knows the push words that enter it (its callers),
// and a pop in it leaves to the callers' contexts.  So a RET goes back
// only to the address after a CALL that entered its routine, and the
// stack's depth in a context is the depth of its callers plus one.
//
// The counter R and the flags are not followed: a test can pass or fail
// (unless CondEnable makes it pass) and R can be zero or not, so every
// path the instruction has is taken.  JMAP goes to every address of the
// mapping (--map), or, without one, to every word at 0..255; JRP and
// JSRP, which can go to R, to every word from 0 up to the highest value a
// word loads into R.  A HALT word's cycle runs, stack and all, but the
// run goes nowhere after it.
//
// Built in one pass over a worklist: each node is visited once, and each
// edge is added once, so the work is linear in nodes and edges.  Words
// reached in several contexts (a tail two routines share) are nodes once
// per context.
#ifndef ZANFO_CHECK_FLOW_H
#define ZANFO_CHECK_FLOW_H

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "machine.h"

// The control store as the machine holds it, with where each word came from.
struct Store {
    std::vector<Microinstruction> at;  // kStoreSize words; Fault::Empty where there is none
    std::vector<uint64_t> words;       // the microwords as given
    std::vector<int> lines;            // the line of each word, 0 for none

    Store() : at(kStoreSize), words(kStoreSize, 0), lines(kStoreSize, 0) {}
    bool Holds(unsigned address) const { return at[address & 0xFFF].fault != Fault::Empty; }
};

// How a path leaves a word, when it does not simply go on.
enum class Stop : uint8_t {
    None,
    FallOff,      // μPC holds no word
    Wraps,        // μPC is past 0xFFF: the sequencer goes on at 000 (a warning, not a stop when 000 holds a word)
    EmptyTarget,  // D, 0, or a mapped address holds no word
    EmptyReturn,  // a pop returns to the address after a push word, which holds no word
    Underflow,    // a pop or a read of the top of the empty stack
};

// Something a word can do wrong on some path.
struct Event {
    Stop stop;         // what
    uint16_t word;     // the word that does it (for EmptyReturn: the push word)
    uint16_t target;   // the address it goes to, or the one it would read
    uint8_t next;      // Next: where the address came from
};

struct Flow {
    static constexpr uint32_t kRoot = 0;  // the context of the empty stack

    struct Node {
        uint16_t word;     // its address
        uint32_t context;  // whose routine it runs in
    };
    struct Context {
        int entry = -1;                 // the address the push goes to; -1 for the root
        std::vector<uint32_t> callers;  // the push nodes that enter it
        std::vector<uint16_t> pushers;  // their words, each once: the stack top is one of them + 1
        std::vector<uint32_t> topReaders;             // nodes that go to the top without a pop
        std::vector<std::pair<uint32_t, int>> exits;  // pop nodes and where they go; -1: to the top
    };

    std::vector<Node> nodes;
    std::vector<Context> contexts;
    std::vector<std::pair<uint32_t, uint32_t>> edges;  // from node, to node
    std::vector<uint8_t> halts;   // per node: a HALT word, the run ends after it
    std::vector<uint8_t> stops;   // per node: some path stops on an error here
    std::vector<Event> events;    // what went wrong, as found (a word may repeat)
    std::vector<uint32_t> haltPushes;  // HALT nodes that push: their cycle can meet a full stack
    // RFCT nodes whose stack top, pushed by `pusher`, is not their operand.
    struct WrongTop {
        uint16_t word;    // the LOOP
        uint16_t pusher;  // the push word whose next address is on top
    };
    std::vector<WrongTop> wrongTops;
};

// Where the machine can go from the entry points: `start`, and, when no
// JMAP word is reached, every address of the mapping.  `mapping` is null
// for the default mapping (IR >> 8).
Flow FollowFlow(const Store &store, unsigned start, const std::array<int, kOpcodes> *mapping);

#endif
