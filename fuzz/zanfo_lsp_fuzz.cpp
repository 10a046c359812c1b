// zanfo-lsp under libFuzzer.  The first byte picks what the rest is:
//
//   even  the server's standard input: frames and JSON-RPC messages of any
//         shape, read until exit or the end; every one must get an answer
//         or be dropped, never crash or hang the server;
//   odd   a source, opened in a well-formed session (as UTF-8 when bit 1
//         is set, else as Latin-1 bytes), asked everything at places
//         drawn from its last bytes, changed by a range and asked again.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "server.h"
#include "text.h"

namespace {

const char kUri[] = "file:///fuzz.zan";

json Message(const std::string &method, const json &params, int id = 0) {
    json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
    if (id)
        m["id"] = id;
    return m;
}

json Position(const uint8_t *data, size_t size, size_t k) {
    const uint8_t line = size > k * 2 ? data[size - 1 - k * 2] : 0;
    const uint8_t column = size > k * 2 + 1 ? data[size - 2 - k * 2] : 0;
    return {{"line", line % 64}, {"character", column % 80}};
}

void Session(const uint8_t *data, size_t size) {
    std::string text;
    const std::string bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    if (data[0] & 2) {
        text = bytes;  // invalid UTF-8 becomes U+FFFD on the way out
    } else {
        for (unsigned char c : bytes)
            AppendUtf8(c, &text);
    }
    Server server([](const std::string &) {});
    auto send = [&server](const json &m) {
        server.Handle(m.dump(-1, ' ', false, json::error_handler_t::replace));
    };
    const char *encodings[] = {"utf-16", "utf-8", "utf-32"};
    send(Message("initialize",
                 {{"capabilities", {{"general", {{"positionEncodings", {encodings[data[0] / 4 % 3]}}}}}}}, 1));
    const json doc = {{"uri", kUri}};
    send(Message("textDocument/didOpen",
                 {{"textDocument", {{"uri", kUri}, {"languageId", "zanfo"}, {"version", 1}, {"text", text}}}}));
    for (int round = 0; round < 2; ++round) {
        int id = 10;
        for (size_t k = 0; k < 3; ++k) {
            const json at = {{"textDocument", doc}, {"position", Position(data, size, k + 3 * round)}};
            for (const char *method : {"textDocument/hover", "textDocument/definition", "textDocument/prepareRename"})
                send(Message(method, at, ++id));
            if (k == 0)
                send(Message("textDocument/completion", at, ++id));
            json references = at;
            references["context"] = {{"includeDeclaration", k == 1}};
            send(Message("textDocument/references", references, ++id));
            json rename = at;
            rename["newName"] = k == 0 ? "zz" : k == 1 ? "JUMP" : "R1";
            send(Message("textDocument/rename", rename, ++id));
        }
        send(Message("textDocument/documentSymbol", {{"textDocument", doc}}, ++id));
        send(Message("textDocument/inlayHint",
                     {{"textDocument", doc},
                      {"range", {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 999}, {"character", 0}}}}}},
                     ++id));
        // A range of the text replaced by a slice of it.
        const json from = Position(data, size, 6), to = Position(data, size, 7);
        send(Message("textDocument/didChange",
                     {{"textDocument", {{"uri", kUri}, {"version", 2 + round}}},
                      {"contentChanges", {{{"range", {{"start", from}, {"end", to}}},
                                           {"text", text.substr(0, text.size() % 17)}}}}}));
    }
    send(Message("shutdown", nullptr, 99));
    send(Message("exit", nullptr));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        Session(data, size);
    } else {
        std::istringstream in(std::string(reinterpret_cast<const char *>(data) + 1, size - 1));
        RunServer(in, [](const std::string &) {});
    }
    return 0;
}
