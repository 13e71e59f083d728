#include "core/regional.h"

#include <array>
#include <cstdio>
#include <optional>

#include "core/text.h"

namespace tarnfold {

namespace {

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

std::string Padded(int value, char pad) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%2d", value);
    std::string out = buffer;
    if (pad != ' ' && out[0] == ' ') out[0] = pad;
    return out;
}

int TwelveHour(int hour) {
    const int h = hour % 12;
    return h == 0 ? 12 : h;
}

bool IsFieldFlag(char c) { return c == '-' || c == '_' || c == '0' || c == 'E' || c == 'O'; }

std::string ZeroPaddedNumber(int value, bool unpadded) { return unpadded ? std::to_string(value) : TwoDigits(value); }

std::string SpacePaddedNumber(int value, bool unpadded) {
    return unpadded ? std::to_string(value) : Padded(value, ' ');
}

std::optional<std::string> NumericField(char conversion, const std::tm& time, bool unpadded) {
    switch (conversion) {
        case 'd':
            return ZeroPaddedNumber(time.tm_mday, unpadded);
        case 'e':
            return SpacePaddedNumber(time.tm_mday, unpadded);
        case 'm':
            return ZeroPaddedNumber(time.tm_mon + 1, unpadded);
        case 'y':
            return ZeroPaddedNumber((time.tm_year + 1900) % 100, unpadded);
        case 'Y':
            return std::to_string(time.tm_year + 1900);
        case 'C':
            return ZeroPaddedNumber((time.tm_year + 1900) / 100, unpadded);
        case 'H':
            return ZeroPaddedNumber(time.tm_hour, unpadded);
        case 'I':
            return ZeroPaddedNumber(TwelveHour(time.tm_hour), unpadded);
        case 'k':
            return SpacePaddedNumber(time.tm_hour, unpadded);
        case 'l':
            return SpacePaddedNumber(TwelveHour(time.tm_hour), unpadded);
        case 'M':
            return ZeroPaddedNumber(time.tm_min, unpadded);
        case 'S':
            return ZeroPaddedNumber(time.tm_sec, unpadded);
        default:
            return std::nullopt;
    }
}

// The pattern a composite field stands for; null for any other field.
const char* CompositePattern(char conversion) {
    switch (conversion) {
        case 'D':
            return "%m/%d/%y";
        case 'F':
            return "%Y-%m-%d";
        case 'T':
            return "%H:%M:%S";
        case 'R':
            return "%H:%M";
        case 'r':
            return "%I:%M:%S %p";
        default:
            return nullptr;
    }
}

// The 12-hour markers and the escaped characters.
std::optional<std::string> MarkerOrCharacter(char conversion, const std::tm& time, const RegionalFormats& formats) {
    switch (conversion) {
        case 'p':
            return time.tm_hour < 12 ? formats.am : formats.pm;
        case 'P':
            return LowerAscii(time.tm_hour < 12 ? formats.am : formats.pm);
        case 'n':
            return "\n";
        case 't':
            return "\t";
        case '%':
            return "%";
        default:
            return std::nullopt;
    }
}

// Names of months and days: the C library's, in its own words.
std::string LibraryField(char conversion, const std::tm& time) {
    char buffer[128];
    const std::array<char, 3> single = {'%', conversion, '\0'};
    const std::size_t n = std::strftime(buffer, sizeof buffer, single.data(), &time);
    return std::string(buffer, n);
}

std::string FormatField(char conversion, bool unpadded, const std::tm& time, const RegionalFormats& formats) {
    if (auto number = NumericField(conversion, time, unpadded)) return *number;
    if (const char* composite = CompositePattern(conversion)) return FormatByPattern(composite, time, formats);
    if (auto text = MarkerOrCharacter(conversion, time, formats)) return *text;
    return LibraryField(conversion, time);
}

}  // namespace

RegionalFormats UserRegionalFormats() { return ReadRegionalFormats("").value_or(RegionalFormats{}); }

std::string FormatByPattern(const std::string& pattern, const std::tm& time, const RegionalFormats& formats) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        char conversion = pattern[++i];
        // "%-m" and friends: the number without padding.
        bool unpadded = false;
        if (IsFieldFlag(conversion) && i + 1 < pattern.size()) {
            unpadded = conversion == '-';
            conversion = pattern[++i];
        }
        out += FormatField(conversion, unpadded, time, formats);
    }
    return out;
}

}  // namespace tarnfold
