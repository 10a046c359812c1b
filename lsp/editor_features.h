// zanfo-lsp: the answers to the editor's questions about one document, as
// the protocol's JSON.  Places come in and go out in the editor's units.
#ifndef ZANFO_LSP_EDITOR_FEATURES_H
#define ZANFO_LSP_EDITOR_FEATURES_H

#include <string>

#include <nlohmann/json.hpp>

#include "document.h"
#include "text.h"

using json = nlohmann::json;

// A document the editor has open.
struct OpenDocument {
    std::string uri;     // as the editor names it
    long long version;   // the editor's version of it
    EditorText text;     // what the editor holds
    Analysis analysis;   // zanfo's run over the text, as it is now

    // Runs zanfo again over the text.
    void Analyse();
};

// The protocol's Position and Range.
json PositionJson(const EditorText &text, Place place, Units units);
json RangeJson(const EditorText &text, Place from, Place to, Units units);
// An integer of the protocol's; throws InvalidParams for any other value
// (a fraction, a number out of range, no number).
long long Integer(const json &value);
// A Position of the editor's as a place; throws json's exceptions when it
// is no Position.
Place PlaceOf(const EditorText &text, const json &position, Units units);

// Diagnostic[] for textDocument/publishDiagnostics.
json Diagnostics(const OpenDocument &doc, Units units);

// Hover or null: the statement's words, or what a name stands for.
json Hover(const OpenDocument &doc, Place place, Units units);

// Location or null: where the label or EQU name at `place` is defined.
json Definition(const OpenDocument &doc, Place place, Units units);

// Location[] (null when no name stands at `place`): every token naming it.
json References(const OpenDocument &doc, Place place, bool withDefinition, Units units);

// textDocument/prepareRename: the name's range and text, or null.
json PrepareRename(const OpenDocument &doc, Place place, Units units);

// WorkspaceEdit for textDocument/rename, or null when no name stands at
// `place`; a name zanfo would not take as a label or EQU name leaves the
// reason in `refusal`.
json Rename(const OpenDocument &doc, Place place, const std::string &newName, Units units, std::string *refusal);

// CompletionItem[]: reserved words, R0..R63, labels and EQU names.
json Completion(const OpenDocument &doc);

// DocumentSymbol[]: the labels and EQU names.
json DocumentSymbols(const OpenDocument &doc, Units units);

// InlayHint[]: each statement's address and microword at the end of the
// first line of it, on the lines from `first` to `last`.
json InlayHints(const OpenDocument &doc, int first, int last, Units units);
// inlayHint/resolve: the hint with its words in zanfo's notation as its
// tooltip, unless the document has changed since.
json ResolveInlayHint(const OpenDocument &doc, json hint);

#endif
