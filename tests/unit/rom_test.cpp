// zanfo-rom: lanes that reassemble into the words, the command line, and
// the records that only stores beyond 64 KiB need.  Every format is read
// back by its real consumer in tests/rom_tools_test.py.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "rom_command.h"
#include "rom.h"

namespace {

// Runs the command on .mic text held in memory.
// A mapping file for --jmap reads as `mapping`.
RomResult RunOn(const std::vector<std::string> &args, const std::string &mic = "0000 4E00009040000000\n",
                bool terminal = false, const std::string &mapping = "") {
    RomEnvironment environment;
    environment.read = [&](const std::string &name, MicUse use) { return ParseMicText(name, mic, use); };
    environment.readText = [&](const std::string &, std::string *text, std::string *) {
        *text = mapping;
        return true;
    };
    environment.sameFile = [](const std::string &a, const std::string &b) { return a == b; };
    environment.stdoutIsTerminal = terminal;
    return RunRom(args, environment);
}

// Random stores, random lane widths: every lane of every word, as bin and
// as readmemh write it, put back together gives the store, fill included.
TEST(RomLanes, ReassembleIntoTheWordsOfTheStore) {
    std::mt19937_64 rng(11);
    for (int round = 0; round < 150; ++round) {
        size_t depth = 1 + rng() % 300;
        uint64_t fill = rng();
        std::vector<uint64_t> store(depth, fill);
        std::string mic;
        for (size_t a = depth; a-- > 0;)  // downwards: file order is not address order
            if (rng() % 3) {
                store[a] = rng() % 4 ? rng() : ~uint64_t{0};
                char line[48];
                snprintf(line, sizeof line, "%04zX %016llX\n", a, static_cast<unsigned long long>(store[a]));
                mic += line;
            }
        unsigned width = 1 + rng() % 64;
        std::vector<uint64_t> fromBin(depth), fromHex(depth);
        for (unsigned lane = 0; lane * width < 64; ++lane) {
            std::vector<std::string> args = {"--depth", std::to_string(depth), "--fill", std::to_string(fill),
                                             "--lane", std::to_string(lane), "--lane-width",
                                             std::to_string(width), "p.mic"};
            args.insert(args.begin(), {"--format", "bin"});
            RomResult bin = RunOn(args, mic);
            args[1] = "readmemh";
            RomResult hex = RunOn(args, mic);
            ASSERT_EQ(bin.status, 0) << bin.err;
            unsigned bytes = (width + 7) / 8;
            ASSERT_EQ(bin.image.size(), depth * bytes) << "width " << width;
            ASSERT_EQ(hex.image.size(), depth * ((width + 3) / 4 + 1)) << "width " << width;
            for (size_t a = 0; a < depth; ++a) {
                uint64_t b = 0;
                for (unsigned i = 0; i < bytes; ++i)
                    b = b << 8 | static_cast<uint8_t>(bin.image[a * bytes + i]);
                uint64_t h = std::stoull(hex.image.substr(a * ((width + 3) / 4 + 1), (width + 3) / 4), nullptr, 16);
                ASSERT_EQ(b, h) << "address " << a << ", lane " << lane << " of " << width;
                ASSERT_TRUE(width == 64 || b >> width == 0) << "lane " << lane << " of " << width;
                fromBin[a] |= b << (lane * width);
            }
        }
        ASSERT_EQ(fromBin, store) << "lanes of " << width << " bits";
    }
}

// Damaged .mic files, in every format: refused with "FILE:LINE: message"
// lines and no image, or converted whole; never anything in between.
TEST(RomCommand, RefusesDamagedFilesWholeInEveryFormat) {
    std::mt19937_64 rng(7);
    const std::string good = "0000 4E3808B941020001\n0001 4300009040000000\n0002 CE00009040000005\n";
    const char noise[] = "0F fG \r\n\t\x80";
    for (int round = 0; round < 300; ++round) {
        std::string mic = good;
        for (int cuts = 1 + rng() % 3; cuts-- > 0;) {
            size_t at = rng() % (mic.size() + 1);
            if (rng() % 2)
                mic.insert(at, 1, noise[rng() % (sizeof noise - 1)]);
            else if (at < mic.size())
                mic.erase(at, 1);
        }
        const RomFormat &format = kRomFormats[rng() % kRomFormatCount];
        RomResult r = RunOn({"--format", format.name, "--depth", std::to_string(1 + rng() % 4), "p.mic"}, mic);
        ASSERT_TRUE(r.status == 0 || r.status == 2) << mic;
        EXPECT_EQ(r.write, r.status == 0) << mic;
        EXPECT_TRUE(r.status == 0 || r.image.empty()) << mic;
        for (size_t line = 0; line < r.err.size(); line = r.err.find('\n', line) + 1)
            EXPECT_EQ(r.err.compare(line, 6, "p.mic:"), 0) << r.err;
    }
}

// A store of 8200 words is 64 KiB and more (--depth goes to 65536): past 64 KiB
// Intel HEX needs an extended linear address record, and the S-records
// take 24-bit addresses (S2) and end with S8.
TEST(RomWriters, AddressesBeyond64KiB) {
    RomImage image;
    image.words.assign(8200, 0x0123456789ABCDEFu);
    image.source = "big.mic";
    std::string ihex, srec;
    WriteIntelHex(image, ihex);
    WriteSrec(image, srec);
    EXPECT_NE(ihex.find(":10FFF0000123456789ABCDEF0123456789ABCDEF81\n"
                        ":020000040001F9\n"
                        ":100000000123456789ABCDEF0123456789ABCDEF70\n"),
              std::string::npos);
    EXPECT_EQ(ihex.find(":02000004"), ihex.rfind(":02000004"));  // once only
    EXPECT_NE(srec.find("\nS2140100000123456789ABCDEF0123456789ABCDEF6A\n"), std::string::npos);
    EXPECT_EQ(srec.substr(srec.size() - 25), "\nS5031004E8\nS804000000FB\n");
}

TEST(RomNames, AreIdentifiersInCAndVhdl) {
    const struct {
        const char *path, *name;
    } cases[] = {
        {"multiply.mic", "multiply"},
        {"work/my-prog.v2.mic", "my_prog_v2"},
        {"1st.mic", "rom_1st"},
        {"__odd__name__.mic", "odd_name"},  // no double, leading or trailing '_' (VHDL)
        {"caf\xC3\xA9.mic", "caf"},
        {".mic", "mic"},
        {"", "store"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IdentifierFor(c.path), c.name) << c.path;
}

TEST(RomCommand, RefusesBadCommandLines) {
    const struct {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{"p.mic"}, "no format: say --format FORMAT"},
        {{"--format", "hex", "p.mic"}, "unknown format 'hex' (formats: readmemh, ihex, srec, mif, coe, bin, c"},
        {{"--format=c"}, "no .mic file"},
        {{"--format=c", "a.mic", "b.mic"}, "one .mic file only, not 2"},
        {{"--format=c", "--dpeth=3", "p.mic"}, "unknown option '--dpeth=3'"},
        {{"--format=c", "-x", "p.mic"}, "unknown option '-x'"},
        {{"p.mic", "--format"}, "option '--format' needs a value"},
        {{"--format=c", "p.mic", "-o"}, "option '-o' needs a value"},
        {{"--format=c", "--output=", "p.mic"}, "--output needs a file name"},
        {{"--format=c", "--depth=0", "p.mic"}, "--depth must be a number of words from 1 to 65536, not '0'"},
        {{"--format=c", "--depth=65537", "p.mic"}, "--depth must be"},
        {{"--format=c", "--depth=1e3", "p.mic"}, "--depth must be"},
        {{"--format=c", "--fill=-1", "p.mic"}, "--fill must be a 64-bit word"},
        {{"--format=c", "--fill=0x", "p.mic"}, "--fill must be"},
        {{"--format=c", "--fill=18446744073709551616", "p.mic"}, "--fill must be"},
        {{"--format=c", "--fill=0x10000000000000000", "p.mic"}, "--fill must be"},
        {{"--format=c", "--fill=4E00009040000000", "p.mic"}, "--fill must be"},  // hexadecimal needs 0x
        {{"--format=c", "--lane=1", "p.mic"}, "--lane needs --lane-width"},
        {{"--format=c", "--lane-width=8", "p.mic"}, "--lane-width needs --lane"},
        {{"--format=c", "--lane=0", "--lane-width=0", "p.mic"}, "--lane-width must be a width from 1 to 64"},
        {{"--format=c", "--lane=0", "--lane-width=65", "p.mic"}, "--lane-width must be"},
        {{"--format=c", "--lane=64", "--lane-width=1", "p.mic"}, "--lane must be a lane number from 0 to 63"},
        {{"--format=c", "--lane=8", "--lane-width=8", "p.mic"}, "lane 8 of width 8 would start at bit 64"},
        {{"--format=c", "--lane=2", "--lane-width=32", "p.mic"}, "lane 2 of width 32 would start at bit 64"},
        {{"--format=c", "--jmap", "j.map", "p.mic"}, "--jmap writes the mapping: no .mic file with it"},
        {{"--format=c", "--jmap=j.map", "--depth=256"}, "--depth is not for the mapping"},
        {{"--format=c", "--jmap=j.map", "--fill=0"}, "--fill is not for the mapping"},
        {{"--format=c", "--jmap="}, "--jmap needs a mapping file"},
        {{"--format=c", "--jmap=j.map", "--lane=2", "--lane-width=8"}, "lane 2 of width 8 would start at bit 16"},
    };
    for (const auto &c : cases) {
        RomResult r = RunOn(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_FALSE(r.write) << c.message;
        EXPECT_EQ(r.err.rfind(std::string("zanfo-rom: ") + c.message, 0), 0u) << r.err;
        EXPECT_NE(r.err.find("Try 'zanfo-rom --help'"), std::string::npos) << c.message;
    }
}

TEST(RomCommand, TakesOptionsInEveryUsualSpelling) {
    const struct {
        std::vector<std::string> args;
        const char *target;
        const char *image;
    } cases[] = {
        {{"--format", "readmemh", "--depth", "2", "p.mic"}, "-", "4E00009040000000\n0000000000000000\n"},
        {{"--format=readmemh", "--depth=0x2", "--fill=18446744073709551615", "-oout.hex", "p.mic"}, "out.hex",
         "4E00009040000000\nFFFFFFFFFFFFFFFF\n"},
        {{"p.mic", "--output", "o", "--format", "readmemh", "--depth", "1", "--lane", "15", "--lane-width", "4"},
         "o", "4\n"},
        {{"--format=readmemh", "--depth=1", "--lane=1", "--lane-width=60", "--", "-p.mic"}, "-",
         "000000000000004\n"},
        {{"--format=readmemh", "--depth=1", "--help", "--bogus"}, "", ""},
    };
    for (const auto &c : cases) {
        RomResult r = RunOn(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.target, c.target);
        EXPECT_EQ(r.image, c.image);
    }
    RomResult help = RunOn({"--help"}), version = RunOn({"--version"});
    EXPECT_EQ(help.out.rfind("Usage: zanfo-rom --format FORMAT", 0), 0u);
    for (size_t i = 0; i < kRomFormatCount; ++i)
        EXPECT_NE(help.out.find(std::string(" ") + kRomFormats[i].name + " "), std::string::npos);
    EXPECT_EQ(version.out.rfind("zanfo-rom (zanfo) ", 0), 0u);
}

TEST(RomCommand, KeepsRawBytesOffTheTerminalAndTheMicFile) {
    RomResult toTerminal = RunOn({"--format=bin", "p.mic"}, "0000 4E00009040000000\n", true);
    EXPECT_EQ(toTerminal.status, 2);
    EXPECT_NE(toTerminal.err.find("not written to a terminal"), std::string::npos);
    EXPECT_EQ(RunOn({"--format=bin", "-o", "p.bin", "p.mic"}, "0000 4E00009040000000\n", true).status, 0);
    EXPECT_EQ(RunOn({"--format=readmemh", "p.mic"}, "0000 4E00009040000000\n", true).status, 0);
    RomResult overInput = RunOn({"--format=c", "-o", "p.mic", "p.mic"});
    EXPECT_EQ(overInput.status, 2);
    EXPECT_EQ(overInput.err, "zanfo-rom: p.mic: the image would replace the .mic file\n");
}

// A whole chip: --depth up to 65536 words, every address past the program
// filled, and a .mic address above the store's 0xFFF refused all the same.
TEST(RomCommand, FillsAChipOf64KiWords) {
    RomResult r = RunOn({"--format=readmemh", "--depth=65536", "--fill=0xCE00009040000000", "p.mic"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.image.size(), 65536u * 17);
    EXPECT_EQ(r.image.substr(0, 34), "4E00009040000000\nCE00009040000000\n");
    EXPECT_EQ(r.image.substr(r.image.size() - 17), "CE00009040000000\n");
    RomResult ihex = RunOn({"--format=ihex", "--depth=65536", "p.mic"});
    EXPECT_NE(ihex.image.find(":020000040007F3\n"), std::string::npos);  // the last 64 KiB of 512
    RomResult above = RunOn({"--format=readmemh", "--depth=65536", "p.mic"}, "1000 4E00009040000000\n");
    EXPECT_EQ(above.status, 2);
    EXPECT_EQ(above.err, "p.mic:1: address 1000 is outside the control store (000..FFF)\n");
}

// --jmap: zanfo-sim's mapping file as the mapping PROM, a 16-bit word per
// opcode, FFFF where the file maps nothing; its problems as zanfo-sim says them.
TEST(RomCommand, WritesTheMappingOfJmap) {
    RomResult r = RunOn({"--format=readmemh", "--jmap", "j.map"}, "", false, "0x20 32  # ADD\n1 0xFFF\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string want;
    for (int opcode = 0; opcode < 256; ++opcode)
        want += opcode == 0x20 ? "0020\n" : opcode == 1 ? "0FFF\n" : "FFFF\n";
    EXPECT_EQ(r.image, want);
    RomResult high = RunOn({"--format=readmemh", "--jmap=j.map", "--lane=1", "--lane-width=8"}, "", false, "0 0x123\n");
    EXPECT_EQ(high.image.substr(0, 6), "01\nFF\n");
    RomResult bad = RunOn({"--format=readmemh", "--jmap=j.map"}, "", false, "0x20 32\n0x20 33\n300 1\n");
    EXPECT_EQ(bad.status, 2);
    EXPECT_FALSE(bad.write);
    EXPECT_EQ(bad.err, "j.map:2: opcode 0x20 mapped twice (first at line 1)\n"
                       "j.map:3: 300 is out of range: at most 255 (0xFF)\n");
}

}  // namespace
