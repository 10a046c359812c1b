// zanfo-lsp: the protocol's life cycle and its methods.
#include "server.h"

#include <algorithm>

#include "cli.h"
#include "protocol.h"

namespace {

// A request refused with a JSON-RPC error.
struct RpcError {
    int code;             // rpc::k...
    std::string message;  // for the editor's user
};

const json &Member(const json &object, const char *name) {
    static const json none;
    if (!object.is_object())
        return none;
    auto it = object.find(name);
    return it == object.end() ? none : *it;
}

// "1.0.0": the last word of the first line of --version.
std::string VersionNumber() {
    const std::string text = VersionText("zanfo-lsp");
    const std::string first = text.substr(0, text.find('\n'));
    return first.substr(first.rfind(' ') + 1);
}

}  // namespace

bool Server::Handle(const std::string &body) {
    json message;
    try {
        message = json::parse(body);
    } catch (const json::exception &e) {
        Fail(nullptr, rpc::kParseError, std::string("the message is no JSON: ") + e.what());
        return true;
    }
    const json &id = Member(message, "id"), &method = Member(message, "method");
    const bool hasId = message.is_object() && message.contains("id");
    const bool idOk = id.is_number_integer() || id.is_string() || id.is_null();
    if (message.is_object() && !message.contains("method") && hasId &&
        (message.contains("result") || message.contains("error")))
        return true;  // the editor's answer to one of the server's requests
    if (!message.is_object() || !method.is_string() || Member(message, "jsonrpc") != "2.0" || !idOk) {
        Fail(idOk ? id : json(nullptr), rpc::kInvalidRequest,
             "a message is an object with \"jsonrpc\": \"2.0\", a \"method\" and, for a request, an \"id\"");
        return true;
    }
    const std::string name = method.get<std::string>();
    const json &params = Member(message, "params");
    if (!params.is_null() && !params.is_object() && !params.is_array()) {
        if (hasId)
            Fail(id, rpc::kInvalidParams, "\"params\" is an object or an array");
        return true;
    }
    if (!hasId) {
        if (name == "exit")
            return false;
        try {
            Notify(name, params);
        } catch (const std::exception &e) {
            Log(name + ": " + e.what());
        }
        return true;
    }
    try {
        Reply(id, Call(name, params));
    } catch (const RpcError &e) {
        Fail(id, e.code, e.message);
    } catch (const InvalidParams &e) {
        Fail(id, rpc::kInvalidParams, name + ": " + e.what());
    } catch (const json::exception &e) {
        Fail(id, rpc::kInvalidParams, name + ": " + e.what());
    } catch (const std::exception &e) {
        Fail(id, rpc::kInternalError, name + ": " + e.what());
    }
    return true;
}

void Server::Malformed(const std::string &problem) { Fail(nullptr, rpc::kParseError, problem); }

json Server::Call(const std::string &method, const json &params) {
    if (shutDown_)
        throw RpcError{rpc::kInvalidRequest, "the server has shut down: only exit is left"};
    if (method == "initialize") {
        if (initialized_)
            throw RpcError{rpc::kInvalidRequest, "the server is initialized already"};
        return Initialize(params);
    }
    if (!initialized_)
        throw RpcError{rpc::kServerNotInitialized, "initialize comes first"};
    if (method == "shutdown") {
        shutDown_ = true;
        return nullptr;
    }
    if (method == "completionItem/resolve")
        return params;
    if (method == "inlayHint/resolve") {
        auto it = docs_.find(params.at("data").at("uri").get<std::string>());
        return it == docs_.end() ? params : ResolveInlayHint(it->second, params);
    }
    static const char *const kDocumentMethods[] = {
        "textDocument/hover",      "textDocument/definition",     "textDocument/references",
        "textDocument/rename",     "textDocument/prepareRename",  "textDocument/completion",
        "textDocument/inlayHint",  "textDocument/documentSymbol",
    };
    bool known = false;
    for (const char *m : kDocumentMethods)
        known = known || method == m;
    if (!known)
        throw RpcError{rpc::kMethodNotFound, "zanfo-lsp has no method " + method};
    const OpenDocument *doc = Find(params);
    if (!doc)
        return nullptr;
    if (method == "textDocument/completion")
        return Completion(*doc);
    if (method == "textDocument/documentSymbol")
        return DocumentSymbols(*doc, units_);
    if (method == "textDocument/inlayHint") {
        if (!inlayHints_)
            return json::array();
        const json &range = params.at("range");
        const Place from = PlaceOf(doc->text, range.at("start"), units_);
        const Place to = PlaceOf(doc->text, range.at("end"), units_);
        return InlayHints(*doc, from.line, to.line, units_);
    }
    const Place place = PlaceIn(*doc, params);
    if (method == "textDocument/hover")
        return Hover(*doc, place, units_);
    if (method == "textDocument/definition")
        return Definition(*doc, place, units_);
    if (method == "textDocument/references")
        return References(*doc, place, Member(Member(params, "context"), "includeDeclaration") == true, units_);
    if (method == "textDocument/prepareRename")
        return PrepareRename(*doc, place, units_);
    std::string refusal;
    json edit = Rename(*doc, place, params.at("newName").get<std::string>(), units_, &refusal);
    if (!refusal.empty())
        throw RpcError{rpc::kRequestFailed, refusal};
    return edit;
}

json Server::Initialize(const json &params) {
    const json &capabilities = Member(params, "capabilities");
    const json &encodings = Member(Member(capabilities, "general"), "positionEncodings");
    std::string encoding = "utf-16";
    if (encodings.is_array() && !encodings.empty() &&
        std::find(encodings.begin(), encodings.end(), "utf-16") == encodings.end()) {
        for (const char *other : {"utf-32", "utf-8"})
            if (std::find(encodings.begin(), encodings.end(), other) != encodings.end()) {
                encoding = other;
                break;
            }
    }
    units_ = encoding == "utf-8" ? Units::Utf8 : encoding == "utf-32" ? Units::Utf32 : Units::Utf16;
    refreshHints_ = Member(Member(Member(capabilities, "workspace"), "inlayHint"), "refreshSupport") == true;
    const json &options = Member(params, "initializationOptions");
    Configure(options.contains("zanfo") ? Member(options, "zanfo") : options);
    initialized_ = true;
    return {{"capabilities",
             {{"positionEncoding", encoding},
              {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
              {"hoverProvider", true},
              {"definitionProvider", true},
              {"referencesProvider", true},
              {"renameProvider", {{"prepareProvider", true}}},
              {"completionProvider", {{"triggerCharacters", {"(", ","}}}},
              {"documentSymbolProvider", true},
              {"inlayHintProvider", {{"resolveProvider", true}}}}},
            {"serverInfo", {{"name", "zanfo-lsp"}, {"version", VersionNumber()}}}};
}

void Server::Configure(const json &settings) {
    const json &hints = Member(settings, "inlayHints");
    if (hints.is_boolean() && hints.get<bool>() != inlayHints_) {
        inlayHints_ = hints.get<bool>();
        if (initialized_ && refreshHints_)
            Write({{"jsonrpc", "2.0"}, {"id", nextRequest_++}, {"method", "workspace/inlayHint/refresh"}});
    }
}

void Server::Notify(const std::string &method, const json &params) {
    if (!initialized_ || shutDown_)
        return;  // the protocol drops notifications before initialize and after shutdown
    if (method == "textDocument/didOpen") {
        const json &item = params.at("textDocument");
        const std::string uri = item.at("uri").get<std::string>();
        OpenDocument &doc = docs_[uri];
        doc.uri = uri;
        doc.version = Integer(item.at("version"));
        doc.text = EditorText(item.at("text").get<std::string>());
        doc.Analyse();
        Publish(doc);
    } else if (method == "textDocument/didChange") {
        Change(params);
    } else if (method == "textDocument/didClose") {
        const std::string uri = params.at("textDocument").at("uri").get<std::string>();
        if (docs_.erase(uri))
            Write({{"jsonrpc", "2.0"},
                   {"method", "textDocument/publishDiagnostics"},
                   {"params", {{"uri", uri}, {"diagnostics", json::array()}}}});
    } else if (method == "workspace/didChangeConfiguration") {
        Configure(Member(Member(params, "settings"), "zanfo"));
    }
}

// Each change in turn: a range and its new text, or the whole text.
void Server::Change(const json &params) {
    const json &id = params.at("textDocument");
    auto it = docs_.find(id.at("uri").get<std::string>());
    if (it == docs_.end())
        throw InvalidParams("a change to a document that is not open");
    OpenDocument &doc = it->second;
    for (const json &change : params.at("contentChanges")) {
        const std::string text = change.at("text").get<std::string>();
        if (change.contains("range")) {
            const json &range = change.at("range");
            const Place from = PlaceOf(doc.text, range.at("start"), units_);
            const Place to = PlaceOf(doc.text, range.at("end"), units_);
            doc.text.Replace(from, to, text);
        } else {
            doc.text = EditorText(text);
        }
    }
    if (id.contains("version") && id.at("version").is_number_integer())
        doc.version = id.at("version").get<long long>();
    doc.Analyse();
    Publish(doc);
}

void Server::Publish(const OpenDocument &doc) {
    Write({{"jsonrpc", "2.0"},
           {"method", "textDocument/publishDiagnostics"},
           {"params", {{"uri", doc.uri}, {"version", doc.version}, {"diagnostics", Diagnostics(doc, units_)}}}});
}

const OpenDocument *Server::Find(const json &params) const {
    auto it = docs_.find(params.at("textDocument").at("uri").get<std::string>());
    return it == docs_.end() ? nullptr : &it->second;
}

Place Server::PlaceIn(const OpenDocument &doc, const json &params) const {
    return PlaceOf(doc.text, params.at("position"), units_);
}

void Server::Reply(const json &id, const json &result) { Write({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}}); }

void Server::Fail(const json &id, int code, const std::string &message) {
    Write({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void Server::Log(const std::string &message) {
    Write({{"jsonrpc", "2.0"}, {"method", "window/logMessage"}, {"params", {{"type", 1}, {"message", message}}}});
}

void Server::Write(const json &message) {
    send_(FrameText(message.dump(-1, ' ', false, json::error_handler_t::replace)));
}

int RunServer(std::istream &in, const Server::Send &send) {
    Server server(send);
    for (;;) {
        Frame frame = ReadFrame(in);
        if (frame.kind == Frame::End)
            return server.ExitStatus();
        if (frame.kind == Frame::Malformed)
            server.Malformed(frame.problem);
        else if (!server.Handle(frame.body))
            return server.ExitStatus();
    }
}
