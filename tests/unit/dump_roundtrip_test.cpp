// zanfo-dump --source against zanfo itself: every program zanfo assembles
// without a diagnostic goes .mic -> source -> .mic and comes back the same,
// byte for byte.
//
// The programs are generated: every kind of item, the ALU's operand pairs
// in both orders, the 32 conditions, labels jumped to forwards and
// backwards, ORGs forwards and backwards (so that addresses repeat) and
// past the end of the store, numbers in the three bases and beyond 16 bits.
// A statement that zanfo reports anything about is drawn again.
//
// ctest runs a few thousand programs; for a long run set
//   ZANFO_ROUNDTRIP_PROGRAMS=100000 ZANFO_ROUNDTRIP_SEED=7 build/tests/zanfo_dump_tests
//       --gtest_filter='*Generated*'
// (one command line), or `make roundtrip`.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assemble.h"
#include "disassemble.h"
#include "mic_file.h"
#include "notation.h"
#include "splitmix64.h"

namespace {

const char *const kConditions[] = {
    "UZ",  "NUZ",  "MZ",  "NMZ",  "UV",  "NUV",  "MV",  "NMV",  "UN",  "NUN",  "MN",
    "NMN", "UC",   "NUC", "MC",   "NMC", "USG",  "USGE", "MSG", "MSGE", "USS", "USSE",
    "MSS", "MSSE", "UUG", "UUGE", "MUG", "MUGE", "UUS", "UUSE", "MUS", "MUSE",
};
const char *const kOperators[] = {"+", "-", "AND", "OR", "NOTRS", "XOR", "XNOR"};
const char *const kUnary[] = {"INCR", "DECR", "NOT", "NEG"};
const char *const kShifts[] = {"ASR", "ASL", "LSR", "LSL"};
const char *const kFlagLoads[] = {"LDUFLAG", "LDMFLAG"};
const char *const kBusLoads[] = {"LDIR", "LDMAR"};

// Equated names, in every program: a register, an IRA, an IRB and Q.
const char kEquates[] = "EQU acc R7;\nEQU ix IRA2;\nEQU iy IRB3;\nEQU q RQ;\n";

class ProgramGenerator {
  public:
    explicit ProgramGenerator(uint64_t seed) : rng_(seed) {}

    // A program that zanfo assembles without a word of complaint.
    std::string Next() {
        const uint32_t count = 1 + rng_.Below(40);
        std::vector<std::string> statements;
        std::vector<std::string> labels;
        for (uint32_t i = 0; i < count; ++i) {
            if (rng_.OneIn(10))
                statements.push_back("ORG " + Number(rng_.OneIn(4) ? 4090 + rng_.Below(6) : rng_.Below(4096)));
            std::string label;
            if (rng_.OneIn(3)) {
                label = "lab" + std::to_string(i);
                labels.push_back(label);
            }
            statements.push_back((label.empty() ? "" : label + ": ") + Statement());
        }
        std::string program = "PROGRAM gen\n";
        program += kEquates;
        for (size_t i = 0; i < statements.size(); ++i) {
            std::string s = statements[i];
            for (size_t at; (at = s.find('@')) != std::string::npos;)
                s.replace(at, 1, labels.empty() || rng_.OneIn(4) ? Number(rng_.Below(70000)) : labels[rng_.Below(
                                                                       static_cast<uint32_t>(labels.size()))]);
            program += s + (i + 1 < statements.size() ? ";" : "") + (rng_.OneIn(8) ? " { note }" : "") + "\n";
        }
        return program + "END\n";
    }

  private:
    // One microinstruction's items, "@" for a jump target; drawn again
    // until zanfo takes it without a diagnostic.
    std::string Statement() {
        for (;;) {
            std::vector<std::string> items;
            if (!rng_.OneIn(8))
                items.push_back(AluItem());
            if (rng_.OneIn(6))
                items.push_back(rng_.Pick(kShifts));
            if (rng_.OneIn(8))
                items.push_back(rng_.Pick(kFlagLoads));
            if (rng_.OneIn(8))
                items.push_back(rng_.Pick(kBusLoads));
            if (rng_.OneIn(2))
                items.push_back(SequencerItem());
            if (rng_.OneIn(15))
                items.push_back("HALT");
            if (items.empty() || rng_.OneIn(20))
                items.push_back("NOP");
            for (size_t i = items.size(); i > 1; --i)
                std::swap(items[i - 1], items[rng_.Below(static_cast<uint32_t>(i))]);
            std::string text;
            for (const std::string &item : items)
                text += (text.empty() ? "" : ", ") + item;
            if (rng_.OneIn(10))
                for (char &c : text)
                    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            std::string alone = text;
            for (size_t at; (at = alone.find('@')) != std::string::npos;)
                alone.replace(at, 1, "12");
            Assembly a = AssembleText(std::string("PROGRAM\n") + kEquates + alone + "\nEND\n");
            if (a.parsed && a.diagnostics.empty() && a.notices.empty())
                return text;
        }
    }

    std::string SequencerItem() {
        switch (rng_.Below(10)) {
        case 0: return "JMPZ";
        case 1: return "JMAP";
        case 2: return "LDCOUNT(" + Number(rng_.Below(70000)) + ")";
        case 3: return "LOOP(@)";
        case 4: return "RET";
        case 5: return std::string("RET(") + rng_.Pick(kConditions) + ")";
        case 6: return "CALL(@)";
        case 7: return std::string("CALL(@, ") + rng_.Pick(kConditions) + ")";
        case 8: return "JUMP(@)";
        default: return std::string("JUMP(@, ") + rng_.Pick(kConditions) + ")";
        }
    }

    // Registers come mostly from two per statement, so that destinations
    // and operands often are the same register.
    std::string AluItem() {
        regs_[0] = rng_.Below(64);
        regs_[1] = rng_.OneIn(3) ? regs_[0] : rng_.Below(64);
        switch (rng_.Below(10)) {
        case 0: {
            const char *targets[] = {"R", "IRB", "RQ"};
            return std::string(rng_.Pick(kUnary)) + "(" + Operand(targets[rng_.Below(3)]) + ")";
        }
        case 1: case 2: {
            const char *dsts[] = {"R", "RQ", "IRB"};
            const char *srcs[] = {"R", "IRA", "IRB", "MEM", "UFLAG", "MFLAG", "N", "RQ"};
            return Operand(rng_.Pick(dsts)) + " = " + Operand(rng_.Pick(srcs));
        }
        case 3: {
            const char *dsts[] = {"MEM", "UFLAG", "MFLAG"};
            const char *srcs[] = {"RQ", "IRA", "IRB", "R", "N"};
            return Operand(rng_.Pick(dsts)) + " = " + Operand(rng_.Pick(srcs));
        }
        case 4:
            return "COMP(" + AnyOperand() + ", " + AnyOperand() + ")";
        default: {
            const char *dsts[] = {"R", "R", "RQ", "IRB", "MEM", "UFLAG", "MFLAG"};
            return Operand(rng_.Pick(dsts)) + " = " + AnyOperand() + " " + rng_.Pick(kOperators) + " " +
                   AnyOperand();
        }
        }
    }

    std::string AnyOperand() {
        const char *kinds[] = {"R", "R", "R", "RQ", "IRA", "IRB", "UFLAG", "MFLAG", "MEM", "N", "N"};
        return Operand(rng_.Pick(kinds));
    }

    std::string Operand(const std::string &kind) {
        if (kind == "R")
            return rng_.OneIn(12) ? "acc" : "R" + std::to_string(regs_[rng_.Below(2)]);
        if (kind == "IRA")
            return rng_.OneIn(6) ? "ix" : "IRA" + std::to_string(rng_.Below(4));
        if (kind == "IRB")
            return rng_.OneIn(6) ? "iy" : "IRB" + std::to_string(rng_.Below(4));
        if (kind == "RQ")
            return rng_.OneIn(6) ? "q" : "RQ";
        if (kind == "N") {
            // 65536 and 131072 put a 0 on the bus; 4294967296 reads as 0.
            const char *edges[] = {"65535", "65536", "$20000", "4294967296"};
            return rng_.OneIn(10) ? rng_.Pick(edges)
                                  : Number(rng_.OneIn(4) ? 0 : rng_.OneIn(3) ? rng_.Below(16) : rng_.Below(70000));
        }
        return kind;
    }

    // Decimal, $hex or %octal.
    std::string Number(uint32_t n) {
        std::ostringstream text;
        switch (rng_.Below(4)) {
        case 0: text << '$' << std::hex << std::uppercase << n; break;
        case 1: text << '%' << std::oct << n; break;
        default: text << n; break;
        }
        return text.str();
    }

    Rng rng_;
    uint32_t regs_[2] = {0, 0};
};

uint64_t FromEnvironment(const char *name, uint64_t fallback) {
    const char *text = getenv(name);
    return text && *text ? strtoull(text, nullptr, 10) : fallback;
}

// .mic text -> source -> .mic text.
void ExpectRoundTrip(const std::string &name, const std::string &mic, const std::string &context) {
    MicFile file = ParseMicText(name, mic, MicUse::Listing);
    ASSERT_FALSE(file.Refused()) << context;
    for (const MicWord &w : file.words)
        for (const std::string &note : Inexpressible(w.word))
            ADD_FAILURE() << context << "\nword " << w.line << ": " << note;
    Disassembly d = Disassemble(file);
    EXPECT_TRUE(d.exact) << context << "\n" << d.source;
    for (const MicProblem &p : d.problems)
        ADD_FAILURE() << context << "\n" << FormatProblem(file, p) << "\n" << d.source;
    Assembly back = AssembleText(d.source);
    EXPECT_EQ(back.diagnostics, "") << context << "\n" << d.source;
    EXPECT_EQ(back.mic, mic) << context << "\n" << d.source;
}

TEST(SourceRoundTrip, GeneratedProgramsComeBackTheSame) {
    const uint64_t programs = FromEnvironment("ZANFO_ROUNDTRIP_PROGRAMS", 3000);
    const uint64_t seed = FromEnvironment("ZANFO_ROUNDTRIP_SEED", 1);
    ProgramGenerator generate(seed);
    const auto start = std::chrono::steady_clock::now();
    uint64_t words = 0;
    for (uint64_t i = 0; i < programs && !HasFailure(); ++i) {
        std::string program = generate.Next();
        Assembly a = AssembleText(program);
        if (!a.diagnostics.empty() || !a.parsed)
            FAIL() << "the generator made a program with diagnostics:\n" << a.diagnostics << program;
        words += a.mic.size() / 22;
        ExpectRoundTrip("gen.mic", a.mic, "program " + std::to_string(i) + " of seed " + std::to_string(seed) +
                                              ":\n" + program);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("round trip: %llu programs, %llu microwords, seed %llu, %.1f s\n",
           static_cast<unsigned long long>(programs), static_cast<unsigned long long>(words),
           static_cast<unsigned long long>(seed), seconds);
}

std::string Slurp(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The bundled examples and the .mic file of every end-to-end case whose
// source zanfo assembles without a diagnostic.
TEST(SourceRoundTrip, ExamplesAndCleanCasesComeBackTheSame) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(ZANFO_EXAMPLES_DIR))
        if (entry.path().extension() == ".mic")
            files.push_back(entry.path());
    for (const auto &c : fs::directory_iterator(ZANFO_E2E_DIR)) {
        if (!fs::is_directory(c.path() / "expected") || fs::exists(c.path() / "expected_stderr"))
            continue;
        for (const auto &entry : fs::recursive_directory_iterator(c.path() / "expected"))
            if (entry.path().extension() == ".mic" && fs::file_size(entry.path()) > 0)
                files.push_back(entry.path());
    }
    EXPECT_GT(files.size(), 20u);
    for (const fs::path &file : files)
        ExpectRoundTrip(file.filename().string(), Slurp(file), file.string());
}

}  // namespace
