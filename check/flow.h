// zanfo-check: the control flow of a control store, with the stack.
//
// Every push of the Am2910 pushes μPC, that is, the address after a word
// of the program, so the stack holds addresses the program itself names.
// The flow follows the machine with the stack as a context: a word runs
// in the context of the routine whose entry the last push still on the
// stack went to (the root context: the stack is empty).  A context knows
// the push words that enter it and the contexts they run in (its
// callers), and a pop in it leaves for those contexts.  So a RET goes
// back only to the address after a CALL that entered its routine, a
// LOOP goes to an address that a push into its routine put there, and the
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
// Each word holds the set of contexts it runs in, a bit per context (the
// contexts are the push targets, known before the walk), and a worklist
// moves only the bits a word has newly gained.  So the work is the number
// of word-to-word edges times the contexts over 64, plus, for each
// context, its callers times its exits: near linear in words and edges
// for the few dozen routines of a control store.
#ifndef ZANFO_CHECK_FLOW_H
#define ZANFO_CHECK_FLOW_H

#include <array>
#include <cstdint>
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
    FallOff,      // μPC holds no word
    Wraps,        // μPC is past 0xFFF: the sequencer goes on at 000 (a stop only when 000 is empty)
    EmptyTarget,  // D, 0, or a mapped address holds no word
    EmptyReturn,  // a pop returns to the address after a push word, which holds no word
    Underflow,    // a pop or a read of the top of the empty stack
};

// Something a word can do wrong on some path.
struct Event {
    Stop stop;         // what
    uint16_t word;     // the word that does it (for EmptyReturn: the push word)
    uint16_t target;   // the address it goes to
    Next next;         // where that address came from
};

struct Flow {
    static constexpr uint32_t kRoot = 0;  // the context of the empty stack

    // A push word running in context `from` that enters a context.
    struct Call {
        uint32_t from;  // the caller's context
        uint16_t word;  // the push word
    };
    struct Context {
        int entry = -1;                  // the address the pushes go to; -1 for the root
        std::vector<Call> callers;       // each once
        std::vector<uint16_t> pushers;   // the callers' words, each once: the top is one of them + 1
    };

    std::vector<Context> contexts;
    std::vector<uint8_t> reached;                      // per address: the word runs in some context
    std::vector<std::pair<uint16_t, uint16_t>> edges;  // word to word, each once
    std::vector<uint8_t> halts;   // per address: a reached HALT word, the run ends after it
    std::vector<uint8_t> stops;   // per address: some path stops on an error there
    std::vector<Event> events;    // what went wrong, as found (a word may repeat)
    std::vector<Call> haltPushes; // HALT words that push, in a context: their cycle can meet a full stack
    // RFCT words whose stack top, pushed by `pusher`, is not their operand.
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
