// zanfo-sim --coverage.
#include "coverage.h"

#include <cinttypes>
#include <map>

#include "report.h"

namespace sim {

void Coverage::Before(const Machine &m) {
    address_ = m.regs.upc & 0xFFF;
    const Microinstruction &w = m.At(address_);
    pass_ = (w.passes >> (w.testFlags ? m.regs.mflag : m.regs.uflag)) & 1;
}

bool Coverage::After(const Machine &, StepResult result) {
    if (result != StepResult::Error) {
        ++runs[address_];
        ++(pass_ ? passes : fails)[address_];
    }
    return true;
}

bool Conditional(const Microinstruction &w) {
    if (w.fault != Fault::None || w.passes == 0xFFFF || w.passes == 0)
        return false;
    const SequencerCode &code = kSequencer[w.sequencer];
    for (bool zero : {false, true}) {
        const Path &fail = code.paths[PathIndex(zero, false)], &pass = code.paths[PathIndex(zero, true)];
        if (fail.next != pass.next || fail.stack != pass.stack || fail.counter != pass.counter)
            return true;
    }
    return false;
}

std::string Coverage::Record(const std::string &name, const Program &program, const Machine &machine) const {
    std::map<unsigned, uint64_t> lines;  // line -> runs of the words that start there
    std::string branches;
    unsigned found = 0, hit = 0;
    for (size_t i = 0; i < program.words.size(); ++i) {
        const unsigned address = program.words[i].address & 0xFFF;
        const unsigned line = program.lines[i];
        lines[line] += runs[address];
        if (!Conditional(machine.At(address)))
            continue;
        const bool ran = runs[address] != 0;
        for (unsigned branch = 0; branch < 2; ++branch) {
            const uint64_t taken = branch == 0 ? passes[address] : fails[address];
            branches += Format("BRDA:%u,%u,%u,", line, address, branch) +
                        (ran ? Format("%" PRIu64, taken) : std::string("-")) + "\n";
            ++found;
            hit += taken != 0;
        }
    }
    std::string out = "TN:\nSF:" + name + "\n" + branches + Format("BRF:%u\nBRH:%u\n", found, hit);
    unsigned covered = 0;
    for (const auto &l : lines) {
        out += Format("DA:%u,%" PRIu64 "\n", l.first, l.second);
        covered += l.second != 0;
    }
    return out + Format("LF:%zu\nLH:%u\nend_of_record\n", lines.size(), covered);
}

std::string Coverage::Summary(const Program &program, const Machine &machine) const {
    unsigned words = 0, ran = 0, directions = 0, taken = 0;
    for (const MicWord &w : program.words) {  // one a address: the .mic reader refuses an address given twice
        const unsigned address = w.address & 0xFFF;
        ++words;
        ran += runs[address] != 0;
        if (Conditional(machine.At(address))) {
            directions += 2;
            taken += (passes[address] != 0) + (fails[address] != 0);
        }
    }
    return Format("%u of %u microword%s, %u of %u branch direction%s", ran, words, words == 1 ? "" : "s", taken,
                  directions, directions == 1 ? "" : "s");
}

void CoverageFile::Add(const std::string &name, const Program &program, const Machine &machine,
                       const Coverage &coverage) {
    records_ += coverage.Record(name, program, machine);
    summaries_ += "coverage: " + (several_ ? name + ": " : std::string()) + coverage.Summary(program, machine) + "\n";
}

bool CoverageFile::Write(SimOutput &output) const {
    std::string error;
    if (!output.File(file_, records_, &error)) {
        output.Err("zanfo-sim: cannot write " + file_ + ": " + error + "\n");
        return false;
    }
    output.Err(summaries_);
    return true;
}

}  // namespace sim
