// zanfo-sim --reference: testing a program against a reference.
#include "reference.h"

#include <algorithm>
#include <memory>
#include <set>

#include "coverage.h"
#include "reading.h"
#include "report.h"
#include "reports.h"
#include "setup.h"
#include "trace.h"

namespace sim {

namespace {

// A name of --vary or --compare: one place, or the memory words MEM[A..B].
struct Name {
    std::string text;          // the name as written, without its range of values
    bool words = false;        // MEM[A..B]
    uint16_t first = 0;        // its first and last address
    uint16_t last = 0;
    bool ranged = false;       // --vary NAME=LO..HI
    uint32_t lo = 0, hi = 0;   // the values drawn
    std::vector<uint16_t> edges;   // EdgeValues(lo, hi)
    std::vector<Place> places[2];  // in the reference's and the program's names
};

enum { kRef = 0, kProg = 1 };

// splitmix64: the same seed draws the same cases everywhere.
class Draw {
  public:
    explicit Draw(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint16_t In(uint32_t lo, uint32_t hi) { return static_cast<uint16_t>(lo + Next() % (hi - lo + 1)); }

  private:
    uint64_t state_;
};

// NAME or NAME=LO..HI (`vary`); false with the message.
bool ParseName(const std::string &option, const std::string &written, bool vary, Name *name, std::string *error) {
    const size_t eq = written.find('=');
    if (!vary && eq != std::string::npos) {
        *error = option + " " + written + ": a name only, no values";
        return false;
    }
    name->text = written.substr(0, eq);
    if (name->text.empty()) {
        *error = option + " " + written + ": a name is missing";
        return false;
    }
    const std::string lower = Lower(name->text);
    const size_t dots = lower.find("..");
    if (lower.compare(0, 4, "mem[") == 0 && lower.back() == ']' && dots != std::string::npos) {
        uint32_t first, last;
        if (!ParseNumber(lower.substr(4, dots - 4), 0xFFFF, &first, error) ||
            !ParseNumber(lower.substr(dots + 2, lower.size() - dots - 3), 0xFFFF, &last, error)) {
            *error = option + " " + written + ": " + *error;
            return false;
        }
        if (first > last) {
            *error = option + " " + written + ": the range runs backwards";
            return false;
        }
        name->words = true;
        name->first = static_cast<uint16_t>(first);
        name->last = static_cast<uint16_t>(last);
    }
    name->hi = 0xFFFF;
    if (eq == std::string::npos)
        return true;
    const std::string values = written.substr(eq + 1);
    const size_t sep = values.find("..");
    uint32_t lo, hi;
    if (sep == std::string::npos || !ParseNumber(values.substr(0, sep), 0xFFFF, &lo, error) ||
        !ParseNumber(values.substr(sep + 2), 0xFFFF, &hi, error)) {
        *error = option + " " + written + ": " + (sep == std::string::npos ? "expected NAME=LO..HI" : *error);
        return false;
    }
    if (lo > hi) {
        *error = option + " " + written + ": the range runs backwards";
        return false;
    }
    name->ranged = true;
    name->lo = lo;
    name->hi = hi;
    return true;
}

// The places of a name in a program's names; false with the message.
bool Resolve(const std::string &option, Name &name, int which, const Program &program, const std::string &file,
             std::string *error) {
    std::vector<Place> &places = name.places[which];
    if (name.words) {
        for (uint32_t a = name.first; a <= name.last; ++a) {
            Place p;
            p.kind = Place::Memory;
            p.index = a;
            p.name = PlaceName(p);
            places.push_back(p);
        }
        return true;
    }
    Place p;
    if (!ParsePlace(name.text, program.equates, &p, error)) {
        *error = option + " " + name.text + ": " + *error + " (in " + file + ")";
        return false;
    }
    places.push_back(p);
    return true;
}

// One program of the test, ready to run case after case.
struct Side {
    std::string file;                    // as named on the command line
    Program program;                     // its words and names
    std::unique_ptr<Machine> base;       // as every case starts
    std::unique_ptr<CaseMachine> machine;
    std::unique_ptr<Coverage> coverage;  // --coverage
};

// A test case: a value for each word of each varied name, in order.
using Values = std::vector<uint16_t>;

class Tester {
  public:
    Tester(const Options &o, SimOutput &output, std::vector<Name> &vary, std::vector<Name> &compare, Side *sides)
        : o_(o), output_(output), vary_(vary), compare_(compare), sides_(sides), sink_(output, o.output) {}

    // Runs the cases; the exit status.
    int Run() {
        std::vector<std::vector<uint16_t>> edges;
        for (const Name &n : vary_)
            edges.push_back(n.edges);
        const std::vector<std::vector<uint16_t>> edgeCases = EdgeCases(edges);
        Draw draw(o_.seed);
        Values values;
        uint64_t ran = 0;
        for (size_t i = 0; i < edgeCases.size() + o_.random; ++i) {
            const bool edge = i < edgeCases.size();
            values.clear();
            for (size_t k = 0; k < vary_.size(); ++k) {
                const Name &n = vary_[k];
                for (size_t w = 0; w < n.places[kRef].size(); ++w)
                    values.push_back(edge ? edgeCases[i][k] : draw.In(n.lo, n.hi));
            }
            const std::string label = edge ? Format("edge %zu", i + 1) : Format("random %zu", i + 1 - edgeCases.size());
            ++ran;
            const int verdict = OneCase(label, values);
            if (output_.Failed())
                return kSimCannotWrite;
            if (verdict == kSimStopped)
                return Finish(kSimStopped);
            if (verdict == kSimExpectFailed && ++differences_ == o_.show) {
                Summary(ran, edgeCases.size(), true);
                return Finish(kSimExpectFailed);
            }
        }
        Summary(ran, edgeCases.size(), false);
        return Finish(differences_ ? kSimExpectFailed : kSimHalted);
    }

  private:
    // Runs both programs on one case: kSimHalted when they agree,
    // kSimExpectFailed when they differ, kSimStopped when the reference stopped.
    int OneCase(const std::string &label, const Values &values) {
        Machine *m[2];
        RunEnd end[2];
        for (int s : {kRef, kProg}) {
            Side &side = sides_[s];
            m[s] = &side.machine->Fresh();
            size_t at = 0;
            for (const Name &n : vary_)
                for (const Place &p : n.places[s])
                    side.machine->Set({p, values[at++]});
            end[s] = RunTraced(*m[s], o_, side.program, output_, 0, side.coverage.get());
            if (s == kRef && (end[s] == RunEnd::Error || end[s] == RunEnd::CycleLimit)) {
                const std::string why = EndLine(*m[s], end[s]) + ": " + StopReason(*m[s], end[s], o_.maxCycles, side.program);
                sink_.Write(CaseText(label, values, nullptr) + "# " + side.file + ", the reference: " + why + "\n\n");
                output_.Err("zanfo-sim: " + side.file + ": the reference stopped in case " + label + ": " + why + "\n");
                return kSimStopped;
            }
        }
        std::string got;
        if (end[kProg] == RunEnd::Error || end[kProg] == RunEnd::CycleLimit) {
            got = EndLine(*m[kProg], end[kProg]) + ": " +
                  StopReason(*m[kProg], end[kProg], o_.maxCycles, sides_[kProg].program);
        } else {
            for (const Name &n : compare_)
                for (size_t w = 0; w < n.places[kRef].size(); ++w) {
                    const uint16_t want = ReadPlace(*m[kRef], n.places[kRef][w]);
                    const uint16_t have = ReadPlace(*m[kProg], n.places[kProg][w]);
                    if (want != have)
                        got += (got.empty() ? "" : " ") + Spelled(n, w) + "=" + PlaceValue(n.places[kProg][w], have);
                }
            if (got.empty())
                return kSimHalted;
        }
        sink_.Write(CaseText(label, values, m[kRef]) + "# " + sides_[kProg].file + ": " + got + "\n\n");
        return kSimExpectFailed;
    }

    // A name as the case spells it: as written, or the word of a range.
    static std::string Spelled(const Name &n, size_t w) { return n.words ? n.places[kRef][w].name : n.text; }

    // The case as a test file holds it: its sets, its memory words and,
    // when the reference ran it, the reference's values as expectations.
    std::string CaseText(const std::string &label, const Values &values, const Machine *ref) const {
        std::string text = "case " + label + "\n", sets, mems;
        size_t at = 0;
        for (const Name &n : vary_) {
            if (n.words) {
                mems += Format("mem 0x%04X", n.first);
                for (size_t w = 0; w < n.places[kRef].size(); ++w)
                    mems += Format(" 0x%04X", values[at++]);
                mems += "\n";
            } else {
                sets += " " + n.text + "=" + PlaceValue(n.places[kRef][0], values[at++]);
            }
        }
        if (!sets.empty())
            text += "set" + sets + "\n";
        text += mems;
        if (!ref)
            return text;
        std::string expects;
        for (const Name &n : compare_)
            for (size_t w = 0; w < n.places[kRef].size(); ++w)
                expects += " " + Spelled(n, w) + "=" + PlaceValue(n.places[kRef][w], ReadPlace(*ref, n.places[kRef][w]));
        return text + "expect" + expects + "\n";
    }

    void Summary(uint64_t ran, size_t edges, bool stopped) {
        const uint64_t random = ran - std::min<uint64_t>(ran, edges);
        const std::string cases = Format("%llu case%s (%zu edge, %llu random)", static_cast<unsigned long long>(ran),
                                         ran == 1 ? "" : "s", std::min<size_t>(edges, ran),
                                         static_cast<unsigned long long>(random));
        std::string line;
        if (differences_ == 0)
            line = "no difference in " + cases;
        else if (stopped)
            line = Format("%llu difference%s in the first ", static_cast<unsigned long long>(differences_),
                          differences_ == 1 ? "" : "s") + cases + "; --show stops the search there";
        else
            line = Format("%llu difference%s in ", static_cast<unsigned long long>(differences_),
                          differences_ == 1 ? "" : "s") + cases;
        sink_.Write("# " + sides_[kProg].file + " against " + sides_[kRef].file + ": " + line + "\n" +
                    Format("# seed %llu\n", static_cast<unsigned long long>(o_.seed)));
    }

    int Finish(int status) {
        if (!sink_.Close())
            return kSimBadInput;
        if (!o_.coverage.empty()) {
            CoverageFile covered(o_.coverage, true);
            for (int s : {kRef, kProg})
                covered.Add(sides_[s].file, sides_[s].program, *sides_[s].base, *sides_[s].coverage);
            if (!covered.Write(output_))
                return kSimBadInput;
        }
        return status;
    }

    const Options &o_;
    SimOutput &output_;
    std::vector<Name> &vary_, &compare_;
    Side *sides_;
    ReportSink sink_;
    uint64_t differences_ = 0;
};

}  // namespace

std::vector<uint16_t> EdgeValues(uint32_t lo, uint32_t hi) {
    std::set<uint16_t> values = {static_cast<uint16_t>(lo), static_cast<uint16_t>(hi)};
    for (uint32_t v : {0u, 1u, 0x7FFFu, 0x8000u, 0xFFFFu})
        if (v >= lo && v <= hi)
            values.insert(static_cast<uint16_t>(v));
    return std::vector<uint16_t>(values.begin(), values.end());
}

std::vector<std::vector<uint16_t>> EdgeCases(const std::vector<std::vector<uint16_t>> &edges) {
    std::vector<std::vector<uint16_t>> cases;
    if (edges.empty())
        return cases;
    std::set<std::vector<uint16_t>> seen;
    auto add = [&](std::vector<uint16_t> c) {
        if (cases.size() < kMaxEdgeCases && seen.insert(c).second)
            cases.push_back(std::move(c));
    };
    std::vector<uint16_t> base;
    for (const std::vector<uint16_t> &e : edges)
        base.push_back(e[0]);
    if (edges.size() == 1)
        for (uint16_t v : edges[0])
            add({v});
    for (size_t i = 0; i < edges.size(); ++i)
        for (size_t j = i + 1; j < edges.size(); ++j)
            for (uint16_t a : edges[i])
                for (uint16_t b : edges[j]) {
                    std::vector<uint16_t> c = base;
                    c[i] = a;
                    c[j] = b;
                    add(c);
                }
    return cases;
}

int RunReference(const Options &o, const FileReader &read, SimOutput &output) {
    std::vector<Name> vary(o.vary.size()), compare(o.compare.size());
    std::string error;
    for (size_t i = 0; i < o.vary.size(); ++i)
        if (!ParseName("--vary", o.vary[i], true, &vary[i], &error))
            return UsageError(output, error);
    for (size_t i = 0; i < o.compare.size(); ++i)
        if (!ParseName("--compare", o.compare[i], false, &compare[i], &error))
            return UsageError(output, error);

    Side sides[2];
    sides[kRef].file = o.reference;
    sides[kProg].file = o.file;
    std::string problem;
    if (!LoadProgram(o.reference, read, output, &sides[kRef].program))
        return kSimBadInput;
    if (!LoadProgram(o.file, read, output, &sides[kProg].program, &problem))
        return kSimStopped;
    std::vector<Assignment> sets[2], expects;
    for (int s : {kRef, kProg}) {
        const std::string errors = ResolveAssignments(o, sides[s].program, &sets[s], &expects);
        if (!errors.empty())
            return AssignmentError(output, errors);
        for (std::vector<Name> *names : {&vary, &compare})
            for (Name &n : *names)
                if (!Resolve(names == &vary ? "--vary" : "--compare", n, s, sides[s].program, sides[s].file, &error))
                    return UsageError(output, error);
    }
    for (Name &n : vary) {
        const Place &p = n.places[kRef][0];
        const uint32_t max = PlaceMax(p);
        if (n.ranged && n.hi > max)
            return UsageError(output, "--vary " + n.text + ": " + Format("%u is out of range: at most %u", n.hi, max));
        if (!n.ranged)
            n.hi = max;
        n.edges = EdgeValues(n.lo, n.hi);
    }

    SharedInputs inputs;
    if (!ReadSharedInputs(o, read, output, &inputs))
        return kSimBadInput;
    for (int s : {kRef, kProg}) {
        Side &side = sides[s];
        side.base = std::make_unique<Machine>();
        BuildMachine(o, side.program, inputs, sets[s], *side.base);
        side.machine = std::make_unique<CaseMachine>(*side.base);
        if (!o.coverage.empty())
            side.coverage = std::make_unique<Coverage>();
    }
    return Tester(o, output, vary, compare, sides).Run();
}

}  // namespace sim
