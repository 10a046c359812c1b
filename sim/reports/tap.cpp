// --report tap: the Test Anything Protocol, version 13, as Perl's prove
// and other TAP harnesses read it: a test point a case ("ok 3 - name" or
// "not ok 3 - name"), a YAML block under each that did not pass, a comment
// with each program's score, and the plan at the end.
#include <cinttypes>

#include "report.h"
#include "reports.h"

namespace sim {

namespace {

// A test point's description: "#" would start a directive, so it and the
// backslash are escaped; a line end would end the line.
std::string Description(const std::string &text) {
    std::string out;
    for (char c : ValidUtf8(text)) {
        if (c == '#' || c == '\\')
            out += '\\';
        out += c == '\n' || c == '\r' ? ' ' : c;
    }
    return out;
}

// A YAML string in double quotes.
std::string Quoted(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : ValidUtf8(text)) {
        if (c == '"' || c == '\\')
            out += '\\', out += static_cast<char>(c);
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c == 0x7F)
            out += Format("\\x%02X", c);
        else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

class Tap : public ReportWriter {
  public:
    Tap(ReportSink &sink, const ReportContext &context) : sink_(sink), context_(context) {
        sink_.Write("TAP version 13\n");
    }

    // Each program's points once its cases are all known (a program that
    // did not run has them too, each "not run").
    void EndProgram(const ProgramResult &p) override {
        for (const CaseResult &c : p.cases)
            Point(p, c);
        sink_.Write("# " + p.file + ": score " + std::to_string(p.score) + " of " + std::to_string(p.maxScore) +
                    "\n");
    }

    void Finish(const std::vector<ProgramResult> &) override { sink_.Write("1.." + std::to_string(points_) + "\n"); }

  private:
    void Point(const ProgramResult &p, const CaseResult &c) {
        std::string name = c.name;
        if (context_.programs > 1)
            name = p.file + ": " + name;
        if (context_.weighted)
            name += " (" + std::to_string(c.points) + (c.points == 1 ? " point)" : " points)");
        ++points_;
        const bool ok = c.verdict == Verdict::Ok;
        sink_.Write(std::string(ok ? "ok " : "not ok ") + std::to_string(points_) + " - " + Description(name) + "\n");
        if (ok)
            return;
        std::string yaml = "  ---\n";
        std::string message = c.ran && c.verdict == Verdict::Error ? c.endLine + ": " + c.stop : c.stop;
        for (const Mismatch &f : c.failures)
            message += (message.empty() ? "" : "; ") + f.text;
        yaml += "  message: " + Quoted(message) + "\n";
        yaml += std::string("  severity: ") + (c.verdict == Verdict::Error ? "error" : "fail") + "\n";
        yaml += "  name: " + Quoted(c.name) + "\n";
        if (c.ran)
            yaml += Format("  cycles: %" PRIu64 "\n", c.cycles);
        yaml += Format("  points: %u\n", c.points);
        if (!c.failures.empty()) {
            yaml += "  failures:\n";
            for (const Mismatch &f : c.failures)
                yaml += "    - name: " + Quoted(f.name) + "\n" + Format("      expected: \"0x%04X\"\n", f.expected) +
                        Format("      got: \"0x%04X\"\n", f.got);
        }
        if (!c.ran && !p.messages.empty()) {  // one string: prove's reader takes "a: b" in a list for a map
            std::string text;
            for (const std::string &m : p.messages)
                text += m + "\n";
            yaml += "  messages: " + Quoted(text) + "\n";
        }
        sink_.Write(yaml + "  ...\n");
    }

    ReportSink &sink_;
    const ReportContext &context_;
    unsigned points_ = 0;  // test points written
};

}  // namespace

std::unique_ptr<ReportWriter> TapReport(ReportSink &sink, const ReportContext &context) {
    return std::make_unique<Tap>(sink, context);
}

}  // namespace sim
