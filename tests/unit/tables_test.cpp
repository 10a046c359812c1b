// The equate and label tables, and the number conversions the scanner and
// the tables share.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "tables.h"
#include "zanfo.h"

namespace {

struct Translation {
    int found;
    char text[16];
    int kind;
    int number;
};

Translation Translate(const char *name) {
    Translation t{0, "untouched", -7, -7};
    t.found = TranslateIdentifier(name, t.text, &t.kind, &t.number);
    return t;
}

class Tables : public testing::Test {
protected:
    void SetUp() override {
        ClearIdentifiers();
        ClearLabels();
    }
};

TEST_F(Tables, EquatesIgnoreCaseAndKeepTheFirstBinding) {
    EXPECT_EQ(InsertIdentifier("Acc", "R5"), 1);
    EXPECT_EQ(InsertIdentifier("ACC", "R6"), 0);
    for (const char *name : {"acc", "ACC", "aCc"}) {
        Translation t = Translate(name);
        EXPECT_EQ(t.found, 1);
        EXPECT_STREQ(t.text, "r5");
        EXPECT_EQ(t.kind, REGKIND_GENERAL);
        EXPECT_EQ(t.number, 5);
    }
}

TEST_F(Tables, BoundTextsClassifyByKindAndNumber) {
    const struct {
        const char *reg, *text;
        int kind, number;
    } rows[] = {
        {"RQ", "rq", REGKIND_Q, 0},         {"ira3", "ira3", REGKIND_IRA, 3},
        {"irb1", "irb1", REGKIND_IRB, 1},   {"R12", "r12", REGKIND_GENERAL, 12},
        {"R007", "r007", REGKIND_GENERAL, 7}, {"R64", "r64", REGKIND_GENERAL, 64},
        {"R-5", "r-5", REGKIND_GENERAL, -5},  {"R", "r", REGKIND_GENERAL, 0},
    };
    int i = 0;
    for (const auto &row : rows) {
        std::string name = "name" + std::to_string(i++);
        ASSERT_EQ(InsertIdentifier(name.c_str(), row.reg), 1);
        Translation t = Translate(name.c_str());
        EXPECT_EQ(t.found, 1) << row.reg;
        EXPECT_STREQ(t.text, row.text);
        EXPECT_EQ(t.kind, row.kind) << row.reg;
        EXPECT_EQ(t.number, row.number) << row.reg;
    }
}

TEST_F(Tables, UnboundNameLeavesTheOutputsAlone) {
    Translation t = Translate("nothing");
    EXPECT_EQ(t.found, 0);
    EXPECT_STREQ(t.text, "untouched");
    EXPECT_EQ(t.kind, -7);
    EXPECT_EQ(t.number, -7);
}

TEST_F(Tables, TranslationNeverWritesPastSixteenBytes) {
    InsertIdentifier("long", "r000000000000000000000000000042");
    char buffer[32];
    memset(buffer, 'x', sizeof buffer);
    int kind = 0, number = 0;
    ASSERT_EQ(TranslateIdentifier("long", buffer, &kind, &number), 1);
    EXPECT_EQ(strlen(buffer), 15u);
    for (size_t i = 16; i < sizeof buffer; ++i)
        EXPECT_EQ(buffer[i], 'x');
    EXPECT_EQ(number, 42);
}

TEST_F(Tables, LabelsIgnoreCaseKeepTheFirstAddressAndSurviveEquateClearing) {
    EXPECT_EQ(InsertLabel("Top", 3), 1);
    EXPECT_EQ(InsertLabel("TOP", 9), 0);
    EXPECT_EQ(TranslateLabel("top"), 3);
    EXPECT_EQ(TranslateLabel("missing"), -1);
    ClearIdentifiers();
    EXPECT_EQ(TranslateLabel("tOP"), 3);
}

TEST(ToLower, FoldsAsciiLettersOnly) {
    char text[] = "AbZ_09\xC1\xF1{";
    ToLower(text);
    EXPECT_STREQ(text, "abz_09\xC1\xF1{");
}

TEST(Numbers, DecimalTextsConvertLikeAtoi) {
    EXPECT_EQ(DecimalToInt("007"), 7);
    EXPECT_EQ(DecimalToInt("2147483647"), INT_MAX);
    EXPECT_EQ(DecimalToInt("2147483648"), INT_MIN);
    EXPECT_EQ(DecimalToInt("4294967297"), 1);
    EXPECT_EQ(DecimalToInt("99999999999999999999"), -1);  // saturates, then cut to 32 bits
    EXPECT_EQ(DecimalToInt(""), 0);
}

// Up to 18 digits are summed directly; longer texts go through strtol.
// Both sides of that line must agree with atoi.
TEST(Numbers, DecimalTextsAroundEighteenDigits) {
    EXPECT_EQ(DecimalToInt("999999999999999999"), -1486618625);    // 18 digits
    EXPECT_EQ(DecimalToInt("1000000000000000000"), -1486618624);   // 19 digits
    EXPECT_EQ(DecimalToInt("9223372036854775807"), -1);            // LONG_MAX
    EXPECT_EQ(DecimalToInt("9223372036854775808"), -1);            // saturates
    EXPECT_EQ(DecimalToInt("0000000000000000000000042"), 42);      // leading zeros
    EXPECT_EQ(DecimalToInt("12884901893"), 5);                     // 3 * 2^32 + 5
}

TEST(Numbers, HexAndOctalWrapModulo2To32) {
    EXPECT_EQ(HexaToInt("$1F"), 31);
    EXPECT_EQ(HexaToInt("$ff"), 255);
    EXPECT_EQ(HexaToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(HexaToInt("$100000000"), 0);
    EXPECT_EQ(HexaToInt("$123456789ABCDEF0"), -1698898192);
    EXPECT_EQ(OctalToInt("%17"), 15);
    EXPECT_EQ(OctalToInt("%37777777777"), -1);
    EXPECT_EQ(ParseNumber("$", 16), 0);
    EXPECT_EQ(ParseNumber("", 8), 0);
}

TEST(Tokens, CodesMatchTheParser) {
    EXPECT_EQ(KW_PROGRAM, 257);
    EXPECT_EQ(NUMBER, 259);
    EXPECT_EQ(REG, 260);
    EXPECT_EQ(IDENT, 261);
    EXPECT_EQ(REG_RQ, 302);
    EXPECT_EQ(COND_MUSE, 334);
    EXPECT_EQ(RegTypeToToken(REGKIND_IRA, 2), REG_IRA2);
    EXPECT_EQ(RegTypeToToken(REGKIND_IRB, 3), REG_IRB3);
    EXPECT_EQ(RegTypeToToken(REGKIND_Q, 0), REG_RQ);
    EXPECT_EQ(RegTypeToToken(REGKIND_GENERAL, 99), REG);
}

}  // namespace
