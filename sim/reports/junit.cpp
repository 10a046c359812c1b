// --report junit: JUnit XML, as CI servers and autograders read it (the
// form of Ant's JUnit task that Jenkins, GitLab and others take): a
// testsuite a program, a testcase a case with its cycles and points as
// properties, a failure for expectations that did not hold, an error for
// a run that stopped and for every case of a program that did not run;
// zanfo's messages in the suite's system-err.
#include <cinttypes>

#include "report.h"
#include "reports.h"

namespace sim {

namespace {

// Text fit for an attribute or an element of XML 1.0: UTF-8 (ValidUtf8),
// the five markup characters escaped, the control characters XML forbids
// replaced by U+FFFD; in an attribute, line ends and tabs as references,
// which a reader keeps.
std::string Xml(const std::string &text, bool attribute = true) {
    std::string out;
    for (char ch : ValidUtf8(text)) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\n': out += attribute ? "&#10;" : "\n"; break;
        case '\r': out += attribute ? "&#13;" : "\r"; break;
        case '\t': out += attribute ? "&#9;" : "\t"; break;
        default:
            if (c < 0x20 || c == 0x7F)
                out += "\xEF\xBF\xBD";
            else
                out += ch;
        }
    }
    return out;
}

std::string Property(const char *name, uint64_t value) {
    return Format("<property name=\"%s\" value=\"%" PRIu64 "\"/>", name, value);
}

class Junit : public ReportWriter {
  public:
    Junit(ReportSink &sink, const ReportContext &context) : sink_(sink), context_(context) {}

    void Finish(const std::vector<ProgramResult> &programs) override {
        size_t tests = 0, failures = 0, errors = 0;
        std::string suites;
        for (const ProgramResult &p : programs) {
            size_t failed = 0, stopped = 0;
            std::string cases;
            for (const CaseResult &c : p.cases) {
                failed += c.verdict == Verdict::Fail;
                stopped += c.verdict == Verdict::Error;
                cases += Case(p, c);
            }
            suites += "  <testsuite name=\"" + Xml(p.file) + "\"" + Format(" tests=\"%zu\" failures=\"%zu\" errors=\"%zu\"", p.cases.size(), failed, stopped) +
                      " skipped=\"0\">\n    <properties>\n      " + Property("score", p.score) + "\n      " +
                      Property("max_score", p.maxScore) + "\n    </properties>\n" + cases;
            if (!p.messages.empty()) {
                std::string text;
                for (const std::string &m : p.messages)
                    text += m + "\n";
                suites += "    <system-err>" + Xml(text, false) + "</system-err>\n";
            }
            suites += "  </testsuite>\n";
            tests += p.cases.size();
            failures += failed;
            errors += stopped;
        }
        const std::string name = context_.testFile ? context_.tests : "zanfo-sim";
        sink_.Write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"" + Xml(name) + "\"" +
                    Format(" tests=\"%zu\" failures=\"%zu\" errors=\"%zu\">\n", tests, failures, errors) + suites +
                    "</testsuites>\n");
    }

  private:
    static std::string Case(const ProgramResult &p, const CaseResult &c) {
        std::string out = "    <testcase name=\"" + Xml(c.name) + "\" classname=\"" + Xml(p.file) + "\">\n";
        out += "      <properties>\n";
        if (c.ran)
            out += "        " + Property("cycles", c.cycles) + "\n";
        out += "        " + Property("points", c.points) + "\n      </properties>\n";
        if (c.verdict == Verdict::Fail) {
            std::string message, text;
            for (const Mismatch &f : c.failures) {
                message += (message.empty() ? "" : "; ") + f.text;
                text += f.text + "\n";
            }
            out += "      <failure message=\"" + Xml(message) + "\" type=\"expectation\">" + Xml(text, false) + "</failure>\n";
        } else if (c.verdict == Verdict::Error) {
            const char *type = !c.ran ? "not run" : c.end == RunEnd::CycleLimit ? "cycle limit" : "stopped";
            const std::string text = c.ran ? c.endLine + ": " + c.stop : c.stop;
            out += "      <error message=\"" + Xml(c.stop) + "\" type=\"" + type + "\">" + Xml(text + "\n", false) + "</error>\n";
        }
        return out + "    </testcase>\n";
    }

    ReportSink &sink_;
    const ReportContext &context_;
};

}  // namespace

std::unique_ptr<ReportWriter> JunitReport(ReportSink &sink, const ReportContext &context) {
    return std::make_unique<Junit>(sink, context);
}

}  // namespace sim
