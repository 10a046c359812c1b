// zanfo-lsp: what each reserved word of the language means, in a few words,
// for completion and hover.  The words themselves are the scanner's
// (ReservedWord over the grammar's token codes); this file adds only what
// they mean.
#ifndef ZANFO_LSP_RESERVED_WORDS_H
#define ZANFO_LSP_RESERVED_WORDS_H

#include <string>
#include <vector>

enum class WordKind { Keyword, Condition, Register };

struct ReservedWordInfo {
    int token;                // its token code
    std::string word;         // as the scanner reads it, upper case
    WordKind kind;
    std::string description;  // a short phrase
};

// Every reserved word of the scanner, in token code order.
const std::vector<ReservedWordInfo> &ReservedWords();

// The description of token `token`, or "" for a token that is no word.
std::string DescribeToken(int token);

#endif
