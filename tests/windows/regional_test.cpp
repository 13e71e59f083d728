// The user's regional formats as the program reads them, checked against the
// system's own writing of the same dates and times.
#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>

#include "core/regional.h"
#include "core/wide_text.h"

namespace tarnfold {
namespace {

std::string SystemDate(const SYSTEMTIME& time) {
    wchar_t buffer[128] = {};
    const int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer, 128, nullptr);
    return n > 1 ? win32::Narrow(std::wstring_view(buffer, n - 1)) : std::string();
}

std::string SystemTime(const SYSTEMTIME& time) {
    wchar_t buffer[128] = {};
    const int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, buffer, 128);
    return n > 1 ? win32::Narrow(std::wstring_view(buffer, n - 1)) : std::string();
}

TEST(RegionalFormats, DecimalSeparatorIsTheUsers) {
    wchar_t separator[8] = {};
    ASSERT_GT(GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8), 1);
    EXPECT_EQ(UserRegionalFormats().decimalSeparator, win32::Narrow(separator));
}

TEST(RegionalFormats, DatesAndTimesReadAsTheSystemWritesThem) {
    const RegionalFormats formats = UserRegionalFormats();
    // Single-digit and two-digit days, months and hours, morning and evening.
    const int moments[][6] = {
        {2024, 3, 5, 9, 5, 7}, {2024, 12, 23, 21, 45, 0}, {2007, 1, 1, 0, 0, 1}, {2019, 10, 9, 12, 30, 59}};
    for (const auto& m : moments) {
        SYSTEMTIME system{};
        system.wYear = static_cast<WORD>(m[0]);
        system.wMonth = static_cast<WORD>(m[1]);
        system.wDay = static_cast<WORD>(m[2]);
        system.wHour = static_cast<WORD>(m[3]);
        system.wMinute = static_cast<WORD>(m[4]);
        system.wSecond = static_cast<WORD>(m[5]);
        std::tm local{};
        local.tm_year = m[0] - 1900;
        local.tm_mon = m[1] - 1;
        local.tm_mday = m[2];
        local.tm_hour = m[3];
        local.tm_min = m[4];
        local.tm_sec = m[5];
        std::mktime(&local);
        EXPECT_EQ(FormatByPattern(formats.shortDate, local, formats), SystemDate(system)) << formats.shortDate;
        EXPECT_EQ(FormatByPattern(formats.longTime, local, formats), SystemTime(system)) << formats.longTime;
    }
}

}  // namespace
}  // namespace tarnfold
