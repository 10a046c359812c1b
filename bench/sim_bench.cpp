// zanfo-sim's speed: cycles per second of a long microprogram without a
// trace, and the time to load and decode a whole 4096-word control store.
//
//   sim_bench PROGRAM.zan [RUNS]
//
// The program is assembled in memory and run to its HALT RUNS times (5
// unless given) on a fresh machine each time; each run's wall and CPU time
// are printed, then the median and best rates.  Nothing here asserts a time.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assemble.h"
#include "machine.h"
#include "mic_file.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// A whole control store: 4096 words as zanfo writes them, in a .mic text.
std::string FullStore() {
    std::string text;
    uint64_t x = 0x9E3779B97F4A7C15;
    const uint64_t words[] = {0x4E00009040000000, 0x4E3808B941020001, 0x0300009040000004, 0x4E0000B040C10000,
                              0x480000D100820001, 0x4100009040000002, 0x4E38099340010064, 0x4A00009040000000};
    char line[32];
    for (unsigned a = 0; a < kStoreSize; ++a) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        uint64_t word = (words[x % 8] & ~uint64_t{0xFFF}) | (x >> 40 & 0xFFF);
        snprintf(line, sizeof line, "%04X %016" PRIX64 "\n", a, word);
        text += line;
    }
    return text;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: sim_bench PROGRAM.zan [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? atoi(argv[2]) : 5;
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    Assembly a = AssembleText(source.str());
    if (!a.parsed || !a.diagnostics.empty()) {
        fprintf(stderr, "%s does not assemble cleanly:\n%s", argv[1], a.diagnostics.c_str());
        return 1;
    }
    MicFile program = ParseMicText(argv[1], a.mic, MicUse::ControlStore);

    // Loading: the text of 4096 words read and decoded into a machine.
    std::string store = FullStore();
    std::vector<double> load, loadNew;
    for (int i = 0; i < 200; ++i) {
        Machine m;
        auto start = std::chrono::steady_clock::now();
        MicFile f = ParseMicText("store.mic", store, MicUse::ControlStore);
        for (const MicWord &w : f.words)
            m.LoadWord(w.address, w.word);
        load.push_back(Seconds(start));
        start = std::chrono::steady_clock::now();
        Machine fresh;
        for (const MicWord &w : f.words)
            fresh.LoadWord(w.address, w.word);
        loadNew.push_back(Seconds(start));
        if (f.words.size() != kStoreSize || f.Refused())
            return 1;
    }
    printf("load and decode 4096 words (.mic text to decoded store): median %.3f ms, best %.3f ms\n",
           Median(load) * 1e3, *std::min_element(load.begin(), load.end()) * 1e3);
    printf("a new machine (64Ki words of memory zeroed) and 4096 words decoded: median %.3f ms\n",
           Median(loadNew) * 1e3);

    // Running.
    std::vector<double> rates, cpuRates;
    uint64_t cycles = 0;
    for (int r = 0; r < runs; ++r) {
        Machine m;
        for (const MicWord &w : program.words)
            m.LoadWord(w.address, w.word);
        clock_t cpu = clock();
        auto start = std::chrono::steady_clock::now();
        RunEnd end = Run(m, UINT64_MAX);
        double wall = Seconds(start);
        double cpuSeconds = static_cast<double>(clock() - cpu) / CLOCKS_PER_SEC;
        if (end != RunEnd::Halted) {
            fprintf(stderr, "the run did not halt: %s\n", m.error.what.c_str());
            return 1;
        }
        cycles = m.cycles;
        rates.push_back(cycles / wall);
        cpuRates.push_back(cycles / cpuSeconds);
        printf("run %d: %" PRIu64 " cycles in %.3f s (CPU %.3f s): %.1f M cycles/s\n", r + 1, cycles, wall,
               cpuSeconds, cycles / wall / 1e6);
    }
    printf("%" PRIu64 " cycles: median %.1f M cycles/s, best %.1f M cycles/s (by CPU time: median %.1f M)\n", cycles,
           Median(rates) / 1e6, *std::max_element(rates.begin(), rates.end()) / 1e6, Median(cpuRates) / 1e6);
    return 0;
}
