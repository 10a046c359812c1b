// zanfo-lsp: the editor's columns against zanfo's characters, edits, the
// Latin-1 text zanfo is given, and the protocol's frames.
#include <gtest/gtest.h>

#include <sstream>

#include "protocol.h"
#include "text.h"

namespace {

// Column conversions: one character per case, on a line "ab" + it + "z".
TEST(LspText, ColumnsInEveryUnit) {
    const struct {
        const char *character;  // UTF-8
        long long utf8, utf16, utf32;  // the column of the "z" after it
    } cases[] = {
        {"c", 3, 3, 3},
        {"\xC3\xA9", 4, 3, 3},          // é: two bytes, one UTF-16 unit
        {"\xE2\x82\xAC", 5, 3, 3},      // €: three bytes, one unit
        {"\xF0\x9F\x98\x80", 6, 4, 3},  // 😀: four bytes, a surrogate pair
    };
    for (const auto &c : cases) {
        const EditorText text(std::string("ab") + c.character + "z\nnext");
        const Place z{0, 3};
        EXPECT_EQ(text.ToEditor(z, Units::Utf8), c.utf8) << c.character;
        EXPECT_EQ(text.ToEditor(z, Units::Utf16), c.utf16) << c.character;
        EXPECT_EQ(text.ToEditor(z, Units::Utf32), c.utf32) << c.character;
        EXPECT_EQ(text.FromEditor(0, c.utf16, Units::Utf16).column, 3) << c.character;
        EXPECT_EQ(text.FromEditor(0, c.utf8, Units::Utf8).column, 3) << c.character;
        // A column inside the character is its start; past the line, its end.
        EXPECT_EQ(text.FromEditor(0, c.utf8 - 1, Units::Utf8).column, 2);
        EXPECT_EQ(text.FromEditor(0, 99, Units::Utf16).column, 4);
        EXPECT_EQ(text.FromEditor(7, 0, Units::Utf16).line, 1);
    }
}

TEST(LspText, LinesEndAsZanfoCountsThem) {
    const EditorText text("a\r\nb\rc\n\nd");
    ASSERT_EQ(text.LineCount(), 5);
    const char *lines[] = {"a", "b", "c", "", "d"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(text.Line(i), lines[i]);
}

TEST(LspText, EditsAndLatin1) {
    const struct {
        const char *before;
        Place from, to;
        const char *insert;
        const char *after;
    } cases[] = {
        {"NOP\nEND", {0, 3}, {0, 3}, ";", "NOP;\nEND"},
        {"a\r\nbc\nd", {0, 1}, {1, 1}, "", "ac\nd"},             // across a CR LF
        {"\xC3\xA9x", {0, 1}, {0, 2}, "\xE2\x82\xAC", "\xC3\xA9\xE2\x82\xAC"},  // after an é
        {"ab", {0, 2}, {9, 9}, "\ncd", "ab\ncd"},                // an end past the text
    };
    for (const auto &c : cases) {
        EditorText text(c.before);
        text.Replace(c.from, c.to, c.insert);
        EXPECT_EQ(text.Utf8(), c.after) << c.before;
    }
    std::vector<Unencodable> lost;
    EXPECT_EQ(EditorText("\xC3\xA9\xF0\x9F\x98\x80\r\n\xE2\x82\xAC").Latin1(&lost), "\xE9?\r\n?");
    ASSERT_EQ(lost.size(), 2u);
    EXPECT_EQ(lost[0].place.line, 0);
    EXPECT_EQ(lost[0].place.column, 1);
    EXPECT_EQ(lost[0].code, U'\U0001F600');
    EXPECT_EQ(lost[1].place.line, 1);
    EXPECT_EQ(lost[1].place.column, 0);
    // A byte that is no UTF-8 stands for its Latin-1 character.
    EXPECT_EQ(EditorText("\xE9\xC3").Latin1(), "\xE9\xC3");
}

TEST(LspProtocol, Frames) {
    const std::string big = std::to_string(kMaxBody + 1);
    const struct {
        std::string input;
        Frame::Kind kind;
        std::string body;  // or the problem's start
    } cases[] = {
        {"Content-Length: 2\r\n\r\n{}", Frame::Message, "{}"},
        {"content-length:2\nContent-Type: x\n\n{}", Frame::Message, "{}"},
        {"\r\n\r\nContent-Length: 2\r\n\r\n{}", Frame::Message, "{}"},
        {"Content-Type: x\r\n\r\n{}", Frame::Malformed, "a message without Content-Length"},
        {"Content-Length: -2\r\n\r\n{}", Frame::Malformed, "Content-Length is no number"},
        {"Content-Length 2\r\n\r\n{}", Frame::Malformed, "a header line without"},
        {"X: " + std::string(kMaxHeaderLine, 'x') + "\r\nContent-Length: 2\r\n\r\n{}", Frame::Malformed,
         "a header line longer"},
        {"Content-Length: " + big + "\r\n\r\n{}", Frame::End, ""},  // skipped, and cut short
        {"Content-Length: 9\r\n\r\n{}", Frame::End, ""},
        {"Content-Len", Frame::End, ""},
    };
    for (const auto &c : cases) {
        std::istringstream in(c.input);
        const Frame frame = ReadFrame(in);
        EXPECT_EQ(frame.kind, c.kind) << c.input.substr(0, 60);
        const std::string &got = c.kind == Frame::Malformed ? frame.problem : frame.body;
        EXPECT_EQ(got.substr(0, c.body.size()), c.body) << c.input.substr(0, 60);
    }
}

}  // namespace
