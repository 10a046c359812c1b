// zanfo: the runs of the co-simulation (tests/hdl/cosim.py), each written
// out as explicit files that zanfo-sim and the Verilog testbench both take:
//
//   prog.mic    the control store
//   regs.hex    R0..R63, one word a line
//   mem.hex     the memory words that are not 0, "@ADDR WORD" a line (if any)
//   prog.map    the JMAP mapping (if any), as zanfo-sim reads it
//   settings    q=, mar=, ir=, uflag=, mflag=, start= (hexadecimal),
//               max_cycles= and loop_to_address when given, map=FILE
//
//   cosim_jobs from-args DIR ZANFO-SIM-ARGS...
//       the runs that `zanfo-sim ARGS` makes: one, or one per case of its
//       --test file, in DIR/1, DIR/2...; the state each starts from is the
//       one zanfo-sim's own library sets up.  Exit status 77 when the
//       arguments make no run (help, a usage error, a file refused).
//   cosim_jobs generate DIR COUNT SEED
//       COUNT generated programs in DIR/0, DIR/1...: straight lines,
//       branches, calls, loops, JMAP through a mapping and words drawn at
//       random, from random states (splitmix64: a seed gives the same runs).
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assemble.h"
#include "inputs.h"
#include "machine.h"
#include "mic_file.h"
#include "microword.h"
#include "session.h"
#include "splitmix64.h"

namespace {

// A run, spelled out.
struct Job {
    std::map<unsigned, uint64_t> words;           // the control store
    std::array<uint16_t, kRegisterCount> r{};     // R0..R63
    std::map<unsigned, uint16_t> memory;          // the words that are not 0
    std::map<unsigned, unsigned> mapping;         // opcode -> address
    std::string mapFile;                          // or a mapping file of its own
    uint16_t q = 0, mar = 0, ir = 0;
    uint8_t uflag = 0, mflag = 0;
    unsigned start = 0;
    bool loopToAddress = false;
    uint64_t maxCycles = 0;                       // 0: zanfo-sim's default
};

bool WriteText(const std::string &path, const std::string &text) {
    FILE *f = fopen(path.c_str(), "w");
    bool ok = f && fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && fclose(f) != 0)
        ok = false;
    if (!ok)
        fprintf(stderr, "cosim_jobs: cannot write %s\n", path.c_str());
    return ok;
}

std::string Hex(unsigned long long value, int digits) {
    char text[24];
    snprintf(text, sizeof text, "%0*llX", digits, value);
    return text;
}

bool WriteJob(const std::string &dir, const Job &job) {
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        fprintf(stderr, "cosim_jobs: cannot make %s\n", dir.c_str());
        return false;
    }
    std::string mic, regs, memory, mapping;
    for (const auto &w : job.words)
        mic += Hex(w.first, 4) + " " + Hex(w.second, 16) + "\n";
    for (uint16_t value : job.r)
        regs += Hex(value, 4) + "\n";
    for (const auto &m : job.memory)
        memory += "@" + Hex(m.first, 4) + " " + Hex(m.second, 4) + "\n";
    for (const auto &m : job.mapping)
        mapping += "0x" + Hex(m.first, 2) + " 0x" + Hex(m.second, 3) + "\n";
    std::string settings = "q=" + Hex(job.q, 4) + " mar=" + Hex(job.mar, 4) + " ir=" + Hex(job.ir, 4) +
                           " uflag=" + Hex(job.uflag, 1) + " mflag=" + Hex(job.mflag, 1) + " start=" +
                           Hex(job.start, 3);
    if (job.maxCycles)
        settings += " max_cycles=" + std::to_string(job.maxCycles);
    if (job.loopToAddress)
        settings += " loop_to_address";
    if (!job.mapFile.empty())
        settings += " map=" + job.mapFile;
    else if (!job.mapping.empty())
        settings += " map=prog.map";
    bool ok = WriteText(dir + "/prog.mic", mic) && WriteText(dir + "/regs.hex", regs) &&
              WriteText(dir + "/settings", settings + "\n");
    if (ok && !memory.empty())
        ok = WriteText(dir + "/mem.hex", memory);
    if (ok && !job.mapping.empty())
        ok = WriteText(dir + "/prog.map", mapping);
    return ok;
}

// ---------------------------------------------------------------------------
// The runs of a zanfo-sim command line.

class Quiet : public SimOutput {
  public:
    void Out(const std::string &) override {}
    void Err(const std::string &text) override { fputs(text.c_str(), stderr); }
};

bool ReadFile(const std::string &name, std::string *text, std::string *error) {
    int number = 0;
    text->clear();
    if (ReadWholeFile(name, text, &number))
        return true;
    *error = strerror(number);
    return false;
}

// The options of zanfo-sim that take a value, as "--NAME VALUE" or "--NAME=VALUE".
bool TakesValue(const std::string &name) {
    for (const char *option : {"--start", "--set", "--expect", "--mem", "--map", "--test", "--break", "--max-cycles"})
        if (name == option)
            return true;
    return false;
}

int FromArgs(const std::string &dir, const std::vector<std::string> &args) {
    std::string test, program;
    Job base;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        size_t eq = name.find('=');
        if (name.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        } else if (TakesValue(name) && i + 1 < args.size()) {
            value = args[++i];
        }
        if (name == "--test")
            test = value;
        else if (name == "--map")
            base.mapFile = value;
        else if (name == "--max-cycles")
            base.maxCycles = strtoull(value.c_str(), nullptr, 10);
        else if (name == "--loop-to-address")
            base.loopToAddress = true;
        else if (name.empty() || name[0] != '-' || name == "-")
            program = name;
    }

    SimSession session;
    Quiet quiet;
    int status = 0;
    if (!session.Open(args, ReadFile, quiet, &status))
        return 77;
    const Machine &m = session.machine();
    for (unsigned a = 0; a < kStoreSize; ++a)
        if (m.At(a).fault != Fault::Empty)
            base.words[a] = m.WordAt(a);

    std::vector<TestCase> cases(1);
    if (!test.empty()) {
        std::string text, error, source;
        std::vector<std::string> problems;
        Equates equates;
        if (!ReadFile(program, &source, &error) || !ReadFile(test, &text, &error))
            return 77;
        if (program.size() < 4 || program.compare(program.size() - 4, 4, ".mic") != 0)
            for (const auto &e : AssembleText(source).equates)
                equates[e.first] = e.second;
        cases.clear();
        if (!ParseTestFile(test, text, equates, &cases, &problems))
            return 77;
    }
    int number = 0;
    for (const TestCase &t : cases) {
        auto machine = std::make_unique<Machine>(m);
        for (const Assignment &a : t.sets)
            WritePlace(*machine, a.place, a.value);
        Job job = base;
        const Registers &r = machine->regs;
        job.r = r.r;
        job.q = r.q;
        job.mar = r.mar;
        job.ir = r.ir;
        job.uflag = r.uflag;
        job.mflag = r.mflag;
        job.start = r.upc;
        for (size_t a = 0; a < kMemoryWords; ++a)
            if (machine->memory[a])
                job.memory[static_cast<unsigned>(a)] = machine->memory[a];
        if (!WriteJob(dir + "/" + std::to_string(++number), job))
            return 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Generated programs.

// The field values the board defines, as zanfo and hand-made words use them.
const unsigned kDestinations[] = {5, 7, 8, 9, 11, 13, 15};
const unsigned kBuses[] = {0, 0, 0, 1, 2, 4, 5, 6, 7, 8, 9, 10};
const unsigned kFlagInstrs[] = {0, 0, 2, 3, 4, 4, 5, 5, 6, 7};

template <size_t N>
unsigned PickOf(Rng &rng, const unsigned (&list)[N]) {
    return list[rng.Below(N)];
}

// A register address: mostly one of a few registers, so that words use
// what others wrote.
unsigned Register(Rng &rng) { return rng.OneIn(4) ? rng.Below(64) : rng.Below(6); }

// A word of the datapath with CONT: any source, function, destination,
// shift, bus and flag code the board defines.
uint64_t DataWord(Rng &rng) {
    uint64_t w = 0;
    w = PutField(w, Field::Sequencer, 14);
    w = PutField(w, Field::CondEnable, rng.Below(2));
    w = PutField(w, Field::CondCode, rng.Below(32));
    w = PutField(w, Field::YBusCtrl, PickOf(rng, kBuses));
    w = PutField(w, Field::ShiftCtrl, rng.OneIn(3) ? 2 : 0);
    w = PutField(w, Field::FlagInstr, PickOf(rng, kFlagInstrs));
    w = PutField(w, Field::CarryIn, rng.Below(2));
    w = PutField(w, Field::AluDest, PickOf(rng, kDestinations));
    w = PutField(w, Field::AluFunction, rng.Below(8));
    w = PutField(w, Field::AluSource, rng.Below(8));
    w = PutField(w, Field::RegSelect, rng.OneIn(4) ? rng.Below(4) : 0);
    w = PutField(w, Field::RegB, Register(rng));
    w = PutField(w, Field::RegA, Register(rng));
    w = PutField(w, Field::ConstantAddr, rng.OneIn(2) ? rng.Below(16) : static_cast<uint32_t>(rng.Next()));
    return w;
}

// `w` with a sequencer instruction: the test (none, or condition `cond`)
// and the target D in ConstantAddr's low 12 bits.
uint64_t Sequence(uint64_t w, unsigned instruction, bool always, unsigned cond, unsigned target) {
    w = PutField(w, Field::Sequencer, instruction);
    w = PutField(w, Field::CondEnable, always);
    w = PutField(w, Field::CondCode, cond);
    return PutField(w, Field::ConstantAddr, (GetField(w, Field::ConstantAddr) & 0xF000) | (target & 0xFFF));
}

// A program laid out from `base` on, wrapping at the end of the store.
class Layout {
  public:
    Layout(Job &job, unsigned base) : job_(job), base_(base) {}
    unsigned Here() const { return (base_ + count_) & 0xFFF; }
    unsigned Put(uint64_t word) {
        unsigned at = Here();
        job_.words[at] = word;
        ++count_;
        return at;
    }
    void Set(unsigned at, uint64_t word) { job_.words[at] = word; }
    unsigned Within(Rng &rng) const { return (base_ + rng.Below(count_ + 1)) & 0xFFF; }

  private:
    Job &job_;
    unsigned base_;
    unsigned count_ = 0;
};

uint64_t Halt(uint64_t w) { return PutField(w, Field::Break, 1); }

// A test that mostly passes or mostly fails: no condition, or a random one.
bool Always(Rng &rng) { return rng.OneIn(3); }

void StraightLine(Rng &rng, Layout &p) {
    for (unsigned n = 3 + rng.Below(30); n-- > 0;)
        p.Put(DataWord(rng));
    p.Put(Halt(DataWord(rng)));
}

// Conditional jumps forwards and backwards (CJP, JRP, CJPP after a PUSH).
void Branches(Rng &rng, Layout &p) {
    std::vector<unsigned> jumps;
    for (unsigned n = 5 + rng.Below(25); n-- > 0;) {
        unsigned at = p.Put(DataWord(rng));
        if (rng.OneIn(3))
            jumps.push_back(at);
    }
    p.Put(Halt(DataWord(rng)));
    static const unsigned kJumps[] = {3, 3, 3, 7, 12, 4, 11, 0};  // CJP, JRP, LDCT, PUSH, CJPP, JZ
    for (unsigned at : jumps)
        p.Set(at, Sequence(DataWord(rng), PickOf(rng, kJumps), Always(rng), rng.Below(32), p.Within(rng)));
}

// Calls and returns: CJS and JSRP to subroutines that end in CRTN, some
// of them calling others.
void Calls(Rng &rng, Layout &p) {
    std::vector<unsigned> calls;
    for (unsigned n = 4 + rng.Below(12); n-- > 0;) {
        unsigned at = p.Put(DataWord(rng));
        if (rng.OneIn(3))
            calls.push_back(at);
    }
    p.Put(Halt(DataWord(rng)));
    std::vector<unsigned> entries;
    for (unsigned s = 1 + rng.Below(4); s-- > 0;) {
        entries.push_back(p.Here());
        for (unsigned n = rng.Below(5); n-- > 0;) {
            unsigned at = p.Put(DataWord(rng));
            if (rng.OneIn(4))
                calls.push_back(at);
        }
        p.Put(Sequence(DataWord(rng), 10, !rng.OneIn(5), rng.Below(32), 0));  // CRTN
    }
    for (unsigned at : calls)
        p.Set(at, Sequence(DataWord(rng), rng.OneIn(4) ? 5 : 1, Always(rng), rng.Below(32),
                           entries[rng.Below(static_cast<uint32_t>(entries.size()))]));
}

// Loops: PUSH with a count, then RFCT; LDCT and RPCT; PUSH and LOOP on a
// condition; PUSH and TWB.  Some are nested.
void Loops(Rng &rng, Layout &p) {
    for (unsigned loops = 1 + rng.Below(3); loops-- > 0;) {
        p.Put(DataWord(rng));
        unsigned count = rng.Below(6);
        unsigned kind = rng.Below(4);
        unsigned head;
        if (kind == 1) {
            p.Put(Sequence(DataWord(rng), 12, true, 0, count));  // LDCT
            head = p.Here();
        } else {
            p.Put(Sequence(DataWord(rng), 4, kind != 2 || Always(rng), rng.Below(32), count));  // PUSH
            head = p.Here();
        }
        for (unsigned n = 1 + rng.Below(4); n-- > 0;)
            p.Put(rng.OneIn(4) ? Sequence(DataWord(rng), 4, true, 0, rng.Below(3)) : DataWord(rng));
        switch (kind) {
        case 0: p.Put(Sequence(DataWord(rng), 8, true, 0, 0)); break;                               // RFCT
        case 1: p.Put(Sequence(DataWord(rng), 9, true, 0, head)); break;                            // RPCT
        case 2: p.Put(Sequence(DataWord(rng), 13, false, rng.Below(32), 0)); break;                 // LOOP
        default: p.Put(Sequence(DataWord(rng), 15, Always(rng), rng.Below(32), p.Here() + 1)); break;  // TWB
        }
    }
    p.Put(Halt(DataWord(rng)));
}

// A fetch and decode loop: MAR <- R15, IR <- memory, R15 + 1, JMAP to a
// routine per opcode, each going back to the fetch; the macro program in
// memory; a mapping that leaves some opcodes out, or none (IR >> 8).
void Jmap(Rng &rng, Layout &p, Job &job) {
    unsigned fetch = p.Here();
    uint64_t w = PutField(0, Field::Sequencer, 14);
    w = PutField(w, Field::AluDest, 9);
    w = PutField(w, Field::AluFunction, 3);
    w = PutField(w, Field::AluSource, 3);  // 0, B
    w = PutField(w, Field::RegB, 15);
    p.Put(PutField(w, Field::YBusCtrl, 5));  // MAR <- R15
    w = PutField(w, Field::YBusCtrl, 2);     // IR <- memory at MAR
    w = PutField(w, Field::AluDest, 11);
    w = PutField(w, Field::AluFunction, 0);
    w = PutField(w, Field::CarryIn, 1);
    p.Put(w);                                 // R15 <- R15 + 1
    p.Put(Sequence(DataWord(rng), 2, true, 0, 0));  // JMAP
    bool mapped = !rng.OneIn(4);
    unsigned opcodes = 2 + rng.Below(5);
    std::vector<unsigned> used;
    for (unsigned op = 0; op < opcodes; ++op) {
        unsigned opcode = mapped ? rng.Below(256) : 0x40 + op;
        used.push_back(opcode);
        // Without a mapping the routine sits at IR >> 8.
        Layout routine(job, mapped ? p.Here() : opcode);
        Layout &r = mapped ? p : routine;
        if (mapped && !rng.OneIn(12))
            job.mapping.emplace(opcode, r.Here());
        for (unsigned n = rng.Below(4); n-- > 0;)
            r.Put(DataWord(rng));
        r.Put(op + 1 == opcodes ? Halt(DataWord(rng)) : Sequence(DataWord(rng), 3, true, 0, fetch));
    }
    // The macro program the fetch reads from R15 = 0 on: the routines'
    // opcodes, now and then any word, and the last routine's, which halts.
    unsigned length = 2 + rng.Below(30);
    for (unsigned at = 0; at < length; ++at)
        job.memory[at] = static_cast<uint16_t>(rng.OneIn(16) ? rng.Next()
                                                             : used[rng.Below(opcodes)] << 8 | rng.Below(256));
    job.memory[length] = static_cast<uint16_t>(used.back() << 8);
    job.r[15] = 0;
}

// Words drawn at random, sequencer instructions and values the model does
// not define included: the stack's errors, JZ, empty addresses.
void Random(Rng &rng, Layout &p) {
    unsigned n = 4 + rng.Below(30);
    for (unsigned i = 0; i < n; ++i) {
        uint64_t w = DataWord(rng);
        if (rng.OneIn(2))
            w = Sequence(w, rng.Below(16), rng.OneIn(2), rng.Below(32), p.Within(rng) + rng.Below(3));
        if (rng.OneIn(40)) {
            static const Field kFields[] = {Field::AluDest, Field::ShiftCtrl, Field::YBusCtrl, Field::FlagInstr};
            Field f = kFields[rng.Below(4)];
            w = PutField(w, f, rng.Below(FieldMask(f) + 1));
        }
        p.Put(rng.OneIn(n) ? Halt(w) : w);
    }
}

int Generate(const std::string &dir, unsigned count, uint64_t seed) {
    Rng rng(seed);
    for (unsigned i = 0; i < count; ++i) {
        Job job;
        job.maxCycles = 3000;
        for (uint16_t &value : job.r)
            value = rng.OneIn(3) ? 0 : static_cast<uint16_t>(rng.OneIn(2) ? rng.Below(8) : rng.Next());
        job.q = static_cast<uint16_t>(rng.Next());
        job.mar = static_cast<uint16_t>(rng.OneIn(2) ? rng.Below(32) : rng.Next());
        job.ir = static_cast<uint16_t>(rng.Next());
        job.uflag = static_cast<uint8_t>(rng.Below(16));
        job.mflag = static_cast<uint8_t>(rng.Below(16));
        job.loopToAddress = rng.OneIn(10);
        unsigned base = rng.OneIn(3) ? 0 : rng.OneIn(8) ? 0xFF0 + rng.Below(16) : rng.Below(4096);
        job.start = base;
        Layout p(job, base);
        switch (i % 6) {
        case 0: StraightLine(rng, p); break;
        case 1: Branches(rng, p); break;
        case 2: Calls(rng, p); break;
        case 3: Loops(rng, p); break;
        case 4: Jmap(rng, p, job); break;
        default: Random(rng, p); break;
        }
        for (unsigned n = rng.Below(3); n-- > 0;)  // data for the words that read memory
            job.memory[(job.mar + rng.Below(8)) & 0xFFFF] = static_cast<uint16_t>(rng.Next());
        if (!WriteJob(dir + "/" + std::to_string(i), job))
            return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "from-args")
        return FromArgs(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
    if (args.size() == 4 && args[0] == "generate")
        return Generate(args[1], static_cast<unsigned>(std::stoul(args[2])), std::stoull(args[3]));
    fprintf(stderr, "usage: cosim_jobs from-args DIR ZANFO-SIM-ARGS... | generate DIR COUNT SEED\n");
    return 2;
}
