// zanfo-sim --vcd.
#include "vcd.h"

#include <cinttypes>

#include "report.h"

namespace sim {

namespace {

// The signals, in the order of their identifier codes ('!' up).
struct Signal {
    std::string name;
    unsigned width;
};

std::vector<Signal> Signals() {
    std::vector<Signal> signals = {{"upc", 12}, {"word", 64}};
    for (unsigned i = 0; i < kRegisterCount; ++i)
        signals.push_back({"r" + std::to_string(i), 16});
    for (const Signal &s : std::vector<Signal>{{"q", 16}, {"mar", 16}, {"ir", 16}, {"uflag", 4}, {"mflag", 4},
                                               {"dbus", 16}, {"f", 16}, {"sp", 3}, {"counter", 12}})
        signals.push_back(s);
    return signals;
}

const std::vector<Signal> &TheSignals() {
    static const std::vector<Signal> signals = Signals();
    return signals;
}

// The values of the signals, in their order.
std::vector<uint64_t> Values(const Machine &m) {
    const Registers &r = m.regs;
    const CycleView view = m.Peek();
    std::vector<uint64_t> values = {r.upc, m.WordAt(r.upc)};
    for (uint16_t value : r.r)
        values.push_back(value);
    for (uint64_t value : {uint64_t{r.q}, uint64_t{r.mar}, uint64_t{r.ir}, uint64_t{r.uflag}, uint64_t{r.mflag},
                           uint64_t{view.d}, uint64_t{view.f}, uint64_t{r.depth}, uint64_t{r.counter}})
        values.push_back(value);
    return values;
}

// A vector value change: "b101 !".
std::string Change(uint64_t value, size_t index) {
    std::string bits;
    for (int bit = 63; bit >= 0; --bit)
        if (!bits.empty() || (value >> bit) & 1 || bit == 0)
            bits += static_cast<char>('0' + ((value >> bit) & 1));
    return "b" + bits + " " + static_cast<char>('!' + index) + "\n";
}

}  // namespace

Waveform::Waveform(const Machine &machine) {
    text_ = "$version zanfo-sim --vcd $end\n$timescale 1ns $end\n$scope module zanfo $end\n";
    const std::vector<Signal> &signals = TheSignals();
    for (size_t i = 0; i < signals.size(); ++i)
        text_ += Format("$var wire %u %c %s [%u:0] $end\n", signals[i].width, static_cast<char>('!' + i),
                        signals[i].name.c_str(), signals[i].width - 1);
    text_ += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    last_ = Values(machine);
    for (size_t i = 0; i < last_.size(); ++i)
        text_ += Change(last_[i], i);
    text_ += "$end\n";
}

bool Waveform::After(const Machine &machine, StepResult result) {
    if (result != StepResult::Error)
        Sample(machine);
    return true;
}

void Waveform::Sample(const Machine &machine) {
    std::vector<uint64_t> now = Values(machine);
    std::string changes;
    for (size_t i = 0; i < now.size(); ++i)
        if (now[i] != last_[i])
            changes += Change(now[i], i);
    if (!changes.empty())
        text_ += Format("#%" PRIu64 "\n", machine.cycles * 10) + changes;
    last_ = std::move(now);
}

}  // namespace sim
