#include <gtest/gtest.h>

#include <clocale>

#include "core/regional.h"
#include "support/fixed_clock.h"
#include "support/scoped_variable.h"

using namespace tarnfold;

TEST(RegionalFormats, RussianLocaleHasACommaAndDayMonthYear) {
    const auto formats = ReadRegionalFormats("ru_RU.UTF-8");
    ASSERT_TRUE(formats) << "ru_RU.UTF-8 must be generated (scripts/setup)";
    EXPECT_EQ(formats->decimalSeparator, ",");
    EXPECT_EQ(formats->shortDate, "%d.%m.%Y");
    const std::tm t = tarnfold::testing::FixedNow();
    EXPECT_EQ(FormatByPattern(formats->shortDate, t, *formats), "05.03.2011");
    EXPECT_EQ(FormatByPattern(formats->longTime, t, *formats), "14:03:09");
}

TEST(RegionalFormats, AmericanLocaleHasAPointAndATwelveHourClock) {
    const auto formats = ReadRegionalFormats("en_US.UTF-8");
    ASSERT_TRUE(formats) << "en_US.UTF-8 must be generated (scripts/setup)";
    EXPECT_EQ(formats->decimalSeparator, ".");
    const std::tm t = tarnfold::testing::FixedNow();
    EXPECT_EQ(FormatByPattern(formats->shortDate, t, *formats), "03/05/2011");
    EXPECT_EQ(FormatByPattern(formats->longTime, t, *formats), "02:03:09 PM");
}

TEST(RegionalFormats, UnknownLocaleIsNoneAndTheProcessLocaleStaysAsItWas) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    EXPECT_FALSE(ReadRegionalFormats("xx_NOWHERE.UTF-8"));
    ReadRegionalFormats("ru_RU.UTF-8");
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}

TEST(RegionalFormats, UserFormatsFollowTheEnvironment) {
    {
        const tarnfold::testing::ScopedVariable russian("LC_ALL", "ru_RU.UTF-8");
        EXPECT_EQ(UserRegionalFormats().decimalSeparator, ",");
    }
    const tarnfold::testing::ScopedVariable american("LC_ALL", "en_US.UTF-8");
    EXPECT_EQ(UserRegionalFormats().decimalSeparator, ".");
}
