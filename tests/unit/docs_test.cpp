// docs/messages.md against the messages zanfo really prints: every text of
// messageCatalogue must have its own section there, and every section must
// still be a message zanfo prints, so the page cannot fall out of date.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "errors.h"

#ifndef ZANFO_DOCS_DIR
#error "ZANFO_DOCS_DIR must name the docs folder"
#endif

namespace {

// zanfo's texts are ISO-8859-1, the page is UTF-8.
std::string Latin1ToUtf8(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A message as its section title shows it: UTF-8, without the line feed
// that ends the driver's messages.
std::string Title(const char *message) {
    std::string text = Latin1ToUtf8(message);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// A message as a pattern over section titles: its printf conversions (%d,
// %s) may be shown as the conversion itself or as a sample value.
std::regex MessagePattern(const char *message) {
    const std::string text = Title(message);
    static const std::regex conversion("%[ds]");
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    std::string pattern;
    std::sregex_token_iterator piece(text.begin(), text.end(), conversion, -1), end;
    for (bool first = true; piece != end; ++piece, first = false) {
        if (!first)
            pattern += ".+";
        pattern += std::regex_replace(piece->str(), special, R"(\$&)");
    }
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "%s") == 0)
        pattern += ".*";  // a trailing %s may print nothing (a NUL byte)
    return std::regex(pattern);
}

// The titles of the page's message sections: "### `text`".
std::vector<std::string> SectionTitles() {
    std::ifstream page(ZANFO_DOCS_DIR "/messages.md");
    EXPECT_TRUE(page) << "cannot read " ZANFO_DOCS_DIR "/messages.md";
    std::vector<std::string> titles;
    static const std::regex title("^### `(.*)`\\s*$");
    std::string line;
    std::smatch m;
    while (std::getline(page, line))
        if (std::regex_match(line, m, title))
            titles.push_back(m[1]);
    return titles;
}

TEST(MessagesPage, HasASectionForEveryMessage) {
    const std::vector<std::string> titles = SectionTitles();
    ASSERT_FALSE(titles.empty());
    for (int i = 0; i < messageCatalogueSize; ++i) {
        const std::regex pattern = MessagePattern(messageCatalogue[i]);
        int found = 0;
        for (const std::string &title : titles)
            found += std::regex_match(title, pattern);
        EXPECT_EQ(found, 1) << "messages.md should have one section titled `"
                            << Title(messageCatalogue[i]) << "`";
    }
}

TEST(MessagesPage, DocumentsNoMessageThatZanfoDoesNotPrint) {
    std::vector<std::regex> patterns;
    for (int i = 0; i < messageCatalogueSize; ++i)
        patterns.push_back(MessagePattern(messageCatalogue[i]));
    for (const std::string &title : SectionTitles()) {
        bool known = false;
        for (const std::regex &pattern : patterns)
            known = known || std::regex_match(title, pattern);
        EXPECT_TRUE(known) << "messages.md has a section for `" << title
                           << "`, which is no message of zanfo's";
    }
}

// The accents must come out as the page writes them, and the conversions
// must match sample values as well as themselves.
TEST(MessagesPage, PatternsMatchAccentsAndConversions) {
    EXPECT_TRUE(std::regex_match("Dirección fuera de rango", MessagePattern(msgAddressOutOfRange)));
    EXPECT_FALSE(std::regex_match("Direccion fuera de rango", MessagePattern(msgAddressOutOfRange)));
    EXPECT_TRUE(std::regex_match("Fichero no encontrado: %s", MessagePattern(msgSourceNotFound)));
    EXPECT_TRUE(std::regex_match("Fichero no encontrado: a.zan", MessagePattern(msgSourceNotFound)));
    EXPECT_TRUE(std::regex_match("Unrecognized character: (46) .", MessagePattern(msgUnrecognizedChar)));
    EXPECT_FALSE(std::regex_match("Unrecognized character: 46", MessagePattern(msgUnrecognizedChar)));
    EXPECT_TRUE(std::regex_match("El campo \"RegB\" ya ha sido utilizado", MessagePattern(msgRegBUsed)));
    EXPECT_FALSE(std::regex_match("El campo \"RegA\" ya ha sido utilizado", MessagePattern(msgRegBUsed)));
}

}  // namespace
