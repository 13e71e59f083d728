#include <gtest/gtest.h>

#include "core/decimal.h"
#include "core/number_format.h"

using namespace tarnfold;

TEST(FormatGeneral, ShortestFormWithTheGivenSeparator) {
    EXPECT_EQ(FormatGeneral(12.5, ","), "12,5");
    EXPECT_EQ(FormatGeneral(100.0, ","), "100");
    EXPECT_EQ(FormatGeneral(0.0051, ","), "0,0051");
    EXPECT_EQ(FormatGeneral(0.0051, "."), "0.0051");
    EXPECT_EQ(FormatGeneral(-0.01, ","), "-0,01");
    EXPECT_EQ(FormatGeneral(0.0, ","), "0");
    EXPECT_EQ(FormatGeneral(0.1 + 0.2, ","), "0,3");  // 15 digits hide the binary noise
    EXPECT_EQ(FormatGeneral(1234567.89, ","), "1234567,89");
}

TEST(FormatGeneral, EighteenDigitDecimalsAndExponentForm) {
    // A NUMERIC(18,4) near its limit: 15 significant digits, still no exponent.
    EXPECT_EQ(FormatGeneral(Decimal{999999999999999999LL, 4}.ToDouble(), ","), "100000000000000");
    EXPECT_EQ(FormatGeneral(123456789012345.0, ","), "123456789012345");
    EXPECT_EQ(FormatGeneral(1234567890123456.0, ","), "1,23456789012346E15");
    EXPECT_EQ(FormatGeneral(1e20, ","), "1E20");
    EXPECT_EQ(FormatGeneral(0.0001, ","), "0,0001");
    EXPECT_EQ(FormatGeneral(0.00001, ","), "1E-5");
    EXPECT_EQ(FormatGeneral(999999999999999.9, ","), "1E15");
    EXPECT_EQ(FormatGeneral(9999999999999.99, ","), "9999999999999,99");
    EXPECT_EQ(FormatGeneral(-0.000123456789012345678, ","), "-0,000123456789012346");
    EXPECT_EQ(FormatGeneral(-1e-7, ","), "-1E-7");
}

TEST(Decimal, ZeroAtTwoPlacesRoundsHalvesToEvenOnTheExactValue) {
    EXPECT_TRUE((Decimal{4, 3}).IsZeroAtTwoPlaces());    // 0.004
    EXPECT_TRUE((Decimal{5, 3}).IsZeroAtTwoPlaces());    // 0.005
    EXPECT_TRUE((Decimal{-50, 4}).IsZeroAtTwoPlaces());  // -0.0050
    EXPECT_FALSE((Decimal{51, 4}).IsZeroAtTwoPlaces());  // 0.0051
    EXPECT_FALSE((Decimal{15, 3}).IsZeroAtTwoPlaces());  // 0.015 -> 0.02
    EXPECT_FALSE((Decimal{-1, 2}).IsZeroAtTwoPlaces());  // -0.01
    EXPECT_TRUE((Decimal{0, 1}).IsZeroAtTwoPlaces());
    EXPECT_FALSE((Decimal{1, 1}).IsZeroAtTwoPlaces());
    EXPECT_FALSE((Decimal{INT64_MIN, 4}).IsZeroAtTwoPlaces());
    EXPECT_DOUBLE_EQ((Decimal{1250, 2}).ToDouble(), 12.5);
    EXPECT_DOUBLE_EQ((Decimal{-1, 2}).ToDouble(), -0.01);
}

TEST(RoundHalfEven, GaugeAndWindowArithmetic) {
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(37.5), 38);
    EXPECT_EQ(RoundHalfEven(62.5), 62);
    EXPECT_EQ(RoundHalfEven(520.5), 520);
    EXPECT_EQ(RoundHalfEven(346.67), 347);
    EXPECT_EQ(RoundHalfEven(1.0 / 3 * 100), 33);
}
