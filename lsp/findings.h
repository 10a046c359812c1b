// zanfo-lsp: what other tools say about a document, beside zanfo and its
// listing.  Each is one function, so that the server shows a new tool's
// findings without knowing the tool.
#ifndef ZANFO_LSP_FINDINGS_H
#define ZANFO_LSP_FINDINGS_H

#include <string>
#include <vector>

struct Analysis;
struct Finding;

// The static checks' warnings on the document (zanfo-check), each with
// the check's name as its code: `latin1` is the document as zanfo reads
// it, `analysis` zanfo's run over it, for the places of lines and tokens.
std::vector<Finding> CheckFindings(const std::string &latin1, const Analysis &analysis);

// What one of zanfo's messages (UTF-8, without "error:LINE:") means, in
// English, or "" when there is nothing to add.
std::string ExplainMessage(const std::string &message);

#endif
