// docs/messages.md against the messages zanfo really prints: every text of
// messageCatalogue must have its own section there, and every section must
// still be a message zanfo prints, so the page cannot fall out of date.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "errors.h"
#include "explain.h"

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

// The page's blocks: each message section ("### `text`" to the next
// heading) and each row of a table of messages ("| `text` | ... |"), by
// the message they are about.
std::vector<std::pair<std::string, std::string>> MessageBlocks() {
    std::ifstream page(ZANFO_DOCS_DIR "/messages.md");
    std::vector<std::pair<std::string, std::string>> blocks;
    static const std::regex title("^### `(.*)`\\s*$"), row("^\\| `([^`]*)` \\|.*");
    std::string line;
    std::smatch m;
    bool inSection = false;
    while (std::getline(page, line)) {
        if (std::regex_match(line, m, title)) {
            blocks.push_back({m[1], ""});
            inSection = true;
        } else if (line.compare(0, 1, "#") == 0) {
            inSection = false;
        } else if (std::regex_match(line, m, row)) {
            blocks.push_back({m[1], line});
        } else if (inSection) {
            blocks.back().second += line + "\n";
        }
    }
    return blocks;
}

// One explanation for every message zanfo prints, and each quoted where
// the page tells of that message: in its section as "**In one line:**",
// or in its row of a table.
TEST(MessagesPage, QuotesTheExplanationOfEveryMessage) {
    for (int i = 0; i < messageCatalogueSize; ++i) {
        int found = 0;
        for (size_t k = 0; k < kMessageExplanationCount; ++k)
            found += strcmp(kMessageExplanations[k].message, messageCatalogue[i]) == 0;
        EXPECT_EQ(found, 1) << "no explanation, or two, for `" << Title(messageCatalogue[i]) << "`";
    }
    const auto blocks = MessageBlocks();
    for (size_t k = 0; k < kMessageExplanationCount; ++k) {
        const MessageExplanation &e = kMessageExplanations[k];
        const std::string text = e.explanation;
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
        for (unsigned char c : text)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "not one line of ASCII: " << text;
        const std::regex pattern = MessagePattern(e.message);
        int quoted = 0;
        for (const auto &block : blocks)
            if (std::regex_match(block.first, pattern))
                quoted += block.second.find("**In one line:** " + text + "\n") != std::string::npos ||
                          block.second.find("| " + text + " |") != std::string::npos;
        EXPECT_EQ(quoted, 1) << "messages.md should quote, for `" << Title(e.message) << "`:\n" << text;
    }
}

// A message as zanfo prints it finds its line: with its line feed or
// without, with the values of a printf format in place; nothing else does.
TEST(Explanations, FindTheirMessageAsPrinted) {
    const struct {
        std::string printed;
        const char *message;  // whose explanation it gets; null for none
    } cases[] = {
        {"parse error", msgParseError},
        {"parse error\n", msgParseError},
        {"N\xFAmero de registro incorrecto", msgBadRegisterNumber},
        {"El campo \"RegA\" ya ha sido utilizado", msgRegAUsed},
        {"Unrecognized character: (46) .\n", msgUnrecognizedChar},
        {"Unrecognized character: (-61) \xC3", msgUnrecognizedChar},
        {"Fichero no encontrado: dir/a b.zan\n", msgSourceNotFound},
        {"Numero de registro incorrecto", nullptr},
        {"parse error: at END", nullptr},
        {"Unrecognized character: 46", nullptr},
        {"Unrecognized character: () .", nullptr},
        {"", nullptr},
    };
    auto lineOf = [](const char *message) -> const char * {
        for (size_t k = 0; k < kMessageExplanationCount; ++k)
            if (kMessageExplanations[k].message == message)
                return kMessageExplanations[k].explanation;
        return nullptr;
    };
    for (const auto &c : cases)
        EXPECT_EQ(ExplainMessage(c.printed), c.message ? lineOf(c.message) : nullptr) << c.printed;
    for (size_t k = 0; k < kMessageExplanationCount; ++k) {
        const MessageExplanation &e = kMessageExplanations[k];
        EXPECT_EQ(ExplainMessage(strchr(e.message, '%') ? "" : e.message), strchr(e.message, '%') ? nullptr : e.explanation);
    }
}

}  // namespace
