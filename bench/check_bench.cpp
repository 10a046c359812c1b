// check_bench: zanfo-check's analysis, timed in the process, on the
// programs bench/check.sh gives it (see bench/README.md).
//
//   check_bench FILE...          each a source or a .mic file
//   check_bench --random-mic N   writes a .mic file of N random words that
//                                the machine defines, at 0..N-1, NOP first
//
// For each file: the words, those reached, the routine contexts and the word-to-word
// edges of the flow, the findings, and the median CPU time of 50 runs of
// the analysis alone (CheckStore on the decoded words) and of the whole
// check (CheckSource, assembly included, or CheckMicText).  Nothing asserts
// a time.
#include <algorithm>
#include <ctime>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assemble.h"
#include "check.h"
#include "flow.h"
#include "mic_file.h"
#include "microword.h"
#include "splitmix64.h"
#include "words.h"

namespace {

constexpr int kRuns = 50;

double CpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The median CPU time of the work, in ms: on a shared machine the wall
// time also counts the other processes' turns.
template <class Work>
double MedianMs(Work work) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const double start = CpuMs();
        work();
        times.push_back(CpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A word with a value the machine defines in every field, targets anywhere
// in the program: an eighth of them call, a sixteenth return, a few loop,
// and the rest go on or jump.
uint64_t RandomWord(Rng &rng, unsigned size) {
    static const unsigned kSequencers[] = {1, 1, 3, 3, 3, 10, 8, 12, 14, 14, 14, 14, 14, 14, 14};
    static const unsigned kBus[] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10};
    static const unsigned kFlags[] = {0, 2, 3, 4, 5, 6, 7};
    uint64_t w = kIdleWord;
    w = PutField(w, Field::Sequencer, rng.OneIn(3) ? 14 : kSequencers[rng.Below(15)]);
    w = PutField(w, Field::CondEnable, rng.OneIn(2));
    w = PutField(w, Field::CondCode, rng.Below(32));
    w = PutField(w, Field::ConstantAddr, rng.Below(size));
    w = PutField(w, Field::Break, rng.OneIn(50));
    w = PutField(w, Field::YBusCtrl, kBus[rng.Below(10)]);
    w = PutField(w, Field::FlagInstr, kFlags[rng.Below(7)]);
    return w;
}

int Bench(const char *name) {
    std::string text;
    int error = 0;
    if (!ReadWholeFile(name, &text, &error)) {
        fprintf(stderr, "%s: %s\n", name, strerror(error));
        return 1;
    }
    std::vector<StoreWord> words;
    const bool mic = IsMicText(name, text);
    const std::string micText = mic ? text : AssembleText(text).mic;
    for (const MicWord &w : ParseMicText(name, micText, MicUse::Listing).words)
        words.push_back({w.address, w.word, static_cast<int>(w.line)});
    Store store;
    for (const StoreWord &w : words)
        if (w.address <= kLastStoreAddress)
            store.at[w.address] = Decode(w.word);
    const Flow flow = FollowFlow(store, 0, nullptr);
    const size_t findings = (mic ? CheckMicText(text) : CheckSource(text)).size();
    const double analysis = MedianMs([&] { CheckStore(words); });
    const double whole = MedianMs([&] { mic ? CheckMicText(text) : CheckSource(text); });
    size_t reached = 0;
    for (uint8_t r : flow.reached)
        reached += r;
    printf("| %s | %zu | %zu | %zu | %zu | %zu | %.2f | %.2f |\n", name, words.size(), reached, flow.contexts.size(),
           flow.edges.size(), findings, analysis, whole);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--random-mic") == 0) {
        const unsigned size = static_cast<unsigned>(atoi(argv[2]));
        Rng rng(2910);
        for (unsigned a = 0; a < size && a <= kLastStoreAddress; ++a)  // the run starts on a plain word
            printf("%04X %016" PRIX64 "\n", a, a == 0 ? kIdleWord : RandomWord(rng, size));
        return 0;
    }
    if (argc < 2) {
        fprintf(stderr, "usage: check_bench FILE... | check_bench --random-mic N\n");
        return 2;
    }
    printf("| program | words | reached | contexts | edges | findings | analysis (ms CPU) | whole check (ms CPU) |\n");
    printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int i = 1; i < argc; ++i)
        if (Bench(argv[i]) != 0)
            return 1;
    return 0;
}
