// zanfo-sim --report: the formats, and where a report goes.
#include "reports.h"

namespace sim {

const ReportFormat kReportFormats[] = {
    {"text", "the state after a plain run, a line a case of a test file (the default)", TextReport},
};
const size_t kReportFormatCount = sizeof kReportFormats / sizeof kReportFormats[0];

const ReportFormat *FindReportFormat(const std::string &name) {
    for (const ReportFormat &f : kReportFormats)
        if (name == f.name)
            return &f;
    return nullptr;
}

void ReportSink::Write(const std::string &text) {
    if (file_.empty() || file_ == "-")
        output_.Out(text);
    else
        buffer_ += text;
}

bool ReportSink::Close() {
    if (file_.empty() || file_ == "-")
        return true;
    std::string error;
    if (output_.File(file_, buffer_, &error))
        return true;
    output_.Err("zanfo-sim: " + file_ + ": " + error + "\n");
    return false;
}

}  // namespace sim
