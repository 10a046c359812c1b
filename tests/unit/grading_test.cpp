// zanfo-sim for grading: the report formats, test files with points and
// cycle limits, several programs at once, testing against a reference and
// coverage, through RunSim with its files held in memory.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sim.h"

namespace {

// Standard output and error, and the files written, of one run.
class Outcome : public SimOutput {
  public:
    void Out(const std::string &text) override { out += text; }
    void Err(const std::string &text) override { err += text; }
    bool File(const std::string &name, const std::string &bytes, std::string *) override {
        files[name] = bytes;
        return true;
    }
    std::string out, err;
    std::map<std::string, std::string> files;
    int status = -1;
};

// sum.zan adds n + (n - 1) + ... + 1 into total.
const std::map<std::string, std::string> kFiles = {
    {"sum.zan",
     "PROGRAM sum\nEQU total R1;\nEQU n R2;\n total = 0;\nagain: total = total + n;\n"
     " DECR(n), LDUFLAG;\n JUMP(again, NUZ);\n HALT\nEND\n"},
    {"sum.test", "case three\nset n=3\nexpect total=6\ncase wrong\nset n=4\nexpect total=11\n"},
};

Outcome Sim(const std::vector<std::string> &args, const std::map<std::string, std::string> &extra = {}) {
    Outcome run;
    run.status = RunSim(
        args,
        [&extra](const std::string &name, std::string *text, std::string *error) {
            for (const auto *files : {&extra, &kFiles}) {
                auto it = files->find(name);
                if (it != files->end()) {
                    *text = it->second;
                    return true;
                }
            }
            *error = "No such file or directory";
            return false;
        },
        run);
    return run;
}

TEST(Report, TextGoesToTheFileOfOutputAsItWouldToStandardOutput) {
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--test", "sum.test", "sum.zan"}, {"--set", "n=3", "--expect", "total=6", "sum.zan"}}) {
        Outcome plain = Sim(args);
        std::vector<std::string> withFile = args;
        withFile.insert(withFile.end(), {"--report", "text", "-o", "report.txt"});
        Outcome filed = Sim(withFile);
        EXPECT_EQ(filed.status, plain.status);
        EXPECT_EQ(filed.out, "");
        EXPECT_EQ(filed.files["report.txt"], plain.out);
    }
    Outcome unknown = Sim({"--report", "yaml", "sum.zan"});
    EXPECT_EQ(unknown.status, kSimBadInput);
    EXPECT_NE(unknown.err.find("--report: unknown format \"yaml\""), std::string::npos) << unknown.err;
}

}  // namespace
