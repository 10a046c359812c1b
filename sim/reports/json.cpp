// --report json: the whole run as one JSON document, for scripts and
// spreadsheets: the programs, each with whether it assembled, zanfo's
// messages, its score and its cases, each case with its status, cycles,
// points, the expectations that did not hold and why a run stopped.  The
// manual describes every field.
#include <nlohmann/json.hpp>

#include "reports.h"

namespace sim {

namespace {

const char *StatusName(Verdict v) {
    switch (v) {
    case Verdict::Ok: return "ok";
    case Verdict::Fail: return "fail";
    case Verdict::Error: return "error";
    }
    return "error";
}

class Json : public ReportWriter {
  public:
    Json(ReportSink &sink, const ReportContext &context) : sink_(sink), context_(context) {}

    void Finish(const std::vector<ProgramResult> &programs) override {
        using json = nlohmann::ordered_json;
        json doc = json::object();
        doc["tests"] = context_.testFile ? json(context_.tests) : json(nullptr);
        int status = 0;
        json list = json::array();
        for (const ProgramResult &p : programs) {
            json cases = json::array();
            for (const CaseResult &c : p.cases) {
                json failures = json::array();
                for (const Mismatch &f : c.failures)
                    failures.push_back({{"name", f.name}, {"expected", f.expected}, {"got", f.got}, {"message", f.text}});
                cases.push_back({
                    {"name", c.name},
                    {"line", c.line},
                    {"status", StatusName(c.verdict)},
                    {"cycles", c.ran ? json(c.cycles) : json(nullptr)},
                    {"end", c.ran ? json(c.endLine) : json(nullptr)},
                    {"points", c.points},
                    {"score", c.verdict == Verdict::Ok ? c.points : 0u},
                    {"failures", failures},
                    {"stop", c.verdict == Verdict::Error ? json(c.stop) : json(nullptr)},
                });
            }
            list.push_back({
                {"program", p.file},
                {"assembled", p.assembled},
                {"messages", p.messages},
                {"problem", p.problem.empty() ? json(nullptr) : json(p.problem)},
                {"status", p.status},
                {"score", p.score},
                {"max_score", p.maxScore},
                {"cases", cases},
            });
            status = std::max(status, p.status);
        }
        doc["status"] = status;
        doc["programs"] = list;
        sink_.Write(doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
    }

  private:
    ReportSink &sink_;
    const ReportContext &context_;
};

}  // namespace

std::unique_ptr<ReportWriter> JsonReport(ReportSink &sink, const ReportContext &context) {
    return std::make_unique<Json>(sink, context);
}

}  // namespace sim
