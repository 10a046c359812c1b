// OutputFile, which every companion command writes through: whole files or
// none, and never a plain file put in the place of a device, a pipe or a
// symbolic link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "cli.h"

namespace {

class OutputFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/zanfo-output-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
    }
    void TearDown() override { ASSERT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0); }

    std::string Path(const char *name) const { return dir_ + "/" + name; }
    static std::string Slurp(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool Write(const std::string &name, const std::string &text, bool commit) {
        OutputFile out(name);
        if (!out.Open())
            return false;
        fputs(text.c_str(), out.Stream());
        return !commit || out.Commit();
    }

    std::string dir_;
};

TEST_F(OutputFileTest, ReplacesAFileWholeOrLeavesItAsItWas) {
    ASSERT_TRUE(Write(Path("out"), "old\n", true));
    ASSERT_TRUE(Write(Path("out"), "new\n", false));  // a failed run: no Commit
    EXPECT_EQ(Slurp(Path("out")), "old\n");
    ASSERT_TRUE(Write(Path("out"), "new\n", true));
    EXPECT_EQ(Slurp(Path("out")), "new\n");
    EXPECT_EQ(system(("test $(ls -A '" + dir_ + "' | wc -l) = 1").c_str()), 0) << "a temporary file is left";
}

TEST_F(OutputFileTest, KeepsASymbolicLinkAndReplacesTheFileItNames) {
    ASSERT_TRUE(Write(Path("file"), "old\n", true));
    ASSERT_EQ(symlink("file", Path("link").c_str()), 0);
    ASSERT_TRUE(Write(Path("link"), "new\n", true));
    struct stat st;
    ASSERT_EQ(lstat(Path("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Slurp(Path("file")), "new\n");
}

// As /dev/null: renaming a temporary file over it would leave a plain file.
TEST_F(OutputFileTest, WritesAPipeInPlace) {
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    int reader = open(Path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(Write(Path("fifo"), "through\n", true));
    char got[16] = {};
    EXPECT_EQ(read(reader, got, sizeof got - 1), 8);
    EXPECT_STREQ(got, "through\n");
    close(reader);
    struct stat st;
    ASSERT_EQ(lstat(Path("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
