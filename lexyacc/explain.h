// zanfo's messages explained: one English line for every message zanfo
// prints, saying what it means for the program and how to put it right.
//
// zanfo itself never prints these lines: its messages stay as they are,
// Spanish and ISO-8859-1, byte for byte.  The companion tools that show
// zanfo's messages show the line beside them, from this one table:
// zanfo-dump --listing, the playground, zanfo-check (as a "FILE:LINE: note:"
// line after the error) and the language server.  docs/messages.md quotes
// every line in its message's section, and a test holds the two together.
#ifndef ZANFO_EXPLAIN_H
#define ZANFO_EXPLAIN_H

#include <cstddef>
#include <string>

struct MessageExplanation {
    const char *message;      // zanfo's text, as errors.h holds it (ISO-8859-1; a printf format for some)
    const char *explanation;  // one English line, ASCII: what it means, then how to fix it
};

// Every message of errors.h's messageCatalogue, and the scanner's fatal
// messages, in the order of docs/messages.md.
extern const MessageExplanation kMessageExplanations[];
extern const size_t kMessageExplanationCount;

// The explanation of one message as zanfo printed it: the text after
// "error:LINE:", a line of standard output ("Unrecognized character: (46)
// .", "Fichero no encontrado: a.zan") or the scanner's fatal line, in
// ISO-8859-1, with or without its line feed.  Null when zanfo prints no
// such message.
const char *ExplainMessage(const std::string &latin1Message);

#endif
