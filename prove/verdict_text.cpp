// What zanfo-prove prints for a verdict.
#include "verdict_text.h"

#include <cinttypes>
#include <cstdio>
#include <map>
#include <memory>

#include "formula.h"
#include "trials.h"

namespace {

std::string Cycles(uint64_t n) { return Grouped(n) + (n == 1 ? " cycle" : " cycles"); }

// One run of a counterexample on the machine, as zanfo-sim would run its case.
struct Replay {
    std::unique_ptr<Machine> m;   // the machine after the run
    Registers start;              // its registers at the start
    std::vector<uint16_t> memory; // its memory at the start
    RunEnd end = RunEnd::Halted;

    Replay(const Machine &base, const Verdict &v, uint64_t within) : m(std::make_unique<Machine>(base)) {
        for (size_t i = 0; i < v.inputs.size(); ++i)
            WritePlace(*m, v.inputs[i].place, v.values[i]);
        start = m->regs;
        memory = m->memory;
        end = Run(*m, within);
    }

    int64_t Value(const Expr &e, int node = -1) const {
        static const std::vector<std::pair<uint16_t, uint16_t>> none;
        NumberValues values(start, memory.data(), none, m->regs, m->memory.data());
        return Evaluate(e, values, node);
    }

    // Why the run is not a good one, or "" when it halted.
    std::string Trouble(uint64_t within) const {
        if (end == RunEnd::CycleLimit)
            return "does not halt within " + Cycles(within);
        if (end != RunEnd::Error)
            return "";
        char where[64];
        const MachineError &e = m->error;
        if (e.empty) {
            snprintf(where, sizeof where, "stops after %s: no microword at address %03X", Cycles(m->cycles).c_str(),
                     e.address);
            return where;
        }
        snprintf(where, sizeof where, "stops after %s at address %03X: ", Cycles(m->cycles).c_str(), e.address);
        return where + e.what;
    }
};

// The place an ensure of the form NAME == EXPR names at the end, with the
// node of EXPR; false for any other ensure.
bool NamedEnsure(const Expr &e, const Replay &r, Place *place, int *demand) {
    const ExprNode &root = e.root();
    if (root.kind != ExprNode::Binary || root.op != Op::Eq)
        return false;
    for (int side : {root.a, root.b}) {
        const ExprNode &n = e.nodes[side];
        if (n.kind == ExprNode::Name) {
            *place = n.place;
        } else if (n.kind == ExprNode::Memory) {
            place->kind = Place::Memory;
            place->index = static_cast<unsigned>(r.Value(e, n.a) & 0xFFFF);
        } else {
            continue;
        }
        *demand = side == root.a ? root.b : root.a;
        return true;
    }
    return false;
}

// Values for the places that `e` reads at the end (registers, Q, MAR, IR,
// the flag registers) that make it hold, the start being the run's: what
// expect lines can demand where the ensure does not name its value, so that
// zanfo-sim fails the case all the same.  None when `e` reads memory, or
// when nothing meets it.
std::vector<std::pair<Place, uint16_t>> Meeting(const Expr &e, const Replay &r) {
    std::vector<std::pair<Place, uint16_t>> out;
    for (const ExprNode &n : e.nodes)
        if (n.kind == ExprNode::Memory)
            return out;
    const std::vector<Place> atEnd = e.EndPlaces();
    z3::context ctx;
    InitialMemory memory(ctx), endMemory(ctx);
    Fixed everything;
    everything.r.fill(true);
    everything.q = everything.mar = everything.ir = everything.uflag = everything.mflag = true;
    Fixed almost = everything;  // a place read at the end is what the solver chooses
    for (const Place &p : atEnd) {
        switch (p.kind) {
        case Place::Register: almost.r[p.index] = false; break;
        case Place::Q: almost.q = false; break;
        case Place::Mar: almost.mar = false; break;
        case Place::Ir: almost.ir = false; break;
        case Place::Uflag: almost.uflag = false; break;
        case Place::Mflag: almost.mflag = false; break;
        case Place::Memory: break;
        }
    }
    Machine start = *r.m, end = *r.m;
    start.regs = r.start;
    SymState before = StartState(ctx, start, everything, &memory);
    SymState after = StartState(ctx, end, almost, &endMemory);
    Symbolic v(ctx, memory);
    z3::solver solver(ctx);
    z3::params p(ctx);
    p.set("timeout", 2000u);
    solver.set(p);
    solver.add(Holds(e, v, before, after));
    if (solver.check() != z3::sat)
        return out;
    z3::model model = solver.get_model();
    for (const Place &place : atEnd)
        out.push_back({place, ModelValue(model, ctx, place)});
    return out;
}

// The case's set and mem lines: the fixed values, then the inputs.
std::string Sets(const Goal &goal, const Verdict &v) {
    std::vector<std::pair<Place, uint16_t>> values;
    for (const Assignment &a : goal.sets)
        values.push_back({a.place, a.value});
    for (size_t i = 0; i < v.inputs.size(); ++i)
        values.push_back({v.inputs[i].place, v.values[i]});
    std::string text, line;
    std::map<uint16_t, uint16_t> words;
    for (const auto &x : values) {
        if (x.first.kind == Place::Memory) {
            words[static_cast<uint16_t>(x.first.index)] = x.second;
            continue;
        }
        std::string item = PlaceName(x.first) + "=" + PlaceValue(x.first, x.second);
        if (line.size() + item.size() > 72) {
            text += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "set " : " ") + item;
    }
    if (!line.empty())
        text += line + "\n";
    // mem ADDR WORD...: consecutive words on one line, eight at most.
    line.clear();
    int next = -1, onLine = 0;
    for (const auto &w : words) {
        if (w.first != next || onLine == 8) {
            if (!line.empty())
                text += line + "\n";
            char head[16];
            snprintf(head, sizeof head, "mem 0x%04X", w.first);
            line = head;
            onLine = 0;
        }
        char word[8];
        snprintf(word, sizeof word, " 0x%04X", w.second);
        line += word;
        ++onLine;
        next = w.first + 1;
    }
    if (!line.empty())
        text += line + "\n";
    return text;
}

}  // namespace

std::string Grouped(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string VerdictText(const Goal &goal, const Verdict &verdict) {
    if (verdict.kind == Verdict::Unknown)
        return "unknown " + goal.name + ": " + verdict.why + "\n";
    if (verdict.kind == Verdict::Proved) {
        if (verdict.vacuous)
            return "proved " + goal.name + " (no input meets the assumptions)\n";
        std::string how = verdict.byRunning ? "by running all " + Grouped(verdict.inputsRun) + " inputs"
                                            : std::string("every input");
        return "proved " + goal.name + " (" + how + "; halts within " + Cycles(verdict.longest) + ")\n";
    }

    // A counterexample: run it again, as zanfo-sim will.
    Replay run(*goal.program, verdict, goal.within);
    std::unique_ptr<Replay> reference;
    if (goal.reference)
        reference = std::make_unique<Replay>(*goal.reference, verdict, goal.within);
    std::string why, expects, notes;
    if (reference && !reference->Trouble(goal.within).empty()) {
        why = "the reference " + reference->Trouble(goal.within);
    } else if (!run.Trouble(goal.within).empty()) {
        why = "the run " + run.Trouble(goal.within);
    }
    if (reference) {
        for (const Place &p : goal.compared) {
            uint16_t mine = ReadPlace(*run.m, p), theirs = ReadPlace(*reference->m, p);
            if (reference->end == RunEnd::Halted)
                expects += " " + PlaceName(p) + "=" + PlaceValue(p, theirs);
            if (why.empty() && mine != theirs)
                why += std::string(why.empty() ? "" : "; ") + PlaceName(p) + " ends " + PlaceValue(p, mine) +
                       ", the reference's " + PlaceValue(p, theirs);
        }
    }
    for (const Expr &e : goal.ensures) {
        Place place;
        int demand;
        bool holds = run.Value(e) != 0;
        if (run.end == RunEnd::Halted && !holds && why.find("ensure") == std::string::npos)
            why += std::string(why.empty() ? "" : "; ") + "ensure " + e.text + " does not hold";
        else if (run.end == RunEnd::Halted && !holds)
            why += ", nor " + e.text;
        if (NamedEnsure(e, run, &place, &demand)) {
            int64_t value = run.Value(e, demand);
            if (value >= 0 && value <= static_cast<int64_t>(PlaceMax(place)))
                expects += " " + PlaceName(place) + "=" + PlaceValue(place, static_cast<uint32_t>(value));
            else
                notes += "# ensure " + e.text + ": " + PlaceName(place) + " cannot hold " + std::to_string(value) + "\n";
            continue;
        }
        std::vector<std::pair<Place, uint16_t>> meeting;
        if (run.end == RunEnd::Halted && !holds) {
            try {
                meeting = Meeting(e, run);
            } catch (const z3::exception &) {  // no values then: the comment alone
            }
        }
        for (const auto &m : meeting)
                if (expects.find(" " + PlaceName(m.first) + "=") == std::string::npos)
                    expects += " " + PlaceName(m.first) + "=" + PlaceValue(m.first, m.second);
        const ExprNode &root = e.root();
        if (root.kind == ExprNode::Binary)
            notes += "# ensure " + e.text + ": " + e.TextOf(root.a) + " is " + std::to_string(run.Value(e, root.a)) +
                     ", " + e.TextOf(root.b) + " is " + std::to_string(run.Value(e, root.b)) + "\n";
        else
            notes += "# ensure " + e.text + ": it is " + std::to_string(run.Value(e)) + "\n";
    }
    if (why.empty())
        why = "the run does not fail on the machine (a fault of zanfo-prove)";

    std::string text = "FAIL " + goal.name + ": " + why + "\n";
    text += "case " + goal.name + "\n" + Sets(goal, verdict);
    if (!expects.empty())
        text += "expect" + expects + "\n";
    text += notes;
    if (run.end == RunEnd::CycleLimit || (reference && reference->end == RunEnd::CycleLimit))
        text += "max-cycles " + std::to_string(goal.within) + "\n";
    return text + "\n";
}
