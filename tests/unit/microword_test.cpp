// The microword table against the layout of the word, and the in-memory
// assembler against the examples' checked-in .mic files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

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

}  // namespace
