// gen_x86: writes an x86-64 assembly file of simple register instructions
// for GNU as, as the yardstick zanfo's speed is compared with.
//
//   gen_x86 LINES [START]
//
// The file has exactly LINES lines: a ".text" line and register-to-register
// and immediate-to-register instructions (mov, add, sub, and, or, xor, cmp,
// inc, dec, shl, shr, neg, not), in AT&T syntax.  The output depends only on
// the arguments; START (default 1) is the rng state.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

uint64_t state = 1;

// splitmix64, as in gen_program.
uint32_t Below(uint32_t n) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<uint32_t>((z ^ (z >> 31)) % n);
}

const char *const kRegs32[] = {"%eax", "%ebx", "%ecx", "%edx", "%esi", "%edi",
                               "%r8d", "%r9d", "%r10d", "%r11d", "%r12d", "%r13d"};
const char *const kRegs64[] = {"%rax", "%rbx", "%rcx", "%rdx", "%rsi", "%rdi",
                               "%r8", "%r9", "%r10", "%r11", "%r12", "%r13"};
const char *const kBinary[] = {"mov", "add", "sub", "and", "or", "xor", "cmp"};
const char *const kUnary[] = {"inc", "dec", "neg", "not"};

void Instruction() {
    bool wide = Below(4) == 0;
    const char *const *regs = wide ? kRegs64 : kRegs32;
    const char suffix = wide ? 'q' : 'l';
    const char *a = regs[Below(12)];
    const char *b = regs[Below(12)];
    switch (Below(8)) {
    case 0: case 1: case 2:
        printf("\t%s%c %s, %s\n", kBinary[Below(7)], suffix, a, b);
        break;
    case 3: case 4:
        printf("\t%s%c $%u, %s\n", kBinary[Below(7)], suffix, Below(65536), b);
        break;
    case 5:
        printf("\t%s%c %s\n", kUnary[Below(4)], suffix, a);
        break;
    case 6:
        printf("\t%s%c $%u, %s\n", Below(2) ? "shl" : "shr", suffix, 1 + Below(15), a);
        break;
    default:
        printf("\tmov%c %s, %s\n", suffix, a, b);
        break;
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: gen_x86 LINES [START]\n");
        return 1;
    }
    char *end;
    long lines = strtol(argv[1], &end, 10);
    if (*end || lines < 1 || lines > 1000000000) {
        fprintf(stderr, "usage: gen_x86 LINES [START]\n");
        return 1;
    }
    if (argc == 3)
        state = strtoull(argv[2], nullptr, 10);
    static char buffer[1 << 16];
    setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    printf("\t.text\n");
    for (long i = 1; i < lines; ++i)
        Instruction();
    return fflush(stdout) == 0 ? 0 : 1;
}
