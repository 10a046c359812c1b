// What zanfo-prove's tests share: files held in memory, programs
// assembled into a machine, expressions, and a counterexample run in
// zanfo-sim.
#ifndef ZANFO_TESTS_PROVE_HELPERS_H
#define ZANFO_TESTS_PROVE_HELPERS_H

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "assemble.h"
#include "expr.h"
#include "machine.h"
#include "mic_file.h"
#include "sim.h"
#include "sim_helpers.h"

namespace prove_test {

inline std::string ReadText(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string Replace(std::string text, const std::string &from, const std::string &to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

inline Machine Load(const std::string &source) {
    Assembly a = AssembleText(source);
    EXPECT_TRUE(a.parsed && a.diagnostics.empty()) << a.diagnostics;
    Machine m;
    for (const MicWord &w : ParseMicText("p", a.mic, MicUse::ControlStore).words)
        m.LoadWord(w.address, w.word);
    return m;
}

inline Expr Parse(const std::string &text) {
    Expr e;
    std::string error;
    EXPECT_TRUE(ParseExpr(text, {}, &e, &error)) << error;
    return e;
}

// Runs the case of a counterexample in zanfo-sim as printed, its
// max-cycles line included; its exit status.
inline int ReplayInSim(const std::string &source, const std::string &verdictText) {
    Files files{{"p.zan", source}, {"cex.test", verdictText.substr(verdictText.find('\n') + 1)}};
    Captured out;
    return RunSim({"--test", "cex.test", "p.zan"}, Reader(files), out);
}

}  // namespace prove_test

#endif
