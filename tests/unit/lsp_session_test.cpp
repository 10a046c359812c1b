// zanfo-lsp: a whole editing session with the command through its pipes,
// every answer checked; and what must hold on every program: each token
// stands where zanfo read it, a rename leaves the microwords as they were,
// and completion offers exactly the scanner's reserved words.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "check.h"
#include "editor_features.h"
#include "protocol.h"
#include "reserved_words.h"

namespace {

// zanfo-lsp running on two pipes.
class LspProcess {
  public:
    LspProcess() {
        signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            execl(ZANFO_LSP, ZANFO_LSP, static_cast<char *>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to_ = in[1];
        from_ = out[0];
    }
    ~LspProcess() {
        if (to_ >= 0)
            close(to_);
        if (from_ >= 0)
            close(from_);
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void Send(const json &message) {
        const std::string frame = FrameText(message.dump());
        ASSERT_EQ(write(to_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    }

    // The next message, or null after 20 s without one or at the end.
    json Receive() {
        for (;;) {
            const size_t header = buffer_.find("\r\n\r\n");
            if (header != std::string::npos) {
                const size_t length = std::stoul(buffer_.substr(buffer_.find(':') + 1));
                if (buffer_.size() >= header + 4 + length) {
                    json message = json::parse(buffer_.substr(header + 4, length));
                    buffer_.erase(0, header + 4 + length);
                    return message;
                }
            }
            pollfd p{from_, POLLIN, 0};
            char chunk[65536];
            ssize_t n = poll(&p, 1, 20000) == 1 ? read(from_, chunk, sizeof chunk) : 0;
            if (n <= 0)
                return nullptr;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    // A request's answer; the notifications before it are kept.
    json Request(const std::string &method, const json &params) {
        const int id = next_++;
        Send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
        for (json m = Receive(); !m.is_null(); m = Receive()) {
            if (m.contains("id") && m["id"] == id)
                return m;
            notifications.push_back(m);
        }
        return nullptr;
    }

    void Notify(const std::string &method, const json &params) {
        Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }

    // The next diagnostics published.
    json Diagnostics() {
        for (json m = Receive(); !m.is_null(); m = Receive())
            if (m.value("method", "") == "textDocument/publishDiagnostics")
                return m["params"];
        return nullptr;
    }

    int Wait() {
        close(to_);
        to_ = -1;
        int status = 0;
        waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<json> notifications;

  private:
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1, next_ = 1;
    bool waited_ = false;
    std::string buffer_;
};

const char kUri[] = "file:///tmp/sum.zan";
const char kProgram[] =
    "PROGRAM sum\n"
    "{ Suma: \xC3\xA9 \xF0\x9F\x98\x80 }\n"
    "EQU total R1;\n"
    "EQU n     R2;\n"
    "        total = 0;\n"
    "        n = 10;\n"
    "again:  total = total + n;\n"
    "        DECR(n), LDUFLAG;\n"
    "        JUMP(agian, NUZ);\n"
    "done:   HALT, RET\n"
    "END\n";

json At(int line, int character) {
    return {{"textDocument", {{"uri", kUri}}}, {"position", {{"line", line}, {"character", character}}}};
}

json Range(int line, int from, int to) {
    return {{"start", {{"line", line}, {"character", from}}}, {"end", {{"line", line}, {"character", to}}}};
}

bool Has(const json &text, const std::string &part) { return text.get<std::string>().find(part) != std::string::npos; }

// The text after the edits of a WorkspaceEdit, applied from the last.
std::string Apply(std::string text, const json &edit) {
    json edits = edit["changes"][kUri];
    EditorText editor(text);
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        const json &r = (*it)["range"];
        editor.Replace(PlaceOf(editor, r["start"], Units::Utf16), PlaceOf(editor, r["end"], Units::Utf16),
                       (*it)["newText"]);
    }
    return editor.Utf8();
}

std::string Mic(const std::string &utf8) { return AssembleText(EditorText(utf8).Latin1()).mic; }

TEST(LspSession, EveryFeatureThroughThePipes) {
    LspProcess lsp;
    json answer = lsp.Request("initialize", {{"processId", nullptr}, {"capabilities", json::object()}});
    EXPECT_EQ(answer["result"]["capabilities"]["positionEncoding"], "utf-16");
    EXPECT_EQ(answer["result"]["capabilities"]["textDocumentSync"]["change"], 2);
    lsp.Notify("initialized", json::object());

    // Open: the emoji that Latin-1 lacks at its UTF-16 columns, after an é;
    // the unknown label at its name, with the listing's explanation and
    // note; zanfo-check's warning on the RET, by its name.  By line.
    lsp.Notify("textDocument/didOpen",
               {{"textDocument", {{"uri", kUri}, {"languageId", "zanfo"}, {"version", 1}, {"text", kProgram}}}});
    json published = lsp.Diagnostics();
    ASSERT_EQ(published["diagnostics"].size(), 3u) << published.dump();
    json latin1 = published["diagnostics"][0], error = published["diagnostics"][1],
         warning = published["diagnostics"][2];
    EXPECT_EQ(latin1["range"], Range(1, 10, 12));
    EXPECT_EQ(latin1["code"], "latin1");
    EXPECT_EQ(error["range"], Range(8, 13, 18));
    EXPECT_EQ(error["severity"], 1);
    EXPECT_TRUE(Has(error["message"], "Identificador desconocido\nnote: A JUMP, CALL or LOOP names a label"));
    EXPECT_TRUE(Has(error["message"], "\nnote: \"agian\" is no label; the nearest by spelling is \"again\" (0002)"));
    EXPECT_EQ(warning["range"], Range(9, 0, 17));
    EXPECT_EQ(warning["severity"], 2);
    EXPECT_EQ(warning["source"], "zanfo-check");
    EXPECT_EQ(warning["code"], "stack-underflow");
    EXPECT_TRUE(Has(warning["message"], "RET can meet an empty stack"));

    // Change: the name mended, the error gone.
    lsp.Notify("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                                          {"contentChanges", {{{"range", Range(8, 15, 17)}, {"text", "ai"}}}}});
    published = lsp.Diagnostics();
    EXPECT_EQ(published["version"], 2);
    ASSERT_EQ(published["diagnostics"].size(), 2u) << published.dump();
    std::string text = kProgram;
    text.replace(text.find("agian"), 5, "again");

    // Hover: a statement with its EQU name; a label used in a jump.
    answer = lsp.Request("textDocument/hover", At(6, 10));
    const json hover = answer["result"]["contents"]["value"];
    for (const char *part : {"EQU **total**: register R1", "**0002** `4E0000B040420000` CONT", "R1 = R1 + R2\n",
                             "AluDest          11  F->B"})
        EXPECT_TRUE(Has(hover, part)) << part << "\n" << hover;
    EXPECT_EQ(answer["result"]["range"], Range(6, 8, 13));
    answer = lsp.Request("textDocument/hover", At(8, 14));
    EXPECT_TRUE(Has(answer["result"]["contents"]["value"], "label **again**: address 0002 (2)\n\n```zanfo\nR1 = R1 + R2"));
    // A line with a warning: the check explained, with its examples.
    answer = lsp.Request("textDocument/hover", At(9, 15));
    for (const char *part : {"**0005** `", "RET, HALT", "\n---\n\n**stack-underflow** (zanfo-check): ",
                             "\nWrong:\n```zanfo\n", "\nRight:\n```zanfo\n"})
        EXPECT_TRUE(Has(answer["result"]["contents"]["value"], part)) << part << "\n" << answer.dump();

    // Names: definition, references, rename.
    answer = lsp.Request("textDocument/definition", At(8, 14));
    EXPECT_EQ(answer["result"], json({{"uri", kUri}, {"range", Range(6, 0, 5)}}));
    json params = At(3, 4);
    params["context"] = {{"includeDeclaration", true}};
    answer = lsp.Request("textDocument/references", params);
    std::vector<int> lines;
    for (const json &location : answer["result"])
        lines.push_back(location["range"]["start"]["line"]);
    EXPECT_EQ(lines, std::vector<int>({3, 5, 6, 7}));
    EXPECT_EQ(lsp.Request("textDocument/prepareRename", At(3, 4))["result"]["placeholder"], "n");
    EXPECT_TRUE(lsp.Request("textDocument/prepareRename", At(4, 16))["result"].is_null());  // a number
    params = At(3, 4);
    params["newName"] = "count";
    answer = lsp.Request("textDocument/rename", params);
    EXPECT_EQ(answer["result"]["changes"][kUri].size(), 4u);
    const std::string renamed = Apply(text, answer["result"]);
    EXPECT_NE(renamed.find("DECR(count)"), std::string::npos);
    EXPECT_EQ(Mic(renamed), Mic(text));
    params["newName"] = "again";
    EXPECT_EQ(lsp.Request("textDocument/rename", params)["error"]["code"], rpc::kRequestFailed);

    // Completion: reserved words, registers, labels and EQU names, described.
    answer = lsp.Request("textDocument/completion", At(7, 8));
    std::map<std::string, std::string> details;
    for (const json &item : answer["result"])
        details[item["label"]] = item["detail"];
    EXPECT_TRUE(Has(json(details["JUMP"]), "Sequencer 3 [CJP]"));
    EXPECT_EQ(details["NUZ"], "condition 16: UFLAG not zero");
    EXPECT_TRUE(Has(json(details["IRB2"]), "B port"));
    EXPECT_EQ(details["R63"], "general register 63");
    EXPECT_EQ(details["again"], "label, address 0002");
    EXPECT_EQ(details["total"], "EQU name for R1");

    // The outline and the hints.
    answer = lsp.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", kUri}}}});
    std::vector<std::string> symbols;
    for (const json &s : answer["result"])
        symbols.push_back(s["name"].get<std::string>() + " " + s["detail"].get<std::string>());
    EXPECT_EQ(symbols, std::vector<std::string>({"total R1", "n R2", "again 0002", "done 0005"}));
    answer = lsp.Request("textDocument/inlayHint", {{"textDocument", {{"uri", kUri}}}, {"range", Range(0, 0, 0)}});
    EXPECT_TRUE(answer["result"].empty());
    json range = Range(0, 0, 0);
    range["end"]["line"] = 10;
    answer = lsp.Request("textDocument/inlayHint", {{"textDocument", {{"uri", kUri}}}, {"range", range}});
    ASSERT_EQ(answer["result"].size(), 6u);
    EXPECT_EQ(answer["result"][4]["label"], "0004 0301009040000002");
    EXPECT_EQ(answer["result"][4]["position"], json({{"line", 8}, {"character", 25}}));
    EXPECT_EQ(lsp.Request("inlayHint/resolve", answer["result"][4])["result"]["tooltip"], "JUMP(again, NUZ)");

    EXPECT_TRUE(lsp.Request("shutdown", nullptr)["result"].is_null());
    lsp.Notify("exit", nullptr);
    EXPECT_EQ(lsp.Wait(), 0);
}

// Every zanfo source of the examples and the end-to-end cases.
std::vector<std::string> Sources() {
    std::vector<std::string> files;
    auto scan = [&files](const std::string &dir, bool nested) {
        DIR *d = opendir(dir.c_str());
        for (dirent *e; d && (e = readdir(d));) {
            const std::string name = e->d_name, path = dir + "/" + name;
            if (nested && name[0] != '.') {
                std::ifstream source(path + "/prog.zan", std::ios::binary);
                if (source)
                    files.push_back(path + "/prog.zan");
            } else if (name.size() > 4 && name.substr(name.size() - 4) == ".zan") {
                files.push_back(path);
            }
        }
        if (d)
            closedir(d);
    };
    scan(ZANFO_EXAMPLES_DIR, false);
    scan(ZANFO_E2E_DIR, true);
    return files;
}

std::string Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(LspDocument, TokensStandWhereZanfoReadThemAndRenamesKeepTheWords) {
    const std::vector<std::string> files = Sources();
    ASSERT_GT(files.size(), 50u);
    for (const std::string &file : files) {
        const std::string source = Read(file);
        const Analysis analysis = Analyze(source, {});
        const std::vector<size_t> starts = LineStarts(source);
        for (const SourceToken &t : analysis.tokens)
            ASSERT_EQ(source.substr(starts[static_cast<size_t>(t.place.line)] + static_cast<size_t>(t.place.column),
                                    static_cast<size_t>(t.length)),
                      t.text)
                << file;
        if (!analysis.diagnostics.empty())
            continue;
        // Each name renamed in turn: the same words (a source in Latin-1
        // is handed over as the editor holds it, in UTF-8).
        std::string utf8;
        for (unsigned char c : source)
            AppendUtf8(c, &utf8);
        OpenDocument doc{kUri, 1, EditorText(utf8), {}};
        doc.Analyse();
        for (size_t s = 0; s < doc.analysis.symbols.size(); ++s) {
            const SourceToken &name = doc.analysis.tokens[static_cast<size_t>(doc.analysis.symbols[s].definition)];
            std::string refusal;
            const json edit = Rename(doc, name.place, "zz_renamed" + std::to_string(s), Units::Utf16, &refusal);
            EXPECT_EQ(refusal, "") << file;
            EXPECT_EQ(Mic(Apply(utf8, edit)), analysis.assembly.mic) << file << ": " << name.text;
        }
    }
}

// One run of zanfo serves the server and the checks: its warnings are
// zanfo-check's on the same source, each on its line, and zanfo's
// messages are as many as zanfo-check's errors.
TEST(LspDocument, WarningsAreZanfoChecks) {
    for (const std::string &file : Sources()) {
        const std::string source = Read(file);
        const Analysis analysis = Analyze(source, {});
        std::vector<std::string> got, want;
        size_t zanfo = 0, errors = 0;
        for (const EditorDiagnostic &d : analysis.diagnostics) {
            if (d.source == "zanfo-check")
                got.push_back(std::to_string(d.from.line) + " " + d.code + " " + d.message);
            zanfo += d.source == "zanfo";
        }
        const int last = static_cast<int>(LineStarts(source).size()) - 1;
        for (const Finding &f : CheckSource(source)) {
            if (f.severity == Severity::Warning)
                want.push_back(std::to_string(std::min(std::max(f.line - 1, 0), last)) + " " + f.check + " " + f.message);
            errors += f.severity == Severity::Error;
        }
        EXPECT_EQ(got, want) << file;
        EXPECT_EQ(zanfo, errors) << file;
    }
}

// Completion offers the scanner's own reserved words, each read back by
// the scanner as its token, each with a description.
TEST(LspDocument, ReservedWordsAreTheScanners) {
    std::set<std::string> rules;
    std::istringstream scanner(Read(ZANFO_SOURCE_DIR "/lexyacc/zanfo.l"));
    const std::regex rule("^\"([A-Z0-9]+)\"\\s*\\{\\s*return\\s+\\w+\\s*;\\s*\\}");
    std::smatch m;
    for (std::string line; std::getline(scanner, line);)
        if (std::regex_search(line, m, rule))
            rules.insert(m[1]);
    std::set<std::string> offered;
    for (const ReservedWordInfo &w : ReservedWords()) {
        offered.insert(w.word);
        EXPECT_FALSE(w.description.empty()) << w.word;
        const Analysis a = Analyze("PROGRAM " + w.word + " END", {});
        ASSERT_GE(a.tokens.size(), 2u) << w.word;
        EXPECT_EQ(a.tokens[1].code, w.token) << w.word;
    }
    EXPECT_GT(rules.size(), 70u);
    EXPECT_EQ(offered, rules);
}

}  // namespace
