// zanfo-sim --report: the formats, and where a report goes.
#include "reports.h"

namespace sim {

const ReportFormat kReportFormats[] = {
    {"text", "the state after a run, or a line a case (the default)", TextReport},
    {"tap", "TAP version 13, a test point a case, as prove reads it", TapReport},
    {"junit", "JUnit XML, a testsuite a program, as CI servers read it", JunitReport},
    {"json", "one JSON document: the programs, their cases and scores", JsonReport},
    {"gradescope", "the results.json of Gradescope's autograder", GradescopeReport},
    {"state", "the state in the plain format of hdl/'s testbench, for diff", PlainStateReport},
};
const size_t kReportFormatCount = sizeof kReportFormats / sizeof kReportFormats[0];

const ReportFormat *FindReportFormat(const std::string &name) {
    for (const ReportFormat &f : kReportFormats)
        if (name == f.name)
            return &f;
    return nullptr;
}

std::string ValidUtf8(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t more = c < 0x80 ? 0 : c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c <= 0xF4 && c >= 0xF0 ? 3 : 4;
        bool valid = more < 4 && i + more < text.size();
        for (size_t k = 1; valid && k <= more; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (valid && more >= 2) {  // no overlong forms, surrogates, U+FFFE, U+FFFF or code points past U+10FFFF
            const unsigned char d = static_cast<unsigned char>(text[i + 1]);
            valid = !(c == 0xE0 && d < 0xA0) && !(c == 0xED && d >= 0xA0) && !(c == 0xF0 && d < 0x90) &&
                    !(c == 0xF4 && d >= 0x90) &&
                    !(c == 0xEF && d == 0xBF && static_cast<unsigned char>(text[i + 2]) >= 0xBE);
        }
        if (!valid) {
            out += "\xEF\xBF\xBD";
            continue;
        }
        out.append(text, i, more + 1);
        i += more;
    }
    return out;
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
    output_.Err("zanfo-sim: cannot write " + file_ + ": " + error + "\n");
    return false;
}

}  // namespace sim
