// The scanner's line counter, the number every diagnostic carries.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "zanfo.h"

namespace {

// The line counter runs past 2^31 line ends into the negative numbers, and
// from -1 to 0, in every form of line end, in comments too.
TEST(LineCounter, WrapsAtThirtyTwoBits) {
    const struct {
        int32_t from;
        const char *text;
        int32_t to;
    } rows[] = {
        {INT32_MAX, "\nx", INT32_MIN},
        {INT32_MAX, "\r\nx", INT32_MIN},
        {INT32_MAX, "\rx", INT32_MIN},
        {INT32_MAX, "{\n}x", INT32_MIN},
        {INT32_MAX - 1, "\n\n\r\n\rx", INT32_MIN + 2},
        {-1, "\nx", 0},
    };
    primeraPasada = 1;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        std::string text = row.text;
        FILE *in = fmemopen(&text[0], text.size(), "r");
        RestartScanner(in);
        line = row.from;
        EXPECT_EQ(yylex(), IDENT);
        EXPECT_EQ(line, row.to);
        EXPECT_EQ(yylex(), END_OF_INPUT);  // drops the buffered input
        fclose(in);
    }
    line = 1;
}

}  // namespace
