// Running zanfo many times in one process, as the fuzz target does: after
// ResetRun a run gives exactly what a fresh process gives, whatever the run
// before it left behind, even one that a fatal scanner error cut short in
// a comment, inside a token or in the middle of the second pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver.h"

namespace {

struct Stopped {};
[[noreturn]] void Stop(const char *) { throw Stopped{}; }

// A source that serves `text` and fails to read at `failAt`, in the first
// pass or only after it has been rewound for the second.
struct FailingSource {
    std::string text;
    size_t failAt;
    bool inSecondPass;
    size_t pos = 0;
    bool rewound = false;
};

ssize_t ReadSome(void *cookie, char *buf, size_t size) {
    auto *s = static_cast<FailingSource *>(cookie);
    size_t end = (s->inSecondPass && !s->rewound) ? s->text.size() : s->failAt;
    if (s->pos >= end) {
        if (end == s->text.size())
            return 0;
        errno = EIO;
        return -1;
    }
    size_t n = std::min(size, end - s->pos);
    memcpy(buf, s->text.data() + s->pos, n);
    s->pos += n;
    return static_cast<ssize_t>(n);
}

int Rewind(void *cookie, off64_t *offset, int whence) {
    auto *s = static_cast<FailingSource *>(cookie);
    if (*offset != 0 || whence != SEEK_SET)
        return -1;
    s->pos = 0;
    s->rewound = true;
    return 0;
}

struct Outcome {
    std::string mic;
    std::string diagnostics;
    bool stopped = false;
};

Outcome Assemble(FILE *source) {
    char *buf = nullptr;
    size_t len = 0;
    FILE *out = open_memstream(&buf, &len);
    ResetRun(source, out);
    Outcome run;
    testing::internal::CaptureStderr();
    try {
        RunPasses();
    } catch (const Stopped &) {
        run.stopped = true;
    }
    run.diagnostics = testing::internal::GetCapturedStderr();
    fclose(out);
    run.mic.assign(buf, len);
    free(buf);
    fclose(source);
    return run;
}

Outcome Assemble(const std::string &text) {
    return Assemble(fmemopen(const_cast<char *>(text.data()), text.size(), "r"));
}

Outcome AssembleFailing(FailingSource *source) {
    cookie_io_functions_t io = {ReadSome, nullptr, Rewind, nullptr};
    return Assemble(fopencookie(source, "r", io));
}

// Uses an equate, labels before and after their definition, one defined
// twice and an unknown one, with diagnostics from both passes: every table
// and counter that a leftover would disturb.
const char program[] =
    "PROGRAM a\n"
    "EQU x R5;\n"
    "start: x = x - R3;\n"
    "start: JUMP(later);\n"
    "later: RQ = MEM AND x;\n"
    "JUMP(nowhere)\n"
    "END\n";
const char programMic[] =
    "0000 4E0001B241430000\n"
    "0001 4300009040000002\n"
    "0002 4E08008940050000\n"
    "0003 4300009040000000\n";
const char programDiagnostics[] =
    "error:4:Identificador declarado dos veces\n"  // first pass
    "error:6:Identificador desconocido\n";         // second pass

// Binds the same names the program uses, to other things.
const char clash[] =
    "PROGRAM b\n"
    "later: R1 = R2;\n"
    "EQU x IRB1;\n"
    "start: R7 = R8, ";

class Rerun : public testing::Test {
protected:
    void SetUp() override { scannerFatalHook = Stop; }
    void TearDown() override { scannerFatalHook = nullptr; }

    void ExpectCleanRun() {
        Outcome run = Assemble(program);
        EXPECT_FALSE(run.stopped);
        EXPECT_EQ(run.mic, programMic);
        EXPECT_EQ(run.diagnostics, programDiagnostics);
    }
};

TEST_F(Rerun, AfterAReadErrorInsideAComment) {
    // Fails before the last line end, in the middle of the comment.
    FailingSource source{std::string(clash) + "{ never closed\n\n", std::string(clash).size() + 15, false};
    EXPECT_TRUE(AssembleFailing(&source).stopped);
    ExpectCleanRun();
}

TEST_F(Rerun, AfterATokenTooLong) {
    Outcome run = Assemble(std::string(clash) + std::string(8192, 'y') + "\nEND\n");
    EXPECT_TRUE(run.stopped);
    EXPECT_EQ(run.mic, "");
    ExpectCleanRun();
}

TEST_F(Rerun, AfterAReadErrorInTheSecondPass) {
    std::string text = std::string(clash) + "NOP\nEND\n";
    FailingSource source{text, std::string(clash).size(), true};
    Outcome run = AssembleFailing(&source);
    EXPECT_TRUE(run.stopped);
    EXPECT_EQ(run.mic, "0000 4E0000B100420000\n");  // written before the failure
    ExpectCleanRun();
    ExpectCleanRun();
}

}  // namespace
