// --report gradescope: the results.json that Gradescope's autograder reads
// from /autograder/results/: the score, and a test a case with its name,
// score, max_score, status and output.  With several programs each
// test's name starts with the program's.
#include <nlohmann/json.hpp>

#include "report.h"
#include "reports.h"

namespace sim {

namespace {

class Gradescope : public ReportWriter {
  public:
    Gradescope(ReportSink &sink, const ReportContext &context) : sink_(sink), context_(context) {}

    void Finish(const std::vector<ProgramResult> &programs) override {
        using json = nlohmann::ordered_json;
        unsigned score = 0;
        std::string output;
        json tests = json::array();
        for (const ProgramResult &p : programs) {
            score += p.score;
            for (const std::string &m : p.messages)
                output += m + "\n";
            for (const CaseResult &c : p.cases) {
                std::string text;
                if (c.verdict != Verdict::Error)
                    text = c.endLine;
                else if (c.verdict == Verdict::Error)
                    text = c.ran ? c.endLine + ": " + c.stop : c.stop;
                for (const Mismatch &f : c.failures)
                    text += (text.empty() ? "" : "\n") + f.text;
                tests.push_back({
                    {"name", context_.programs > 1 ? p.file + ": " + c.name : c.name},
                    {"score", c.verdict == Verdict::Ok ? c.points : 0u},
                    {"max_score", c.points},
                    {"status", c.verdict == Verdict::Ok ? "passed" : "failed"},
                    {"output", text},
                });
            }
        }
        json doc = {{"score", score}, {"tests", tests}};
        if (!output.empty())
            doc["output"] = output;
        sink_.Write(doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
    }

  private:
    ReportSink &sink_;
    const ReportContext &context_;
};

}  // namespace

std::unique_ptr<ReportWriter> GradescopeReport(ReportSink &sink, const ReportContext &context) {
    return std::make_unique<Gradescope>(sink, context);
}

}  // namespace sim
