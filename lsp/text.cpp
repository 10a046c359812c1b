// zanfo-lsp: the editor's text, its lines and columns, and zanfo's bytes.
#include "text.h"

#include <algorithm>

namespace {

// How many of the editor's units one character takes.
long long Width(char32_t code, Units units) {
    switch (units) {
    case Units::Utf8: return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    case Units::Utf16: return code < 0x10000 ? 1 : 2;
    case Units::Utf32: return 1;
    }
    return 1;
}

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

char32_t NextCharacter(const std::string &text, size_t *at) {
    const unsigned char c = static_cast<unsigned char>(text[*at]);
    const size_t more = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
    if (more == 0 || *at + more >= text.size()) {
        ++*at;
        return c;
    }
    char32_t code = c & (0x3F >> more);
    for (size_t k = 1; k <= more; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[*at + k]);
        if (!Continuation(next)) {
            ++*at;
            return c;
        }
        code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no characters.
    const char32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
    if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
        ++*at;
        return c;
    }
    *at += more + 1;
    return code;
}

void AppendUtf8(char32_t code, std::string *out) {
    if (code < 0x80) {
        *out += static_cast<char>(code);
    } else if (code < 0x800) {
        *out += static_cast<char>(0xC0 | code >> 6);
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += static_cast<char>(0xE0 | code >> 12);
        *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | code >> 18);
        *out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::vector<size_t> LineStarts(const std::string &text) {
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        if (text[i] == '\r' || text[i] == '\n')
            starts.push_back(i + 1);
    }
    return starts;
}

EditorText::EditorText(std::string utf8) : text_(std::move(utf8)) { FindLines(); }

void EditorText::FindLines() { starts_ = LineStarts(text_); }

// The line's bytes run from its start to the line end before the next
// line's start (CR LF, LF or CR), or to the end of the text.
static size_t LineEnd(const std::string &text, const std::vector<size_t> &starts, int line) {
    if (static_cast<size_t>(line) + 1 >= starts.size())
        return text.size();
    size_t end = starts[static_cast<size_t>(line) + 1] - 1;
    if (text[end] == '\n' && end > starts[static_cast<size_t>(line)] && text[end - 1] == '\r')
        --end;
    return end;
}

std::string EditorText::Line(int line) const {
    if (line < 0 || line >= LineCount())
        return "";
    const size_t start = starts_[static_cast<size_t>(line)];
    return text_.substr(start, LineEnd(text_, starts_, line) - start);
}

int EditorText::LineLength(int line) const {
    const std::string text = Line(line);
    int length = 0;
    for (size_t at = 0; at < text.size(); ++length)
        NextCharacter(text, &at);
    return length;
}

Place EditorText::FromEditor(int line, long long column, Units units) const {
    if (line < 0)
        return {0, 0};
    if (line >= LineCount())
        return {LineCount() - 1, LineLength(LineCount() - 1)};
    const std::string text = Line(line);
    Place place{line, 0};
    long long counted = 0;
    for (size_t at = 0; at < text.size(); ++place.column) {
        const long long width = Width(NextCharacter(text, &at), units);
        if (counted + width > column)
            break;
        counted += width;
    }
    return place;
}

long long EditorText::ToEditor(Place place, Units units) const {
    const std::string text = Line(place.line);
    long long column = 0;
    size_t at = 0;
    for (int k = 0; k < place.column && at < text.size(); ++k)
        column += Width(NextCharacter(text, &at), units);
    return column;
}

size_t EditorText::Offset(Place place) const {
    if (place.line >= LineCount())
        return text_.size();
    const size_t start = starts_[static_cast<size_t>(place.line)];
    const size_t end = LineEnd(text_, starts_, place.line);
    size_t at = start;
    for (int k = 0; k < place.column && at < end; ++k)
        NextCharacter(text_, &at);
    return std::min(at, end);
}

void EditorText::Replace(Place from, Place to, const std::string &utf8) {
    size_t begin = Offset(from), end = Offset(to);
    if (end < begin)
        std::swap(begin, end);
    text_.replace(begin, end - begin, utf8);
    FindLines();
}

std::string EditorText::Latin1(std::vector<Unencodable> *unencodable) const {
    std::string out;
    out.reserve(text_.size());
    Place place{0, 0};
    for (size_t at = 0; at < text_.size();) {
        const char32_t code = NextCharacter(text_, &at);
        if (code <= 0xFF) {
            out += static_cast<char>(code);
        } else {
            out += '?';
            if (unencodable)
                unencodable->push_back({place, code});
        }
        // Line ends as LineStarts counts them: a CR before an LF ends nothing.
        const bool lineEnd = code == '\n' || (code == '\r' && (at >= text_.size() || text_[at] != '\n'));
        if (lineEnd)
            place = {place.line + 1, 0};
        else
            ++place.column;
    }
    return out;
}
