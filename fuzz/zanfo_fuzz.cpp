// zanfo under libFuzzer: both passes of the assembler over arbitrary bytes,
// read as a source file, with the microwords written to /dev/null.
//
// One process assembles millions of inputs, so everything a fresh process
// would start with is put back before each one: the label and equate
// tables, the microinstruction record, the scanner (its buffer, its start
// condition, `line`) and the pass state.  A fatal scanner error (a token of
// YYLMAX characters or more) ends the command with exit status 2; here it
// throws back to this function instead, and the next input starts clean.
//
// The parser's tables are data to the coverage instrumentation, so an input
// that leads the parser through a new entry of its tables looks like nothing
// new.  The target therefore counts every pair and every triple of
// consecutive tokens in libFuzzer's extra counters (the pair "= MEM" after
// "R1" and after "MEM" leads to different parser states): the link wraps
// yylex (-Wl,--wrap) with CountingYylex below, and each new pair or triple
// is a new feature.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "driver.h"
#include "zanfo.h"

namespace {

struct ScannerStopped {};

[[noreturn]] void StopRun(const char *) { throw ScannerStopped{}; }

FILE *discard;  // the .mic output of every run

constexpr unsigned kTokenCodes = COND_MUSE + 1;  // 0, characters, 257 and up
constexpr unsigned kTripleSlots = 65521;         // triples hashed, a prime
__attribute__((used, section("__libfuzzer_extra_counters")))
uint8_t tokenPairs[kTokenCodes][kTokenCodes];
__attribute__((used, section("__libfuzzer_extra_counters")))
uint8_t tokenTriples[kTripleSlots];
unsigned previousToken, tokenBefore;

void Count(uint8_t &counter) {
    if (counter < UINT8_MAX)
        ++counter;
}

}  // namespace

// The scanner itself, under the name the link gives it.
int RealYylex() asm("__real__Z5yylexv");

extern "C" int CountingYylex() asm("__wrap__Z5yylexv");
extern "C" int CountingYylex() {
    int token = RealYylex();
    if (token >= 0 && static_cast<unsigned>(token) < kTokenCodes) {
        unsigned t = static_cast<unsigned>(token);
        Count(tokenPairs[previousToken][t]);
        Count(tokenTriples[((tokenBefore * kTokenCodes + previousToken) * kTokenCodes + t) % kTripleSlots]);
        tokenBefore = previousToken;
        previousToken = t;
    }
    return token;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    scannerFatalHook = StopRun;
    discard = fopen("/dev/null", "w");
    return discard ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Read-only: the scanner never writes through its FILE.
    FILE *source = fmemopen(const_cast<uint8_t *>(data), size, "r");
    if (!source)
        return 0;
    ResetRun(source, discard);
    previousToken = tokenBefore = 0;
    try {
        RunPasses();  // sets primeraPasada and dir for each pass
    } catch (const ScannerStopped &) {
    }
    fclose(source);
    return 0;
}
