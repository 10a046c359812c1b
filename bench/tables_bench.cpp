// Micro-benchmarks of the symbol tables and number conversion: the scanner
// looks every name up in the equate table, and each label is entered once
// and looked up at every jump to it, in programs of up to 10^5 labels.
//
//   build-release/bench/tables_bench [--benchmark_filter=Label]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tables.h"

namespace {

// Names shaped like the generated programs': a stem and a number, in mixed
// case, at most 15 characters.
std::vector<std::string> Names(int count, const char *stem) {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(count));
    char text[16];
    for (int i = 0; i < count; ++i) {
        snprintf(text, sizeof text, "%s_%d", stem, i);
        names.emplace_back(text);
    }
    return names;
}

// An identifier that is an equate (a register name in use) and one that is
// not (a label, or a name before its EQU), with `range(0)` equates bound.
void BM_TranslateIdentifier(benchmark::State &state) {
    ClearIdentifiers();
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> bound = Names(count, "Acc");
    for (int i = 0; i < count; ++i)
        InsertIdentifier(bound[static_cast<size_t>(i)].c_str(), i % 2 ? "R12" : "IRB1");
    std::vector<std::string> unbound = Names(count, "Loop");
    char res[16];
    int kind = 0, number = 0;
    size_t i = 0;
    for (auto _ : state) {
        const std::string &name = (i & 1 ? bound : unbound)[(i >> 1) % bound.size()];
        benchmark::DoNotOptimize(TranslateIdentifier(name.c_str(), res, &kind, &number));
        ++i;
    }
    ClearIdentifiers();
}
BENCHMARK(BM_TranslateIdentifier)->Arg(32)->Arg(2048);

// Entering `range(0)` labels, as the first pass does.
void BM_InsertLabels(benchmark::State &state) {
    std::vector<std::string> names = Names(static_cast<int>(state.range(0)), "Next");
    for (auto _ : state) {
        ClearLabels();
        for (size_t i = 0; i < names.size(); ++i)
            InsertLabel(names[i].c_str(), static_cast<int>(i));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    ClearLabels();
}
BENCHMARK(BM_InsertLabels)->Arg(64)->Arg(100000);

// Looking jump targets up among `range(0)` labels, as the second pass does.
void BM_TranslateLabel(benchmark::State &state) {
    ClearLabels();
    std::vector<std::string> names = Names(static_cast<int>(state.range(0)), "Next");
    for (size_t i = 0; i < names.size(); ++i)
        InsertLabel(names[i].c_str(), static_cast<int>(i));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TranslateLabel(names[i % names.size()].c_str()));
        i += 7919;  // a prime stride: not the order of insertion
    }
    ClearLabels();
}
BENCHMARK(BM_TranslateLabel)->Arg(64)->Arg(100000);

// Register numbers and decimal constants, and one past the fast path.
void BM_DecimalToInt(benchmark::State &state) {
    const char *const texts[] = {"12", "63", "4095", "65535", "0000000000000000000007"};
    const char *text = texts[state.range(0)];
    for (auto _ : state)
        benchmark::DoNotOptimize(DecimalToInt(text));
}
BENCHMARK(BM_DecimalToInt)->DenseRange(0, 4);

}  // namespace

BENCHMARK_MAIN();
