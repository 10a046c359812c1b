// gen_program: writes a large, realistic zanfo source on standard output,
// for timing the assembler.
//
//   gen_program MICROINSTRUCTIONS many|few [START]
//
// "many" puts a label on every tenth microinstruction (10^5 labels for 10^6
// microinstructions); "few" puts 64 labels in the whole program.  Jumps go
// to labels both before and after them.  The program has equates (global
// ones at the top and two more per block), an ORG at every block of 1024
// microinstructions, every kind of field item, conditional jumps, numbers in
// the three bases, and comments of its own lines and at line ends.  The
// output depends only on the arguments: START (default 1) is the rng state
// the choices start from.
//
// Every microinstruction the templates below produce assembles without a
// diagnostic; bench/run.sh checks that on every program it generates.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "splitmix64.h"

namespace {

// Field items, alone or combined as a microprogrammer would.  Placeholders:
//   %a %b  two different general registers (literal or equated name)
//   %n     a 16-bit number, decimal, $hex or %octal
//   %s     a small count
//   %L     a label
//   %c     a condition
//   %i     an IRB register word, %j an IRA register word (literal or equated)
//   %q     the Q register (RQ or its equated name)
// Entries repeat to weight them: plain register transfers are the bulk of
// a microprogram.  IRA0..IRA3 are never written: the datapath cannot.
const char *const kTemplates[] = {
    "%a = %b", "%a = %b", "%a = %b",
    "%a = %a + %b", "%a = %a + %b", "%a = %b - %a",
    "%a = %a - %n", "%a = %a AND %n", "%a = %a OR %n",
    "%a = %a XOR %b", "%a = %a XNOR MEM", "%a = %a NOTRS MEM",
    "%a = MEM", "%a = MEM", "%a = %n", "%a = %n",
    "RQ = MEM", "RQ = %a", "RQ = %a + RQ", "RQ = RQ + 1", "RQ = %a + MEM",
    "%q = %q + %a", "%a = %a + %q",
    "MEM = %a", "MEM = %n", "MEM = %a + RQ", "MEM = RQ", "MEM = %j", "MEM = %i",
    "UFLAG = %a", "MFLAG = %n", "UFLAG = %a + 0", "MFLAG = %a AND RQ", "UFLAG = RQ",
    "%a = UFLAG", "RQ = MFLAG", "%a = RQ", "%a = RQ, ASL",
    "INCR(%a)", "DECR(RQ)", "NOT(%i)", "NEG(%a)", "DECR(%a)",
    "COMP(%a, %n)", "COMP(%a, %b)", "COMP(RQ, MEM)", "COMP(%j, MEM)", "COMP(%j, 0)",
    "%i = %j", "%i = %i + %a", "%i = MEM", "%a = %j", "%i = %a",
    "%a = %a + 1, ASL", "%a = %a + %b, ASR", "%a = %a - 1, LSR", "%a = %a OR %b, LSL",
    "INCR(%a), LSL",
    "%a = %a + 1, LDUFLAG", "%a = %a - %b, LDMFLAG",
    "LDIR, INCR(%a)", "%a = %a + 0, LDMAR",
    "%a = %a + MEM, JUMP(%L)", "%a = %a + %b, JUMP(%L, %c)",
    "%a = %a + MEM, JUMP(%L, %c), ASL", "%a = %a - MEM, JUMP(%L, %c), LDUFLAG",
    "%a = %a + %b, CALL(%L, %c)",
    "COMP(%a, MEM), JUMP(%L, %c)", "COMP(%a, %b), JUMP(%L, %c)",
    "JUMP(%L)", "JUMP(%L, %c)", "JUMP(%L, %c)", "CALL(%L)", "CALL(%L, %c)",
    "LOOP(%L)", "LDCOUNT(%s)", "RET", "RET(%c)", "JMAP", "JMPZ", "NOP", "HALT",
    "%a = %a + mem, jump(%L, %c)", "ldir, incr(%a)", "rq = rq and %a", "%a = %b, nop",
};
const size_t kTemplateCount = sizeof kTemplates / sizeof kTemplates[0];

const char *const kConditions[] = {
    "UZ", "NUZ", "MZ", "NMZ", "UV", "NUV", "MV", "NMV", "UN", "NUN", "MN",
    "NMN", "UC", "NUC", "MC", "NMC", "USG", "USGE", "MSG", "MSGE", "USS", "USSE",
    "MSS", "MSSE", "UUG", "UUGE", "MUG", "MUGE", "UUS", "UUSE", "MUS", "MUSE",
};

const char *const kLabelStems[] = {
    "fetch", "decode", "add", "sub", "load", "store", "branch", "next",
    "loop", "done", "check", "mul", "div", "shift", "trap", "push",
};

const char *const kRemarks[] = {
    "operand from memory", "bump the counter", "next word", "save the flags",
    "result to the accumulator", "address of the operand", "loop until zero",
    "back to the fetch", "restore the stack", "low half first",
};

// A general register that an equate names.
struct Equate {
    std::string name;
    int number;
};

class Generator {
public:
    Generator(long count, bool manyLabels, uint64_t start)
        : rng_(start), count_(count) {
        labelEvery_ = manyLabels ? 10 : (count + 63) / 64;
        labelCount_ = (count + labelEvery_ - 1) / labelEvery_;
        const char *names[] = {"pc", "acc", "sp", "ptr", "cnt", "mask", "base", "idx",
                               "src", "dst", "tmp", "hi", "lo", "rv", "arg", "val"};
        for (int i = 0; i < 16; ++i)
            globals_.push_back({names[i], 10 + 3 * i});
    }

    void Write() {
        Out("{ Generated microprogram: %ld microinstructions, %ld labels. }\n", count_,
            labelCount_);
        Out("PROGRAM bench\n\n");
        for (const Equate &e : globals_)
            Out("EQU %s R%d;\n", e.name.c_str(), e.number);
        Out("EQU accq RQ;\nEQU opa IRA1;\nEQU opb IRB2;\n");
        for (long i = 0; i < count_; ++i) {
            if (i % 1024 == 0)
                StartBlock(i);
            Microinstruction(i);
            if (i + 1 < count_)
                Out(";");
            if (rng_.OneIn(5))
                Out("  { %s }", kRemarks[rng_.Below(10)]);
            Out("\n");
        }
        Out("END\n");
    }

private:
    void Out(const char *format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        vfprintf(stdout, format, args);
        va_end(args);
    }

    // A block comment, the ORG that keeps the address in the 4096-word store,
    // and two equates that this block's microinstructions also use.
    void StartBlock(long i) {
        long block = i / 1024;
        Out("\n{ Block %ld.\n  Entry points and the registers it works on. }\n", block);
        Out("ORG ");
        Number(static_cast<uint32_t>(i % 4096));
        Out(";\n");
        locals_.clear();
        for (int k = 0; k < 2; ++k) {
            Equate e{"w" + std::to_string(block) + (k ? "b" : "a"),
                     static_cast<int>(rng_.Below(64))};
            Out("EQU %s R%d;\n", e.name.c_str(), e.number);
            locals_.push_back(e);
        }
    }

    void Microinstruction(long i) {
        if (i % labelEvery_ == 0) {
            Label(i / labelEvery_);
            Out(": ");
        } else {
            Out("\t");
        }
        const char *t = kTemplates[rng_.Below(kTemplateCount)];
        int a = -1, b = -1;
        std::string aText, bText, iText, jText, qText;
        for (; *t; ++t) {
            if (*t != '%') {
                fputc(*t, stdout);
                continue;
            }
            switch (*++t) {
            case 'a':
                if (a < 0) aText = Register(-1, &a);
                Out("%s", aText.c_str());
                break;
            case 'b':
                if (b < 0) bText = Register(a, &b);
                Out("%s", bText.c_str());
                break;
            case 'n': Number(rng_.Below(65536)); break;
            case 's': Out("%u", 1 + rng_.Below(255)); break;
            case 'L': Label(JumpTarget(i / labelEvery_)); break;
            case 'c': Out("%s", kConditions[rng_.Below(32)]); break;
            case 'i':
                if (iText.empty()) iText = Indexed("IRB", "opb");
                Out("%s", iText.c_str());
                break;
            case 'j':
                if (jText.empty()) jText = Indexed("IRA", "opa");
                Out("%s", jText.c_str());
                break;
            case 'q':
                if (qText.empty()) qText = rng_.OneIn(2) ? "accq" : "RQ";
                Out("%s", qText.c_str());
                break;
            default: fputc(*t, stdout); break;
            }
        }
    }

    // Half literal registers, the rest equated names; never the register
    // `other` names, so that "%a" and "%b" differ.
    std::string Register(int other, int *number) {
        for (;;) {
            uint32_t pick = rng_.Below(10);
            std::string text;
            int n;
            if (pick < 5) {
                n = static_cast<int>(rng_.Below(64));
                text = (pick == 0 ? "r" : "R") + std::to_string(n);
            } else if (pick < 8) {
                const Equate &e = globals_[rng_.Below(static_cast<uint32_t>(globals_.size()))];
                text = e.name;
                n = e.number;
            } else {
                const Equate &e = locals_[rng_.Below(2)];
                text = e.name;
                n = e.number;
            }
            if (n != other) {
                *number = n;
                return text;
            }
        }
    }

    // An IRA or IRB word, or now and then the name an equate gave one.
    std::string Indexed(const char *word, const char *equated) {
        if (rng_.OneIn(4))
            return equated;
        return word + std::to_string(rng_.Below(4));
    }

    void Number(uint32_t n) {
        switch (rng_.Below(5)) {
        case 0: case 1: Out("%u", n); break;
        case 2: case 3: Out("$%X", n); break;
        default: Out("%%%o", n); break;
        }
    }

    // Label k, named after its block of code: "loop_123".
    void Label(long k) { Out("%s_%ld", kLabelStems[k % 16], k); }

    // A nearby label, before or after the current one.
    long JumpTarget(long current) {
        long target = current + static_cast<long>(rng_.Below(81)) - 40;
        if (target < 0) target = -target;
        if (target >= labelCount_) target = labelCount_ - 1 - (target - labelCount_) % labelCount_;
        return target;
    }

    Rng rng_;
    long count_;
    long labelEvery_;
    long labelCount_;
    std::vector<Equate> globals_;
    std::vector<Equate> locals_;
};

void Usage() {
    fprintf(stderr, "usage: gen_program MICROINSTRUCTIONS many|few [START]\n");
    exit(1);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3 || argc > 4)
        Usage();
    char *end;
    long count = strtol(argv[1], &end, 10);
    if (*end || count < 1 || count > 100000000)
        Usage();
    bool many = strcmp(argv[2], "many") == 0;
    if (!many && strcmp(argv[2], "few") != 0)
        Usage();
    uint64_t start = argc == 4 ? strtoull(argv[3], nullptr, 10) : 1;
    static char buffer[1 << 16];
    setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    Generator(count, many, start).Write();
    return fflush(stdout) == 0 ? 0 : 1;
}
