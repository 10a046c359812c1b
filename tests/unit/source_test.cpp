// The source as both passes read it: a pipe gives the second pass every
// byte the first pass read.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "source.h"

namespace {

// Bytes of every kind the scanner meets: text, line ends, NUL, Latin-1.
std::string Generated(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text(size, '\0');
    for (char &c : text)
        c = static_cast<char>(random() % 256);
    return text;
}

// Reads to the end in pieces of `piece` bytes, as the scanner does.
std::string ReadToEnd(FILE *in, size_t piece = 65536) {
    std::string text;
    std::string buf(piece, '\0');
    size_t n;
    while ((n = fread(&buf[0], 1, piece, in)) > 0)
        text.append(buf, 0, n);
    return text;
}

// A pipe that another thread fills with `text` in pieces of 1 to 9000
// bytes, read through ReadableTwice.
class Piped {
public:
    explicit Piped(const std::string &text) {
        int fds[2];
        if (pipe(fds) != 0)
            ADD_FAILURE() << "no pipe";
        writer_ = std::thread([text, fd = fds[1]] {
            std::mt19937 random(7);
            for (size_t at = 0; at < text.size();) {
                size_t n = std::min<size_t>(text.size() - at, 1 + random() % 9000);
                ssize_t done = write(fd, text.data() + at, n);
                if (done <= 0)
                    break;
                at += static_cast<size_t>(done);
            }
            close(fd);
        });
        FILE *source = fdopen(fds[0], "r");
        in = ReadableTwice(source);
        EXPECT_NE(in, source);
    }
    ~Piped() {
        fclose(in);  // closes the pipe: a writer still at work stops
        writer_.join();
    }
    FILE *in;

private:
    std::thread writer_;
};

TEST(ReadableTwice, RegularFileIsStreamedAsItIs) {
    FILE *file = tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReadableTwice(file), file);
    fclose(file);
}

TEST(ReadableTwice, PipeGivesEveryByteAgainFromWhereverItIsRewound) {
    for (size_t size : {0, 1, 65535, 65536, 65537, 300000}) {
        SCOPED_TRACE(size);
        const std::string text = Generated(size, static_cast<unsigned>(size));
        Piped piped(text);
        EXPECT_EQ(ReadToEnd(piped.in), text);
        for (size_t at : {size_t{0}, size / 3, size, size_t{0}}) {
            ASSERT_EQ(fseek(piped.in, static_cast<long>(at), SEEK_SET), 0);
            EXPECT_EQ(ReadToEnd(piped.in, 1000 + at % 77), text.substr(at));
        }
        EXPECT_EQ(fseek(piped.in, 0, SEEK_END), 0);
        EXPECT_EQ(ftell(piped.in), static_cast<long>(size));
        EXPECT_NE(fseek(piped.in, static_cast<long>(size) + 1, SEEK_SET), 0);
    }
}

TEST(ReadableTwice, RewindBeforeTheEndGoesOnReadingThePipe) {
    const std::string text = Generated(200000, 3);
    Piped piped(text);
    std::string head(70000, '\0');
    ASSERT_EQ(fread(&head[0], 1, head.size(), piped.in), head.size());
    EXPECT_NE(fseek(piped.in, 0, SEEK_END), 0);  // the end is not known yet
    ASSERT_EQ(fseek(piped.in, 0, SEEK_SET), 0);
    EXPECT_EQ(ReadToEnd(piped.in), text);
}

TEST(ReadableTwice, ReadErrorOfTheSourceIsOneOfTheStream) {
    FILE *folder = fopen(".", "r");
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(IsFolder(folder));
    FILE *in = ReadableTwice(folder);
    char c;
    errno = 0;
    EXPECT_EQ(fread(&c, 1, 1, in), 0u);
    EXPECT_TRUE(ferror(in));
    EXPECT_EQ(errno, EISDIR);
    fclose(in);
}

}  // namespace
