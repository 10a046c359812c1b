// zanfo-lsp: a document as the editor holds it, and as zanfo reads it.
//
// The editor sends Unicode text (UTF-8 in the protocol) and counts columns
// in UTF-16 code units unless both sides agreed on another unit.  zanfo
// reads ISO-8859-1 bytes: every character up to U+00FF is one byte, so a
// column of zanfo's source is a count of characters, and the conversion to
// the editor's units walks the line once.  A character above U+00FF has no
// Latin-1 byte: zanfo is given "?" in its place, which is what an editor
// writes for it when it saves the file as ISO-8859-1, and the server warns
// where it stands.
#ifndef ZANFO_LSP_TEXT_H
#define ZANFO_LSP_TEXT_H

#include <cstddef>
#include <string>
#include <vector>

// How the editor counts columns (LSP's position encodings).
enum class Units {
    Utf8,   // bytes of UTF-8
    Utf16,  // UTF-16 code units: the protocol's default
    Utf32,  // characters
};

// A place in the document: a line from 0, and a column in characters
// (zanfo's bytes) within it.
struct Place {
    int line;    // from 0
    int column;  // characters from the line's start
};

// A character zanfo cannot be given as itself.
struct Unencodable {
    Place place;      // where it stands
    char32_t code;    // the character
};

class EditorText {
  public:
    explicit EditorText(std::string utf8 = "");

    const std::string &Utf8() const { return text_; }
    int LineCount() const { return static_cast<int>(starts_.size()); }

    // The line's characters, without its line end.
    int LineLength(int line) const;
    // The line's text in UTF-8, without its line end.
    std::string Line(int line) const;

    // A column in the editor's units on `line`, as characters; past the
    // end of the line it is the end of the line, and a column that falls
    // inside a character is that character's start.  Lines past the last
    // are the end of the text.
    Place FromEditor(int line, long long column, Units units) const;
    // A place in characters as a column in the editor's units.
    long long ToEditor(Place place, Units units) const;

    // Replaces the text from `from` to `to` (both in characters, as
    // FromEditor gives them) with `utf8`.
    void Replace(Place from, Place to, const std::string &utf8);

    // The text as zanfo reads it: ISO-8859-1 bytes, "?" for every
    // character above U+00FF, listed in `unencodable` when it is given.
    std::string Latin1(std::vector<Unencodable> *unencodable = nullptr) const;

  private:
    size_t Offset(Place place) const;  // the place's byte in text_
    void FindLines();

    std::string text_;           // the editor's text, UTF-8
    std::vector<size_t> starts_; // the byte where each line starts
};

// UTF-8 decoding as the text above does it: one character from `text` at
// `*at`, which moves past it; a byte that starts no valid sequence is read
// as the Latin-1 character of that byte.
char32_t NextCharacter(const std::string &text, size_t *at);

// Appends `code` to `out` in UTF-8.
void AppendUtf8(char32_t code, std::string *out);

// Where each line of `text` starts, zanfo's way and the protocol's: CR LF,
// LF and CR each end a line.  Always at least one line.
std::vector<size_t> LineStarts(const std::string &text);

#endif
