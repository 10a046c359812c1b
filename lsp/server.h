// zanfo-lsp: the language server.  It takes the protocol's messages one at
// a time, keeps the documents the editor has open, assembles each one again
// on every change and publishes its diagnostics, and answers the editor's
// requests from that run.  One thread: zanfo's passes are process-wide.
#ifndef ZANFO_LSP_SERVER_H
#define ZANFO_LSP_SERVER_H

#include <functional>
#include <istream>
#include <map>
#include <string>

#include "editor_features.h"

class Server {
  public:
    // Writes one framed message to the editor.
    using Send = std::function<void(const std::string &frame)>;

    explicit Server(Send send) : send_(std::move(send)) {}

    // Acts on one message's JSON text; false once the editor has said exit.
    bool Handle(const std::string &body);
    // Answers a frame that could not be read with a parse error.
    void Malformed(const std::string &problem);
    // The exit status the protocol asks for: 0 when shutdown came before
    // exit (or the end of the input), 1 otherwise.
    int ExitStatus() const { return shutDown_ ? 0 : 1; }

  private:
    json Call(const std::string &method, const json &params);
    void Notify(const std::string &method, const json &params);
    json Initialize(const json &params);
    void Configure(const json &settings);
    void Change(const json &params);
    void Publish(const OpenDocument &doc);
    const OpenDocument *Find(const json &params) const;
    Place PlaceIn(const OpenDocument &doc, const json &params) const;
    void Reply(const json &id, const json &result);
    void Fail(const json &id, int code, const std::string &message);
    void Log(const std::string &message);
    void Write(const json &message);

    Send send_;
    bool initialized_ = false;      // initialize has been answered
    bool shutDown_ = false;         // shutdown has been answered
    Units units_ = Units::Utf16;    // the columns agreed on in initialize
    bool inlayHints_ = true;        // the editor's setting zanfo.inlayHints
    bool refreshHints_ = false;     // the editor takes workspace/inlayHint/refresh
    long long nextRequest_ = 1;     // the id of the server's next request to the editor
    std::map<std::string, OpenDocument> docs_;  // by URI
};

// Serves the messages of `in` until exit or the end of the input; returns
// the exit status.
int RunServer(std::istream &in, const Server::Send &send);

#endif
