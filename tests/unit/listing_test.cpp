// zanfo-dump --listing: the words beside their lines, the notes after
// zanfo's diagnostics and the warnings zanfo does not give; and the
// command's options.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>

#include "dump.h"
#include "listing.h"
#include "notes.h"

namespace {

bool Has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// One behaviour each: the source, and a row its listing must hold.
TEST(Listing, NotesAndWarnings) {
    const struct {
        const char *source;
        const char *row;
    } cases[] = {
        // A word beside the first line of its statement; a program name is no statement.
        {"PROGRAM p NOP;\nstart:\n  JUMP(start)\nEND\n", "0000 4E00009040000000      1  PROGRAM p NOP;\n"},
        {"PROGRAM p NOP;\nstart:\n  JUMP(start)\nEND\n", "0001 4300009040000001      2  start:\n"},
        {"PROGRAM p NOP; NOP\nEND\n", "0000 4E00009040000000      1  PROGRAM p NOP; NOP\n0001 4E00009040000000\n"},
        // Syntax errors: where the parser stopped, what it took there, and why.
        {"PROGRAM p\nloop1: NOP;\n  JUPM(loop1, NUZ)\nEND\n",
         "note: the parser stopped at \"(\" on line 3; there it takes \":\"\n"},
        {"PROGRAM p\nloop1: NOP;\n  JUPM(loop1, NUZ)\nEND\n", "hint: \"JUPM\" is no keyword; did you mean JUMP?\n"},
        {"PROGRAM p\nNOP;\nHLAT\nEND\n", "hint: \"HLAT\" is no keyword; did you mean HALT?\n"},
        {"PROGRAM p\nR1 = R2\nR3 = R4\nEND\n", "hint: a \";\" is missing at the end of line 2\n"},
        {"PROGRAM p\nNOP;\nEND\n", "remove the one before END\n"},
        {"PROGRAM p\nNOP; { open\nNOP\nEND\n", "hint: the comment opened on line 2 is never closed"},
        {"PROGRAM p\nNOP\n", "hint: the program ends without END\n"},
        // An unknown name and the label nearest to it.
        {"PROGRAM p\nstart: NOP;\nJUMP(strat)\nEND\n",
         "error:3:Identificador desconocido\n                              note: A JUMP, CALL or LOOP names"},
        {"PROGRAM p\nstart: NOP;\nJUMP(strat)\nEND\n",
         "the word jumps to address 0 instead. Correct the name, or add the label.\n"
         "                              note: \"strat\" is no label; the nearest by spelling is \"start\" (0000)\n"},
        // Characters outside the language: at their line, once, explained.
        {"PROGRAM p\nNOP #\nEND\n",
         "      2  NOP #\n                              Unrecognized character: (35) #\n"
         "                              note: A character that starts no word"},
        // zanfo's Latin-1 in UTF-8.
        {"PROGRAM p\nORG 5000; NOP\nEND\n", "error:2:Direcci\xC3\xB3n fuera de rango\n"},
        // Where zanfo is silent.
        {"PROGRAM p\nR1 = 70000\nEND\n", "warning: 70000 does not fit the 16-bit ConstantAddr field"},
        {"PROGRAM p\nLDCOUNT($10000)\nEND\n", "warning: $10000 does not fit"},
        {"PROGRAM p\nORG 4095; NOP; NOP; NOP\nEND\n",
         "warning: microinstructions counted past 4095 without an ORG: this one goes to 1000"},
        {"PROGRAM p\nORG 16; NOP;\nORG 16; NOP\nEND\n",
         "warning: a second microinstruction at address 0010 (the first is on line 2)"},
        // The symbols.
        {"PROGRAM p\nEQU acc R1; EQU ix IRA2;\nstart: acc = ix\nEND\n",
         "Labels:\n    start            0000\nEquates:\n    acc              R1\n    ix               IRA2\n"},
    };
    for (const auto &c : cases) {
        Listing listing = ListSource(c.source);
        EXPECT_TRUE(Has(listing.text, c.row)) << c.source << "---\n" << listing.text;
    }
}

TEST(Listing, ZanfoQuietMeansAQuietListing) {
    // Quiet for zanfo and for zanfo-check's checks alike.
    Listing listing =
        ListSource("PROGRAM p\nCALL(start);\nHALT;\nORG 16; { 16 }\nstart: R1 = R2, LDUFLAG;\nRET(NUZ);\nRET\nEND\n");
    EXPECT_TRUE(listing.clean);
    EXPECT_EQ(listing.text,
              "                           1  PROGRAM p\n"
              "0000 4100009040000010      2  CALL(start);\n"
              "0001 CE00009040000000      3  HALT;\n"
              "                           4  ORG 16; { 16 }\n"
              "0010 4E0008B100420000      5  start: R1 = R2, LDUFLAG;\n"
              "0011 0A01009040000000      6  RET(NUZ);\n"
              "0012 4A00009040000000      7  RET\n"
              "                           8  END\n"
              "\nLabels:\n    start            0010\nEquates:\n    (none)\n");
    // zanfo-check's warnings stand under their lines and leave it clean.
    Listing warned = ListSource("PROGRAM p\nR1 = R2\nEND\n");
    EXPECT_TRUE(warned.clean);
    EXPECT_TRUE(Has(warned.text, "0000 4E0000B100420000      2  R1 = R2\n"
                                 "                              warning: the next address, 001, holds no microword: "
                                 "the run stops there; end with HALT or a jump [fall-off]\n"))
        << warned.text;
    EXPECT_FALSE(ListSource("PROGRAM p\nJUMP(x)\nEND\n").clean);
    // No words after a syntax error, as zanfo writes none.
    EXPECT_FALSE(Has(ListSource("PROGRAM p\nNOP; NOP NOP\nEND\n").text, "4E00009040000000"));
    // A token too long for the scanner stops zanfo.
    Listing stopped = ListSource("PROGRAM p\nNOP;\n" + std::string(9000, 'a') + "\nEND\n");
    EXPECT_FALSE(stopped.clean);
    EXPECT_TRUE(Has(stopped.text, "fatal: token too large, exceeds YYLMAX (zanfo stops here, with exit status 2)\n"
                                  "                              note: A single word")) << stopped.text;
}

TEST(Listing, SpellingDistanceCountsSwapsAsOne) {
    EXPECT_EQ(SpellingDistance("JUPM", "JUMP"), 1u);
    EXPECT_EQ(SpellingDistance("hlat", "HALT"), 1u);
    EXPECT_EQ(SpellingDistance("start", "strat"), 1u);
    EXPECT_EQ(SpellingDistance("", "abc"), 3u);
    EXPECT_EQ(SpellingDistance("kitten", "sitting"), 3u);
}

// The command's options, with files in a map.
DumpRun RunWithFiles(const std::vector<std::string> &args) {
    static const std::map<std::string, std::string> files = {
        {"p.mic", "0000 4E00009040000000\n"},
        {"p.zan", "PROGRAM p NOP END\n"},
    };
    return RunDump(args, [](const std::string &name, size_t, std::string *text, int *error) {
        auto found = files.find(name);
        if (found == files.end()) {
            *error = ENOENT;
            return false;
        }
        *text = found->second;
        return true;
    });
}

TEST(DumpCommand, Options) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char *out;     // part of the output
        const char *err;     // part of standard error
        const char *output;  // -o's file
    } cases[] = {
        {{"p.mic"}, 0, "0000 4E00009040000000  CONT  NOP\n", "", ""},
        {{"--fields", "p.mic"}, 0, "    Break             0", "", ""},
        {{"--source", "p.mic"}, 0, "PROGRAM\n       NOP\nEND\n", "", ""},
        {{"--listing", "p.zan"}, 0, "0000 4E00009040000000      1  PROGRAM p NOP END\n", "", ""},
        {{"-o", "x", "p.mic"}, 0, "NOP", "", "x"},
        {{"--output=x", "p.mic"}, 0, "NOP", "", "x"},
        {{"--output", "x", "--", "p.mic"}, 0, "NOP", "", "x"},
        {{"-ox", "p.mic"}, 0, "NOP", "", "x"},
        {{"--help"}, 0, "Usage: zanfo-dump", "", ""},
        {{"--nonsense", "p.mic"}, 2, "", "zanfo-dump: unknown option --nonsense\nUsage:", ""},
        {{"p.mic", "-o"}, 2, "", "zanfo-dump: option -o needs a file name\n", ""},
        {{"--output=", "p.mic"}, 2, "", "zanfo-dump: option --output needs a file name\n", ""},
        {{}, 2, "", "zanfo-dump: no input file\n", ""},
        {{"p.mic", "p.zan"}, 2, "", "zanfo-dump: one input file at a time\n", ""},
        {{"--fields", "--listing", "p.zan"}, 2, "", "--fields and --listing cannot go together", ""},
        {{"gone.mic"}, 2, "", "gone.mic: cannot read the file: No such file or directory\n", ""},
        {{"--listing", "gone.zan"}, 2, "", "gone.zan: cannot read the file: No such file or directory\n", ""},
    };
    for (const auto &c : cases) {
        DumpRun run = RunWithFiles(c.args);
        std::string args;
        for (const std::string &a : c.args)
            args += a + " ";
        EXPECT_EQ(run.status, c.status) << args;
        EXPECT_TRUE(Has(run.out, c.out)) << args << "\n" << run.out;
        EXPECT_TRUE(Has(run.err, c.err)) << args << "\n" << run.err;
        EXPECT_EQ(run.output, c.output) << args;
        EXPECT_EQ(run.writeOutput, c.status != 2) << args;
    }
    EXPECT_TRUE(RunWithFiles({"--version"}).showVersion);
}

}  // namespace
