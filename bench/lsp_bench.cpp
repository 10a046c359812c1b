// lsp_bench: how soon zanfo-lsp's diagnostics follow a change, timed as an
// editor sees them, through the command's pipes.
//
//   lsp_bench ZANFO_LSP PROGRAM.zan [CHANGES]
//
// Opens PROGRAM.zan (as an editor would, in UTF-8), then makes CHANGES
// edits (default 200) in the middle of it, each the insertion or the
// removal of a comment at the start of a line, and times each from the
// write of didChange to the read of the publishDiagnostics that answers
// it.  Prints the median, the 90th percentile and the worst, the server's
// CPU time per change (which the machine's other work does not change),
// how many diagnostics (zanfo-check's among them) and bytes each change
// brings, the time of the first diagnostics after didOpen, and of a hover
// and the inlay hints over the whole program.  Nothing here asserts a time.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

int to = -1, from = -1;
std::string buffer;
std::string last;  // the last message Await waited for

void Send(const json &message) {
    const std::string body = message.dump();
    const std::string frame = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    if (write(to, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
        perror("lsp_bench: write");
        exit(1);
    }
}

// The next message's JSON text.
std::string Receive() {
    for (;;) {
        const size_t header = buffer.find("\r\n\r\n");
        if (header != std::string::npos) {
            const size_t length = std::stoul(buffer.substr(buffer.find(':') + 1));
            if (buffer.size() >= header + 4 + length) {
                std::string message = buffer.substr(header + 4, length);
                buffer.erase(0, header + 4 + length);
                return message;
            }
        }
        char chunk[1 << 16];
        const ssize_t n = read(from, chunk, sizeof chunk);
        if (n <= 0) {
            fprintf(stderr, "lsp_bench: the server stopped\n");
            exit(1);
        }
        buffer.append(chunk, static_cast<size_t>(n));
    }
}

// Milliseconds until the next message with this method, or the answer
// with this id.  The messages are not parsed, so that the time is the
// server's: zanfo-lsp writes them compact, with the members in name order.
double Await(Clock::time_point start, const std::string &method, int id = 0) {
    const std::string answer = "{\"id\":" + std::to_string(id) + ",", notice = "\"method\":\"" + method + "\"";
    for (;;) {
        const std::string m = Receive();
        if ((id && m.compare(0, answer.size(), answer) == 0) || (!id && m.find(notice) != std::string::npos)) {
            last = m;
            return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    }
}

size_t Count(const std::string &text, const std::string &part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::string Latin1ToUtf8(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The CPU time the process has used, in milliseconds (user and system,
// from /proc: it does not count the time the machine gave to others).
double CpuMilliseconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14)
            user = std::stoull(field);
        if (n == 15)
            system = std::stoull(field);
    }
    return 1000.0 * static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Percentile(std::vector<double> times, double p) {
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, static_cast<size_t>(p * static_cast<double>(times.size())))];
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: lsp_bench ZANFO_LSP PROGRAM.zan [CHANGES]\n");
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    std::ostringstream read;
    read << file.rdbuf();
    const std::string text = Latin1ToUtf8(read.str());
    const int changes = argc > 3 ? atoi(argv[3]) : 200;
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));

    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return 1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        execl(argv[1], argv[1], static_cast<char *>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to = in[1];
    from = out[0];

    const std::string uri = "file:///bench.zan";
    Send({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
    Await(Clock::now(), "", 1);
    Send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
    Clock::time_point start = Clock::now();
    Send({{"jsonrpc", "2.0"},
          {"method", "textDocument/didOpen"},
          {"params", {{"textDocument", {{"uri", uri}, {"languageId", "zanfo"}, {"version", 1}, {"text", text}}}}}});
    const double open = Await(start, "textDocument/publishDiagnostics");

    std::vector<double> times;
    const int line = lines / 2;
    const double cpuBefore = CpuMilliseconds(pid);
    for (int k = 0; k < changes; ++k) {
        const bool insert = k % 2 == 0;
        const json range = {{"start", {{"line", line}, {"character", 0}}},
                            {"end", {{"line", line}, {"character", insert ? 0 : 5}}}};
        start = Clock::now();
        Send({{"jsonrpc", "2.0"},
              {"method", "textDocument/didChange"},
              {"params",
               {{"textDocument", {{"uri", uri}, {"version", 2 + k}}},
                {"contentChanges", {{{"range", range}, {"text", insert ? "{ x }" : ""}}}}}}});
        times.push_back(Await(start, "textDocument/publishDiagnostics"));
    }
    const double cpu = (CpuMilliseconds(pid) - cpuBefore) / changes;
    const std::string published = last;

    start = Clock::now();
    Send({{"jsonrpc", "2.0"},
          {"id", 2},
          {"method", "textDocument/hover"},
          {"params", {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line + 1}, {"character", 10}}}}}});
    const double hover = Await(start, "", 2);
    const json whole = {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", lines}, {"character", 0}}}};
    start = Clock::now();
    Send({{"jsonrpc", "2.0"},
          {"id", 3},
          {"method", "textDocument/inlayHint"},
          {"params", {{"textDocument", {{"uri", uri}}}, {"range", whole}}}});
    const double hints = Await(start, "", 3);
    Send({{"jsonrpc", "2.0"}, {"id", 4}, {"method", "shutdown"}});
    Await(Clock::now(), "", 4);
    Send({{"jsonrpc", "2.0"}, {"method", "exit"}});
    close(to);
    waitpid(pid, nullptr, 0);

    printf("program: %s, %d lines, %zu bytes\n", argv[2], lines, text.size());
    printf("diagnostics after didOpen: %.2f ms\n", open);
    printf("diagnostics after a change (%d changes): median %.2f ms, 90th percentile %.2f ms, worst %.2f ms\n",
           changes, Percentile(times, 0.5), Percentile(times, 0.9), Percentile(times, 1.0));
    printf("the server's CPU time per change: %.2f ms\n", cpu);
    printf("each change's diagnostics: %zu, %zu of them zanfo-check's, %zu bytes\n",
           Count(published, "\"severity\":"), Count(published, "\"source\":\"zanfo-check\""), published.size());
    printf("hover: %.2f ms; inlay hints of the whole program: %.2f ms\n", hover, hints);
    return 0;
}
