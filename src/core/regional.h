#pragma once
// The user's regional formats, read once by the window program from its
// platform and handed down as plain values, so every rule below can be tested
// under any locale.

#include <ctime>
#include <optional>
#include <string>

namespace tarnfold {

struct RegionalFormats {
    std::string decimalSeparator = ",";
    // strftime patterns of the short date and the long time.
    std::string shortDate = "%d.%m.%Y";
    std::string longTime = "%H:%M:%S";
    // Markers of a 12-hour clock ("%p"); empty where the region has none.
    std::string am;
    std::string pm;
};

// The formats of a named locale ("ru_RU.UTF-8"); nullopt when the system does
// not know it. An empty name means the user's own settings (LC_ALL,
// LC_NUMERIC, LC_TIME, LANG). Texts come back in UTF-8.
std::optional<RegionalFormats> ReadRegionalFormats(const std::string& localeName);

// The user's formats, or the built-in ones when the locale cannot be read.
RegionalFormats UserRegionalFormats();

// The moment in the local time zone, by the system's thread-safe call.
std::tm LocalTime(std::time_t moment);

// A date or time written by one of the patterns above. Numeric fields, the
// composite ones ("%D", "%T", "%r", "%R", "%F") and the markers are filled
// here, so the result never depends on the process's current locale.
std::string FormatByPattern(const std::string& pattern, const std::tm& time, const RegionalFormats& formats);

}  // namespace tarnfold
