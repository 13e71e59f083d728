#include <gtest/gtest.h>

#include "core/error.h"
#include "core/integer.h"

using namespace tarnfold;

TEST(ReadInteger, DecimalAndHexForms) {
    EXPECT_EQ(ReadInteger("2007", 1), 2007);
    EXPECT_EQ(ReadInteger("-15", 1), -15);
    EXPECT_EQ(ReadInteger("+15", 1), 15);
    EXPECT_EQ(ReadInteger("0x7D7", 1), 2007);
    EXPECT_EQ(ReadInteger("0X7d7", 1), 2007);
    EXPECT_EQ(ReadInteger("$7D7", 1), 2007);
    EXPECT_EQ(ReadInteger("x7D7", 1), 2007);
    EXPECT_EQ(ReadInteger("X10", 1), 16);
    EXPECT_EQ(ReadInteger("-$10", 1), -16);
    EXPECT_EQ(ReadInteger("$FFFFFFFF", 1), -1);
    EXPECT_EQ(ReadInteger("$80000000", 1), INT32_MIN);
}

TEST(ReadInteger, RangeLimits) {
    EXPECT_EQ(ReadInteger("2147483647", 1), INT32_MAX);
    EXPECT_EQ(ReadInteger("-2147483648", 1), INT32_MIN);
    EXPECT_EQ(ReadInteger("2147483648", 1), 1);
    EXPECT_EQ(ReadInteger("-2147483649", 1), 1);
    EXPECT_EQ(ReadInteger("99999999999999999999", 1), 1);
    EXPECT_EQ(ReadInteger("$100000000", 1), 1);
    EXPECT_EQ(ReadInteger("$000000001", 1), 1);
}

TEST(ReadInteger, AnythingElseGivesTheDefault) {
    for (const char* bad : {"", "abc", "yes", "12 ", "1.5", "1e3", "--1", "+", "0x", "$", "$G", "12a", "0x-5"})
        EXPECT_EQ(ReadInteger(bad, 77), 77) << '"' << bad << '"';
    EXPECT_EQ(ReadInteger("  12", 77), 12);  // leading blanks are skipped
}

TEST(StrToInt, NamesTheTextThatFailed) {
    EXPECT_EQ(StrToInt("0012"), 12);
    try {
        StrToInt("12 ");
        FAIL() << "a trailing blank must fail";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'12 ' is not a valid integer value");
    }
    EXPECT_THROW(StrToInt(""), Error);
}

TEST(SectionFieldText, SingleDigitReadsAsThatSection) {
    EXPECT_EQ(SectionFieldText(""), "00");
    EXPECT_EQ(SectionFieldText("1"), "01");
    EXPECT_EQ(SectionFieldText(" 1"), "01");
    EXPECT_EQ(SectionFieldText("1 "), "01");
    EXPECT_EQ(SectionFieldText("12"), "12");
    EXPECT_EQ(SectionFieldText("123"), "12");
    EXPECT_EQ(SectionFieldText("abc"), "00");
    EXPECT_EQ(SectionFieldText("0"), "00");
}
