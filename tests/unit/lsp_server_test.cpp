// zanfo-lsp in process: the protocol's errors and life cycle, and where
// each kind of diagnostic lands.
#include <gtest/gtest.h>

#include <sstream>

#include "protocol.h"
#include "server.h"

namespace {

// A server whose messages are kept, parsed.
struct Editor {
    std::vector<json> got;
    Server server{[this](const std::string &frame) { got.push_back(json::parse(frame.substr(frame.find("\r\n\r\n") + 4))); }};

    json Send(const json &message) {
        got.clear();
        server.Handle(message.dump());
        return got.empty() ? json() : got.back();
    }
    json Request(const std::string &method, const json &params = json::object()) {
        return Send({{"jsonrpc", "2.0"}, {"id", 7}, {"method", method}, {"params", params}});
    }
    void Notify(const std::string &method, const json &params) {
        Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }
    void Start(const json &params = {{"capabilities", json::object()}}) { Request("initialize", params); }
    // Opens a document and returns its diagnostics.
    json Open(const std::string &text, const std::string &uri = "file:///p.zan") {
        Notify("textDocument/didOpen",
               {{"textDocument", {{"uri", uri}, {"languageId", "zanfo"}, {"version", 1}, {"text", text}}}});
        return got.empty() ? json() : got.back()["params"]["diagnostics"];
    }
};

const json kDoc = {{"uri", "file:///p.zan"}};
const json kHere = {{"textDocument", kDoc}, {"position", {{"line", 0}, {"character", 0}}}};

TEST(LspServer, ErrorsAnswerEveryBadMessage) {
    const struct {
        bool started;  // after initialize
        std::string body;
        int code;
    } cases[] = {
        {false, "{\"jsonrpc\":", rpc::kParseError},
        {false, "[1, 2]", rpc::kInvalidRequest},
        {false, R"({"id": 1, "method": "shutdown"})", rpc::kInvalidRequest},
        {false, R"({"jsonrpc": "2.0", "id": {}, "method": "shutdown"})", rpc::kInvalidRequest},
        {false, R"({"jsonrpc": "2.0", "id": 1, "method": 5})", rpc::kInvalidRequest},
        {false, R"({"jsonrpc": "2.0", "id": 1, "method": "shutdown"})", rpc::kServerNotInitialized},
        {true, R"({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {}})", rpc::kInvalidRequest},
        {true, R"({"jsonrpc": "2.0", "id": 1, "method": "textDocument/formatting", "params": {}})", rpc::kMethodNotFound},
        {true, R"({"jsonrpc": "2.0", "id": 1, "method": "textDocument/hover", "params": 3})", rpc::kInvalidParams},
        {true, R"({"jsonrpc": "2.0", "id": 1, "method": "textDocument/hover", "params": {}})", rpc::kInvalidParams},
        {true,
         R"({"jsonrpc": "2.0", "id": 1, "method": "textDocument/hover", "params": {"textDocument": {"uri": "file:///p.zan"}, "position": {"line": -1, "character": 0}}})",
         rpc::kInvalidParams},
        {true,
         R"({"jsonrpc": "2.0", "id": 1, "method": "textDocument/hover", "params": {"textDocument": {"uri": "file:///p.zan"}, "position": {"line": 1e300, "character": 0}}})",
         rpc::kInvalidParams},
        {true,
         R"({"jsonrpc": "2.0", "id": 1, "method": "textDocument/rename", "params": {"textDocument": {"uri": "file:///p.zan"}, "position": {"line": 1, "character": 1}, "newName": "JUMP"}})",
         rpc::kRequestFailed},
    };
    for (const auto &c : cases) {
        Editor editor;
        if (c.started) {
            editor.Start();
            editor.Open("PROGRAM\nstart: JUMP(start)\nEND\n");
        }
        editor.got.clear();
        editor.server.Handle(c.body);
        ASSERT_EQ(editor.got.size(), 1u) << c.body;
        EXPECT_EQ(editor.got[0]["error"]["code"], c.code) << c.body;
    }
}

TEST(LspServer, LifeCycle) {
    const struct {
        const char *input;
        int status;
    } cases[] = {
        {R"({"jsonrpc":"2.0","method":"exit"})", 1},
        {R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})"
         R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})"
         R"({"jsonrpc":"2.0","method":"exit"})", 0},
        {R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})"
         R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})", 0},
        {"", 1},
    };
    for (const auto &c : cases) {
        std::string input, text = c.input;
        for (size_t at = 0; at < text.size();) {  // one frame per object
            size_t end = text.find("}{", at);
            end = end == std::string::npos ? text.size() : end + 1;
            input += FrameText(text.substr(at, end - at));
            at = end;
        }
        std::istringstream in(input);
        EXPECT_EQ(RunServer(in, [](const std::string &) {}), c.status) << c.input;
    }
}

// Where each kind of diagnostic lands: its first line, its columns, its
// severity, who says it and its code; its message begins with `message`,
// and holds `note` (the explanation, the notes and hints of the listing).
TEST(LspServer, DiagnosticsAtTheirTokens) {
    const struct {
        std::string source;
        int line, from, to, severity;
        std::string by, code, message, note;
    } cases[] = {
        {"PROGRAM\nstart: NOP;\n  JUPM(start)\nEND\n", 2, 6, 7, 1, "zanfo", "", "parse error\nnote: The program",
         "\nnote: the parser stopped at \"(\" on line 3; there it takes \":\"\n"
         "hint: \"JUPM\" is no keyword; did you mean JUMP?"},
        {"PROGRAM\nstart: NOP;\n  JUMP(strat)\nEND\n", 2, 7, 12, 1, "zanfo", "", "Identificador desconocido\nnote: A JUMP",
         "\nnote: \"strat\" is no label; the nearest by spelling is \"start\" (0000)"},
        {"PROGRAM\n  ORG 5000; NOP\nEND\n", 1, 2, 15, 1, "zanfo", "", "Direcci\xC3\xB3n fuera de rango", ""},
        {"PROGRAM\n  R1 = 70000\nEND\n", 1, 7, 12, 2, "zanfo-check", "constant-range",
         "70000 does not fit the 16-bit ConstantAddr field", ""},
        {"PROGRAM\nagain:  DECR(R1), LDUFLAG,\n        JUMP(again, NUZ);\n HALT\nEND\n", 1, 0, 26, 2, "zanfo-check",
         "flag-same-word", "the test NUZ reads UFLAG as it was before", ""},
        {"PROGRAM\n { \xC3\xA9 } NOP .\nEND\n", 1, 11, 12, 2, "zanfo", "", "Unrecognized character: (46) .",
         "\nnote: "},
        {"PROGRAM\n{ \xE2\x82\xAC }\nNOP\nEND\n", 1, 2, 3, 2, "zanfo-lsp", "latin1",
         "U+20AC \"\xE2\x82\xAC\" is not in ISO-8859-1", ""},
        {"PROGRAM\nNOP\n", 2, 0, 0, 1, "zanfo", "", "parse error",
         "\nnote: the parser stopped at the end of the file"},
        {"PROGRAM\nNOP;\n  " + std::string(9000, 'A') + "\nEND\n", 2, 2, 9002, 1, "zanfo", "", "token too large",
         "(zanfo stops here, with exit status 2)\nnote: "},
    };
    for (const auto &c : cases) {
        Editor editor;
        editor.Start();
        const json diagnostics = editor.Open(c.source);
        const json *found = nullptr;
        for (const json &d : diagnostics)
            if (!found && d["message"].get<std::string>().rfind(c.message, 0) == 0)
                found = &d;
        ASSERT_TRUE(found) << c.message << " in " << diagnostics.dump();
        const json &d = *found;
        EXPECT_EQ(d["range"]["start"]["line"], c.line) << c.message;
        EXPECT_EQ(d["range"]["start"]["character"], c.from) << c.message;
        EXPECT_EQ(d["range"]["end"]["character"], c.to) << c.message;
        EXPECT_EQ(d["severity"], c.severity) << c.message;
        EXPECT_EQ(d["source"], c.by) << c.message;
        EXPECT_EQ(d.value("code", ""), c.code) << c.message;
        EXPECT_NE(d["message"].get<std::string>().find(c.note), std::string::npos) << d["message"];
    }
}

TEST(LspServer, SettingsAndEncodings) {
    Editor editor;
    editor.Start({{"capabilities",
                   {{"general", {{"positionEncodings", {"utf-8", "utf-32"}}}},
                    {"workspace", {{"inlayHint", {{"refreshSupport", true}}}}}}},
                  {"initializationOptions", {{"inlayHints", false}}}});
    EXPECT_EQ(editor.got.back()["result"]["capabilities"]["positionEncoding"], "utf-32");
    editor.Open("PROGRAM { \xF0\x9F\x98\x80 } NOP\nEND\n");
    const json range = {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 9}, {"character", 0}}}};
    EXPECT_EQ(editor.Request("textDocument/inlayHint", {{"textDocument", kDoc}, {"range", range}})["result"],
              json::array());
    // Turned on again, the editor is asked to fetch the hints anew.
    editor.Notify("workspace/didChangeConfiguration", {{"settings", {{"zanfo", {{"inlayHints", true}}}}}});
    ASSERT_EQ(editor.got.size(), 1u);
    EXPECT_EQ(editor.got[0]["method"], "workspace/inlayHint/refresh");
    const json hints = editor.Request("textDocument/inlayHint", {{"textDocument", kDoc}, {"range", range}})["result"];
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0]["label"], "0000 4E00009040000000");
    EXPECT_EQ(hints[0]["position"]["character"], 17);  // 😀 is one character in UTF-32
}

}  // namespace
