// zanfo-lsp: JSON-RPC 2.0 messages as the Language Server Protocol frames
// them on a byte stream: header lines ("Content-Length: N"), an empty
// line, then N bytes of JSON.
#ifndef ZANFO_LSP_PROTOCOL_H
#define ZANFO_LSP_PROTOCOL_H

#include <cstddef>
#include <istream>
#include <stdexcept>
#include <string>

// JSON-RPC's and LSP's error codes.
namespace rpc {
constexpr int kParseError = -32700;            // the body is no JSON, or the frame is broken
constexpr int kInvalidRequest = -32600;        // JSON, but no request or notification
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;  // a request before initialize
constexpr int kRequestFailed = -32803;         // understood, but refused (a rename to a keyword)
}  // namespace rpc

// A request's parameters are not what its method takes.
struct InvalidParams : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The most a header line and a body may hold: a longer one is skipped
// whole and answered with a parse error.
constexpr size_t kMaxHeaderLine = 4096;
constexpr size_t kMaxBody = size_t{64} << 20;

struct Frame {
    enum Kind {
        Message,    // `body` holds one message
        Malformed,  // a frame without a usable Content-Length; `problem` says why
        End,        // the stream ended (a frame cut short ends it too)
    } kind;
    std::string body;     // the JSON text
    std::string problem;  // for Malformed
};

// Reads the next frame from `in`.
Frame ReadFrame(std::istream &in);

// `body` framed for writing.
std::string FrameText(const std::string &body);

#endif
