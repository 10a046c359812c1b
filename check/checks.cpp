// zanfo-check: the checks, their explanations and examples.  The manual's
// chapter on zanfo-check says the same at more length; the tests run
// every example here.
#include <cstring>

#include "check.h"

const CheckInfo kChecks[] = {
    {"flag-same-word",
     "a word tests a condition on the flag register that the same word loads",
     "The flag registers are clocked: a word that loads UFLAG (LDUFLAG, COMP, or\n"
     "a load from the bus) writes it at the end of its cycle, and the sequencer's\n"
     "test in the same word reads the flags from before the word.  A counted\n"
     "loop written this way runs one round too many, or stops one round early.\n"
     "Test the flags in the next microinstruction.\n",
     "PROGRAM count\n"
     "        R1 = 3;\n"
     "again:  DECR(R1), LDUFLAG, JUMP(again, NUZ);\n"
     "        HALT\n"
     "END\n",
     "PROGRAM count\n"
     "        R1 = 3;\n"
     "again:  DECR(R1), LDUFLAG;\n"
     "        JUMP(again, NUZ);\n"
     "        HALT\n"
     "END\n",
     false},
    {"flag-never-loaded",
     "a test reads a flag register that no path from an entry point loads before it",
     "UFLAG and MFLAG change only when a word loads them (LDUFLAG, LDMFLAG, COMP,\n"
     "a load from the bus); an ALU operation alone leaves them as they were.  A\n"
     "test of a register that no path from an entry point loads before it reads\n"
     "0, the value from reset, every time: a loop that waits for zero never ends.\n"
     "A path that loads the register on some round (a loop) counts; a JMAP\n"
     "routine has what the words before its JMAP loaded.\n",
     "PROGRAM count\n"
     "        R1 = 3;\n"
     "again:  DECR(R1);\n"
     "        JUMP(again, NUZ);\n"
     "        HALT\n"
     "END\n",
     "PROGRAM count\n"
     "        R1 = 3;\n"
     "again:  DECR(R1), LDUFLAG;\n"
     "        JUMP(again, NUZ);\n"
     "        HALT\n"
     "END\n",
     false},
    {"ir-same-word",
     "a word loads the IR (LDIR) and uses it (JMAP, IRAk, IRBk)",
     "LDIR writes the IR at the end of the cycle.  JMAP in the same word maps the\n"
     "IR from before the word, and a register address taken from an IR field\n"
     "(IRA0..IRA3, IRB0..IRB3) is the old IR's: the routine or the register is\n"
     "that of the previous instruction.  Use the IR in the next microinstruction.\n",
     "PROGRAM fetch\n"
     "EQU pc R15;\n"
     "fetch:  pc = pc + 0, LDMAR;\n"
     "        LDIR, INCR(pc), JMAP;\n"
     "ORG 32;\n"
     "        HALT\n"
     "END\n",
     "PROGRAM fetch\n"
     "EQU pc R15;\n"
     "fetch:  pc = pc + 0, LDMAR;\n"
     "        LDIR, INCR(pc);\n"
     "        JMAP;\n"
     "ORG 32;\n"
     "        HALT\n"
     "END\n",
     false},
    {"count-never-loaded",
     "a LOOP counts down the counter R that no path loads (LDCOUNT) before it",
     "LOOP (the Am2910's RFCT) repeats while the register/counter R is not zero,\n"
     "counting it down; at zero it pops the head of the loop and goes on.  R\n"
     "changes only with LDCOUNT (and the counting itself): when no path from an\n"
     "entry point loads it before the LOOP, R is 0 from reset and the loop body\n"
     "runs once.  LDCOUNT(n) before the loop gives n + 1 rounds.\n",
     "PROGRAM rounds\n"
     "        CALL(round);\n"
     "round:  INCR(R1);\n"
     "        LOOP(round);\n"
     "        HALT\n"
     "END\n",
     "PROGRAM rounds\n"
     "        LDCOUNT(2);\n"
     "        CALL(round);\n"
     "round:  INCR(R1);\n"
     "        LOOP(round);\n"
     "        HALT\n"
     "END\n",
     false},
    {"stack-underflow",
     "a pop, RET or LOOP that can meet an empty stack",
     "The Am2910's stack holds the return addresses that CALL pushes.  A RET, a\n"
     "LOOP (which reads the head of its loop from the top of the stack) or any\n"
     "other pop that some path from an entry point reaches with nothing pushed\n"
     "stops the run: the bare part would read a stale entry.  The program starts\n"
     "with an empty stack, and a JMAP routine has the stack of its JMAP word.\n"
     "Reach a routine that ends in RET through a CALL; push the head of a LOOP\n"
     "with CALL(head) right before it.\n",
     "PROGRAM p\n"
     "        R1 = R1 + R2;\n"
     "        RET\n"
     "END\n",
     "PROGRAM p\n"
     "        CALL(add);\n"
     "        HALT;\n"
     "add:    R1 = R1 + R2;\n"
     "        RET\n"
     "END\n",
     false},
    {"stack-overflow",
     "a push that can meet five entries",
     "The stack has five entries.  A CALL (or any push) that some path reaches\n"
     "with five return addresses on it stops the run: the bare part would\n"
     "overwrite the top.  Nest calls at most five deep, counting the CALLs of\n"
     "loop heads.\n",
     "PROGRAM deep\n"
     "        CALL(a);\n"
     "        HALT;\n"
     "a:      CALL(b);\n"
     "        RET;\n"
     "b:      CALL(c);\n"
     "        RET;\n"
     "c:      CALL(d);\n"
     "        RET;\n"
     "d:      CALL(e);\n"
     "        RET;\n"
     "e:      CALL(f);\n"
     "        RET;\n"
     "f:      RET\n"
     "END\n",
     "PROGRAM deep\n"
     "        CALL(a);\n"
     "        HALT;\n"
     "a:      CALL(b);\n"
     "        RET;\n"
     "b:      CALL(c);\n"
     "        RET;\n"
     "c:      CALL(d);\n"
     "        RET;\n"
     "d:      CALL(e);\n"
     "        RET;\n"
     "e:      RET\n"
     "END\n",
     false},
    {"stack-unbounded",
     "a recursion with no bound: a CALL that enters a routine that has not returned",
     "A routine that calls itself, or calls one that calls it back, pushes one\n"
     "more return address on every round, and the sixth push stops the run.\n"
     "Nothing in the program bounds the depth, whatever the data.  The warning\n"
     "stands at the CALL that closes the circle; turn the recursion into a loop.\n",
     "PROGRAM down\n"
     "EQU n R1;\n"
     "        n = 3;\n"
     "        CALL(count);\n"
     "        HALT;\n"
     "count:  DECR(n), LDUFLAG;\n"
     "        RET(UZ);\n"
     "        CALL(count);\n"
     "        RET\n"
     "END\n",
     "PROGRAM down\n"
     "EQU n R1;\n"
     "        n = 3;\n"
     "        CALL(count);\n"
     "        HALT;\n"
     "count:  DECR(n), LDUFLAG;\n"
     "        RET(UZ);\n"
     "        JUMP(count)\n"
     "END\n",
     false},
    {"loop-target",
     "a LOOP whose stack top is not the address its operand names",
     "zanfo's LOOP is the Am2910's RFCT: while the counter is not zero it goes to\n"
     "the address on top of the stack, not to its operand, which only names the\n"
     "head for the reader.  If the head was never pushed, the top is whatever the\n"
     "last CALL pushed: the LOOP repeats from the caller's return address.  The\n"
     "warning says where it goes and which CALL pushed it.  Push the head with\n"
     "CALL(head) right before it; with zanfo-check --loop-to-address (hardware\n"
     "wired to run LOOP as RPCT, as zanfo-sim's option) LOOP goes to its operand\n"
     "and this check has nothing to say.\n",
     "PROGRAM sub\n"
     "        CALL(times);\n"
     "        HALT;\n"
     "times:  LDCOUNT(2);\n"
     "round:  INCR(R1);\n"
     "        LOOP(round);\n"
     "        RET\n"
     "END\n",
     "PROGRAM sub\n"
     "        CALL(times);\n"
     "        HALT;\n"
     "times:  LDCOUNT(2);\n"
     "        CALL(round);\n"
     "round:  INCR(R1);\n"
     "        LOOP(round);\n"
     "        RET\n"
     "END\n",
     false},
    {"target-range",
     "a jump, call or loop target (or a count) above 4095",
     "The sequencer's D input, its register/counter and its addresses have 12\n"
     "bits: a target above 4095 loses its high bits, and the jump goes to the\n"
     "address they leave (5000 goes to 904, 0x388); LDCOUNT(5000) counts from\n"
     "904.  zanfo writes the 16-bit number without a word.\n",
     "PROGRAM far\n"
     "        JUMP(4097);\n"
     "        HALT\n"
     "END\n",
     "PROGRAM far\n"
     "        JUMP(done);\n"
     "done:   HALT\n"
     "END\n",
     false},
    {"target-empty",
     "a jump, call or mapped target that holds no microword",
     "A jump, a CALL, JMPZ (to 0) or a mapping of --map that sends JMAP to an\n"
     "address where the program has no microword stops the run there.  Without\n"
     "--map, JMAP can go to any of 0..255 and the empty ones are not reported.\n",
     "PROGRAM gap\n"
     "        R1 = 5;\n"
     "        JUMP(16);\n"
     "ORG 17;\n"
     "        HALT\n"
     "END\n",
     "PROGRAM gap\n"
     "        R1 = 5;\n"
     "        JUMP(16);\n"
     "ORG 16;\n"
     "        HALT\n"
     "END\n",
     false},
    {"fall-off",
     "a reachable word whose next address holds no microword, or is past 4095",
     "A word that goes on to the next address (no jump, or a test that fails)\n"
     "where the program has no microword stops the run there.  So does a return\n"
     "to the address after a CALL that is the program's last word.  After 4095\n"
     "the sequencer goes on at 000.  End the program with HALT, or jump.\n",
     "PROGRAM first\n"
     "        R1 = 5;\n"
     "        R1 = R1 + 1\n"
     "END\n",
     "PROGRAM first\n"
     "        R1 = 5;\n"
     "        R1 = R1 + 1;\n"
     "        HALT\n"
     "END\n",
     false},
    {"start-empty",
     "the start address holds no microword",
     "The machine starts at address 0 (zanfo-sim --start and zanfo-check --start\n"
     "name another).  A program whose first ORG leaves 0 empty stops before its\n"
     "first cycle.\n",
     "PROGRAM origin\n"
     "ORG 16;\n"
     "        R1 = 1;\n"
     "        HALT\n"
     "END\n",
     "PROGRAM origin\n"
     "        R1 = 1;\n"
     "        HALT\n"
     "END\n",
     false},
    {"unreachable",
     "words no path from an entry point reaches",
     "The entry points are the start address and, with --map, every address of\n"
     "the mapping (JMAP reaches them; when no JMAP is reached they are entries\n"
     "of their own).  A word that no path from them reaches never runs: code\n"
     "left after a jump, or a routine nobody calls.  Said once for each run of\n"
     "consecutive words, at the first.\n",
     "PROGRAM dead\n"
     "        JUMP(done);\n"
     "        R1 = 1;\n"
     "done:   HALT\n"
     "END\n",
     "PROGRAM dead\n"
     "        JUMP(done);\n"
     "done:   HALT\n"
     "END\n",
     false},
    {"no-halt",
     "words from which no path reaches a HALT: the run never ends",
     "From these words every path runs on for ever: no path reaches a HALT (or\n"
     "a stop that another check reports, such as falling off the program).  A\n"
     "loop without a way out, or a wait for a flag nothing changes.  Said once\n"
     "for each such region of words, at its first word by address.\n",
     "PROGRAM forever\n"
     "        R1 = 0;\n"
     "again:  INCR(R1);\n"
     "        JUMP(again)\n"
     "END\n",
     "PROGRAM forever\n"
     "        R1 = 0;\n"
     "again:  INCR(R1), LDUFLAG;\n"
     "        JUMP(again, NUZ);\n"
     "        HALT\n"
     "END\n",
     false},
    {"unused-result",
     "an ALU operation whose result goes nowhere",
     "The word's ALU fields are not those of an idle word, but its result F has\n"
     "no destination, loads no flag register and goes on no bus: the operation\n"
     "is lost.  zanfo writes such a word after an error, when a clashing item\n"
     "took the field that carried the result (here LDIR takes the bus transfer\n"
     "of MEM = R1); a hand-written .mic file can hold one too.\n",
     "PROGRAM lost\n"
     "        MEM = R1, LDIR;\n"
     "        HALT\n"
     "END\n",
     "PROGRAM lost\n"
     "        MEM = R1;\n"
     "        LDIR;\n"
     "        HALT\n"
     "END\n",
     false},
    {"unmodelled",
     "a field value the machine does not define",
     "Some values of AluDest, ShiftCtrl, YBusCtrl, FlagInstr and the sequencer's\n"
     "CJV (6) are not defined by the machine that zanfo's microwords drive;\n"
     "zanfo never writes them, and zanfo-sim stops on them.  Only a hand-written\n"
     ".mic file holds one.\n",
     "0000 CE00003040000000\n",
     "0000 CE00009040000000\n",
     true},
    {"constant-range",
     "a number that does not fit the 16-bit ConstantAddr field",
     "zanfo keeps the low 16 bits of a number above 65535 without a word:\n"
     "R1 = 70000 loads 4464.\n",
     "PROGRAM big\n"
     "        R1 = 70000;\n"
     "        HALT\n"
     "END\n",
     "PROGRAM big\n"
     "        R1 = 7000;\n"
     "        HALT\n"
     "END\n",
     false},
    {"address-range",
     "a microinstruction outside the 4096-word control store",
     "Microinstructions counted past 4095 without an ORG, or after an ORG whose\n"
     "number wraps to a negative address, go to addresses the control store\n"
     "does not have (zanfo-sim refuses such a .mic file).  In a .mic file, an\n"
     "address above FFF.\n",
     "PROGRAM late\n"
     "        JUMP(last);\n"
     "ORG 4095;\n"
     "last:   R1 = 1;\n"
     "        HALT\n"
     "END\n",
     "PROGRAM late\n"
     "        JUMP(last);\n"
     "ORG 4094;\n"
     "last:   R1 = 1;\n"
     "        HALT\n"
     "END\n",
     false},
    {"address-twice",
     "two microinstructions at one address",
     "An ORG that goes back puts a second microinstruction where there is one\n"
     "already; zanfo writes both lines, and the later replaces the earlier in a\n"
     "control store loaded in order (zanfo-sim refuses such a .mic file).\n",
     "PROGRAM twice\n"
     "        R1 = 1;\n"
     "        JUMP(done);\n"
     "ORG 1;\n"
     "done:   HALT\n"
     "END\n",
     "PROGRAM twice\n"
     "        R1 = 1;\n"
     "        JUMP(done);\n"
     "ORG 8;\n"
     "done:   HALT\n"
     "END\n",
     false},
};
const size_t kCheckCount = sizeof kChecks / sizeof kChecks[0];

const CheckInfo *FindCheck(const std::string &name) {
    for (const CheckInfo &info : kChecks)
        if (name == info.name)
            return &info;
    return nullptr;
}
