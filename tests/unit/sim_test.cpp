// zanfo-sim as a function: RunSim with files held in memory, the way a
// browser calls it, and the readers of its values and memory images.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli.h"
#include "inputs.h"
#include "reading.h"
#include "sim.h"
#include "sim_helpers.h"

namespace {

int Sim(const std::vector<std::string> &args, const Files &files, Captured &output) {
    return RunSim(args, Reader(files), output);
}

TEST(RunSim, RunsFilesHeldInMemoryAndCanRunAgain) {
    const std::map<std::string, std::string> files = {
        {"p.zan", "PROGRAM p\nEQU x R1;\n x = x + MEM, HALT\nEND\n"},
        {"m.hex", "@10 0005\n"},
        {"t.test", "set MAR=0x10\ncase a\nset x=2\nexpect x=7\ncase b\nexpect x=6\n"},
    };
    for (int run = 0; run < 2; ++run) {  // nothing is left over from the first run
        Captured c;
        EXPECT_EQ(Sim({"--mem", "m.hex", "--test", "t.test", "p.zan"}, files, c), kSimExpectFailed);
        EXPECT_EQ(c.out, "ok    a (1 cycle)\nFAIL  b: x: expected 0x0006 (6), got 0x0005 (5)\n1 passed, 1 failed\n");
        EXPECT_EQ(c.err, "");
    }
    Captured missing;
    EXPECT_EQ(Sim({"q.mic"}, files, missing), kSimBadInput);
    EXPECT_EQ(missing.err, "q.mic: cannot read the file: No such file or directory\n");
}

// --max-cycles takes every count up to 2^64 - 1, and nothing beyond.
TEST(RunSim, MaxCyclesTakesItsWholeRange) {
    const std::map<std::string, std::string> files = {{"p.zan", "PROGRAM p\n HALT\nEND\n"}};
    const struct {
        const char *count;
        int status;
    } cases[] = {
        {"1", kSimHalted},
        {"18446744073709551610", kSimHalted},
        {"18446744073709551615", kSimHalted},
        {"18446744073709551616", kSimBadInput},
        {"18446744073709551620", kSimBadInput},
        {"99999999999999999999", kSimBadInput},
    };
    for (const auto &t : cases) {
        Captured c;
        EXPECT_EQ(Sim({"--max-cycles", t.count, "p.zan"}, files, c), t.status) << t.count << "\n" << c.err;
    }
}

TEST(SimInputs, Numbers) {
    const struct {
        const char *text;
        uint32_t max;
        bool ok;
        uint32_t value;
    } cases[] = {
        {"0", 0xFFFF, true, 0},          {"65535", 0xFFFF, true, 0xFFFF}, {"65536", 0xFFFF, false, 0},
        {"0x1f", 0xFFFF, true, 0x1F},    {"0XFFFF", 0xFFFF, true, 0xFFFF}, {"-1", 0xFFFF, true, 0xFFFF},
        {"-32768", 0xFFFF, true, 0x8000}, {"-32769", 0xFFFF, false, 0},    {"-1", 15, false, 0},
        {"16", 15, false, 0},            {"0x", 0xFFFF, false, 0},         {"12a", 0xFFFF, false, 0},
        {"", 0xFFFF, false, 0},          {"99999999999", 0xFFFF, false, 0},
    };
    for (const auto &t : cases) {
        uint32_t value = 0;
        std::string error;
        EXPECT_EQ(ParseNumber(t.text, t.max, &value, &error), t.ok) << t.text;
        if (t.ok) {
            EXPECT_EQ(value, t.value) << t.text;
        }
    }
}

// The one reader of whole numbers behind the counts (--max-cycles,
// --random, a test file's max-cycles) and zanfo-rom's sizes.
TEST(SimInputs, WholeNumbersOverTheWholeRange) {
    const struct {
        const char *text;
        bool hex;
        bool ok;
        uint64_t value;
    } cases[] = {
        {"0", false, true, 0},
        {"18446744073709551615", false, true, UINT64_MAX},
        {"18446744073709551616", false, false, 0},
        {"0xFFFFFFFFFFFFFFFF", true, true, UINT64_MAX},
        {"0x10000000000000000", true, false, 0},
        {"0x1f", true, true, 0x1F},
        {"0x1f", false, false, 0},
        {"0x", true, false, 0},
        {"", false, false, 0},
        {"-1", false, false, 0},
        {"+1", false, false, 0},
        {" 1", false, false, 0},
    };
    for (const auto &t : cases) {
        uint64_t value = 0;
        EXPECT_EQ(ParseUnsigned(t.text, t.hex, &value), t.ok) << t.text;
        if (t.ok) {
            EXPECT_EQ(value, t.value) << t.text;
        }
    }
    uint64_t value;
    EXPECT_FALSE(ParseUnsigned(std::string("1\0", 2), false, &value));  // a NUL inside a word is no digit
}

TEST(OptionReader, ValuesOperandsAndTheEndOfOptions) {
    const struct {
        std::vector<std::string> args;
        const char *options;   // NAME=VALUE each, joined by blanks
        const char *operands;  // joined by blanks
        const char *error;
    } cases[] = {
        {{"--map=m", "a", "-", "--start", "5", "-o", "x", "--", "--trace", "b"}, "--map=m --start=5 -o=x", "a - --trace b", ""},
        {{"--trace", "--map", "=", "a"}, "--trace= --map==", "a", ""},
        {{"a", "--trace=1", "b"}, "", "a", "option --trace takes no value"},
        {{"--start"}, "", "", "option --start needs a value"},
    };
    for (const auto &c : cases) {
        OptionReader line(c.args, {"--map", "--start", "-o"});
        std::string name, value, error, options, operands;
        while (line.Next(&name, &value, &error))
            options += (options.empty() ? "" : " ") + name + "=" + value;
        for (const std::string &o : line.Operands())
            operands += (operands.empty() ? "" : " ") + o;
        EXPECT_EQ(options, c.options) << c.args[0];
        EXPECT_EQ(operands, c.operands) << c.args[0];
        EXPECT_EQ(error, c.error) << c.args[0];
    }
}

TEST(SimInputs, WordedLinesCutCommentsBlanksAndLineEnds) {
    const std::string text = "  CASE  two  words \t# a comment\r\n\n# only a comment\n \t\r\nprove\tx#y\r\nend";
    const struct {
        unsigned number;
        const char *keyword, *rest;
        size_t words;
    } want[] = {{1, "case", "two  words", 3}, {5, "prove", "x", 2}, {6, "end", "", 1}};
    const std::vector<WordedLine> lines = WordedLines(text);
    ASSERT_EQ(lines.size(), std::size(want));
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].number, want[i].number) << i;
        EXPECT_EQ(lines[i].Keyword(), want[i].keyword) << i;
        EXPECT_EQ(lines[i].Rest(), want[i].rest) << i;
        EXPECT_EQ(lines[i].words.size(), want[i].words) << i;
    }
}

TEST(SimInputs, MemoryImageAddressesAndComments) {
    std::vector<MemoryWord> words;
    std::vector<std::string> problems;
    ASSERT_TRUE(ParseMemoryImage("m", "1 // one\n@fffe ab_cd /* two\nlines */ 3\r\n", &words, &problems));
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0].address, 0);
    EXPECT_EQ(words[1].address, 0xFFFE);
    EXPECT_EQ(words[1].value, 0xABCD);
    EXPECT_EQ(words[2].address, 0xFFFF);
    EXPECT_FALSE(ParseMemoryImage("m", "@ffff 1 2\n", &words, &problems));
    EXPECT_EQ(problems.back(), "m:1: word past the end of memory (FFFF)");
}

}  // namespace
