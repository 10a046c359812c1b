// The microword table against the layout of the word, and the in-memory
// assembler against the examples' checked-in .mic files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "assemble.h"
#include "mic_file.h"
#include "microword.h"

namespace {

TEST(MicrowordTable, FieldsTileTheWordFromBit63Down) {
    unsigned next = 64;
    for (size_t i = 0; i < kFieldCount; ++i) {
        const FieldInfo &info = kFieldTable[i];
        EXPECT_EQ(static_cast<size_t>(info.field), i) << info.name;
        EXPECT_EQ(info.low + info.width, next) << info.name;
        next = info.low;
        for (size_t v = 0; v < info.valueCount; ++v)
            EXPECT_LE(info.values[v].code, FieldMask(info.field)) << info.name;
    }
    EXPECT_EQ(next, 0u);
}

TEST(MicrowordTable, PutAndGetAgreeOnEveryField) {
    for (const FieldInfo &info : kFieldTable) {
        uint64_t word = PutField(~uint64_t{0}, info.field, 0);
        EXPECT_EQ(GetField(word, info.field), 0u) << info.name;
        EXPECT_EQ(PutField(word, info.field, FieldMask(info.field)), ~uint64_t{0}) << info.name;
    }
}

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(AssembleText, GivesTheExamplesCheckedInWords) {
    for (const char *name : {"fetch_decode", "multiply", "distance", "clamp"}) {
        std::string base = std::string(ZANFO_EXAMPLES_DIR) + "/" + name;
        Assembly a = AssembleText(Slurp(base + ".zan"));
        EXPECT_TRUE(a.parsed) << name;
        EXPECT_EQ(a.diagnostics, "") << name;
        EXPECT_EQ(a.mic, Slurp(base + ".mic")) << name;
        MicFile mic = ParseMicText(name, a.mic, MicUse::ControlStore);
        EXPECT_FALSE(mic.Refused()) << name;
    }
}

TEST(AssembleText, KeepsDiagnosticsAndStopsOnASyntaxError) {
    Assembly a = AssembleText("PROGRAM p\nJUMP(nowhere);\nR1 = ;\nEND\n");
    EXPECT_FALSE(a.parsed);
    EXPECT_EQ(a.mic, "");
    EXPECT_EQ(a.diagnostics, "error:3:parse error\n");
    Assembly b = AssembleText("PROGRAM p\nJUMP(nowhere) # \nEND\n");
    EXPECT_TRUE(b.parsed);
    EXPECT_EQ(b.notices, "Unrecognized character: (35) #\nUnrecognized character: (35) #\n");  // once a pass
    EXPECT_EQ(b.diagnostics, "error:2:Identificador desconocido\n");
}

// Each word names the lines of its first and last token: across comments,
// ORG and EQU, a label right after the program name, items split over
// lines, and several microinstructions on one line.
TEST(AssembleText, NamesTheLinesOfEveryWord) {
    Assembly a = AssembleText(
        "PROGRAM p start: NOP;\n"   // 1
        "{ a comment\n"             // 2
        "  over lines }\n"          // 3
        "EQU x R1; ORG 16;\n"       // 4
        "  x = x + 1,\n"            // 5
        "\n"                        // 6
        "  LSR ; HALT;\n"           // 7
        "JUMP(start)\n"             // 8
        "END\n");
    std::vector<std::tuple<int, int, int>> got;
    for (const Assembly::Word &w : a.words)
        got.emplace_back(w.address, w.firstLine, w.lastLine);
    EXPECT_EQ(got, (std::vector<std::tuple<int, int, int>>{{0, 1, 1}, {16, 5, 7}, {17, 7, 7}, {18, 8, 8}}));
    EXPECT_TRUE(AssembleText("PROGRAM p\nR1 = ;\nEND\n").words.empty());  // no second pass
}

// One source record per line of the .mic file, at that line's address.
TEST(AssembleText, NamesASourceForEveryLineOfTheExamples) {
    for (const char *name : {"fetch_decode", "multiply", "distance", "clamp"}) {
        Assembly a = AssembleText(Slurp(std::string(ZANFO_EXAMPLES_DIR) + "/" + name + ".zan"));
        std::istringstream mic(a.mic);
        std::string address, word;
        size_t i = 0;
        for (; mic >> address >> word; ++i) {
            ASSERT_LT(i, a.words.size()) << name;
            EXPECT_EQ(std::stoi(address, nullptr, 16), a.words[i].address) << name;
            EXPECT_LE(a.words[i].firstLine, a.words[i].lastLine) << name;
        }
        EXPECT_EQ(i, a.words.size()) << name;
    }
}

}  // namespace
