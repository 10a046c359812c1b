// zanfo's messages for one program, explained (lexyacc/notes.h): each
// message with its explanation and the notes and hints for this program.
#include <gtest/gtest.h>

#include <string>

#include "errors.h"
#include "explain.h"
#include "notes.h"

namespace {

// Every note and hint of a source's messages, a line each: "hint: ...".
std::string NotesOf(const std::string &source) {
    std::string text;
    for (const ExplainedMessage &m : ExplainSource(source))
        for (const MessageNote &note : m.notes)
            text += (note.hint ? "hint: " : "note: ") + note.text + "\n";
    return text;
}

// One cause each: the source, a line its notes hold, and one they must not.
TEST(Notes, NameTheLikelyCause) {
    const struct {
        const char *source;
        const char *has;
        const char *hasNot;
    } cases[] = {
        // A keyword, a register or an EQU name as a label.
        {"PROGRAM p\nloop: NOP;\n JUMP(loop)\nEND\n",
         "hint: \"loop\" is the keyword LOOP, so it cannot be a label: call the label something else, such as "
         "loop1, here and in its jumps\n", "did you mean"},
        {"PROGRAM p\nUZ: NOP\nEND\n", "hint: \"UZ\" is the condition UZ, so it cannot be a label", ""},
        {"PROGRAM p\nR1: NOP\nEND\n",
         "hint: \"R1\" is a register, so it cannot be a label: give the label a name of its own\n", ""},
        {"PROGRAM p\nEQU acc R1;\nacc: NOP\nEND\n", "hint: \"acc\" is already the EQU name of R1, so it cannot be a label", ""},
        // ... as an EQU name, or as a jump target.
        {"PROGRAM p\nEQU loop R1;\n NOP\nEND\n",
         "hint: \"loop\" is the keyword LOOP, so it cannot be a new EQU name: choose another name, such as loop1\n", ""},
        {"PROGRAM p\nEQU acc R1;\nEQU acc R2;\n NOP\nEND\n",
         "hint: \"acc\" is already the EQU name of R1, so it cannot be a new EQU name", "such as"},
        {"PROGRAM p\n JUMP(halt)\nEND\n", "hint: \"halt\" is the keyword HALT, so it cannot name a label", ""},
        // ... as the program's name.
        {"PROGRAM loop\nEQU n R2;\n NOP\nEND\n",
         "hint: \"loop\" is the keyword LOOP, so it cannot name the program: zanfo reads it as the program's first "
         "item; call the program something else, such as loop1\n", ""},
        // A number where a register must stand.
        {"PROGRAM p\nEQU acc 5;\n NOP\nEND\n", "hint: EQU names a register (EQU acc R5), not a number", ""},
        {"PROGRAM p\n INCR(5)\nEND\n", "hint: 5 is a number where a register must stand", ""},
        {"PROGRAM p\n R1 = 5\nEND\n", "", "hint"},  // no message at all
        // Misspelt keywords, separators, comments, the end.
        {"PROGRAM p\nloop1: NOP;\n  JUPM(loop1, NUZ)\nEND\n", "hint: \"JUPM\" is no keyword; did you mean JUMP?\n", ""},
        {"PROGRAM p\nR1 = R2\nR3 = R4\nEND\n", "hint: a \";\" is missing at the end of line 2\n", ""},
        {"PROGRAM p\r\nR1 = R2\r\nR3 = R4\r\nEND\r\n", "hint: a \";\" is missing at the end of line 2\n", ""},
        {"PROGRAM p\nNOP;\nEND\n", "remove the one before END\n", "is missing"},
        {"PROGRAM p\nNOP; { open\nNOP\nEND\n", "hint: the comment opened on line 2 is never closed", ""},
        {"PROGRAM p\nNOP\n", "hint: the program ends without END\n", "comment"},
        // The label meant: only one that is spelt nearly so.
        {"PROGRAM p\nstart: NOP;\nJUMP(strat)\nEND\n",
         "note: \"strat\" is no label; the nearest by spelling is \"start\" (0000)\n", ""},
        {"PROGRAM p\nagain: NOP;\nJUMP(finish)\nEND\n",
         "note: \"finish\" is no label, nor spelt like one of the program's: again\n", "nearest"},
        {"PROGRAM p\nJUMP(x)\nEND\n", "note: \"x\" is no label, and the program has none\n", ""},
    };
    for (const auto &c : cases) {
        const std::string notes = NotesOf(c.source);
        EXPECT_NE(notes.find(c.has), std::string::npos) << c.source << "---\n" << notes;
        if (*c.hasNot) {
            EXPECT_EQ(notes.find(c.hasNot), std::string::npos) << c.source << "---\n" << notes;
        }
    }
}

// Every message comes once, in zanfo's order, with its line, its kind and
// its explanation; the notices of stray characters once, at their line.
TEST(Notes, ListEveryMessageOnce) {
    const auto messages = ExplainSource("PROGRAM p\nINCR(R64);\nNOP #;\nJUMP(x)\nEND\n");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].kind, ExplainedMessage::Error);
    EXPECT_EQ(messages[0].line, 2);
    EXPECT_EQ(messages[0].message, msgBadRegisterNumber);
    EXPECT_EQ(messages[1].message, msgUnknownIdentifier);
    EXPECT_EQ(messages[1].line, 4);
    EXPECT_EQ(messages[2].kind, ExplainedMessage::Notice);
    EXPECT_EQ(messages[2].line, 3);
    EXPECT_EQ(messages[2].message, "Unrecognized character: (35) #");
    for (const ExplainedMessage &m : messages)
        EXPECT_EQ(m.explanation, ExplainMessage(m.message));
    const auto fatal = ExplainSource("PROGRAM p\n" + std::string(9000, 'a') + "\nEND\n");
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_EQ(fatal[0].kind, ExplainedMessage::Fatal);
    EXPECT_NE(fatal[0].explanation, nullptr);
    EXPECT_TRUE(ExplainSource("PROGRAM p\nNOP\nEND\n").empty());
}

}  // namespace
