#include "core/regional.h"

#include <array>
#include <cstdio>

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

}  // namespace

RegionalFormats UserRegionalFormats() { return ReadRegionalFormats("").value_or(RegionalFormats{}); }

std::string FormatByPattern(const std::string& pattern, const std::tm& time, const RegionalFormats& formats) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        char c = pattern[++i];
        // "%-m" and friends: the number without padding.
        bool unpadded = false;
        if ((c == '-' || c == '_' || c == '0' || c == 'E' || c == 'O') && i + 1 < pattern.size()) {
            unpadded = c == '-';
            c = pattern[++i];
        }
        const auto number = [&](int value) { return unpadded ? std::to_string(value) : TwoDigits(value); };
        switch (c) {
            case 'd':
                out += number(time.tm_mday);
                break;
            case 'e':
                out += unpadded ? std::to_string(time.tm_mday) : Padded(time.tm_mday, ' ');
                break;
            case 'm':
                out += number(time.tm_mon + 1);
                break;
            case 'y':
                out += number((time.tm_year + 1900) % 100);
                break;
            case 'Y':
                out += std::to_string(time.tm_year + 1900);
                break;
            case 'C':
                out += number((time.tm_year + 1900) / 100);
                break;
            case 'H':
                out += number(time.tm_hour);
                break;
            case 'I':
                out += number(TwelveHour(time.tm_hour));
                break;
            case 'k':
                out += unpadded ? std::to_string(time.tm_hour) : Padded(time.tm_hour, ' ');
                break;
            case 'l':
                out += unpadded ? std::to_string(TwelveHour(time.tm_hour)) : Padded(TwelveHour(time.tm_hour), ' ');
                break;
            case 'M':
                out += number(time.tm_min);
                break;
            case 'S':
                out += number(time.tm_sec);
                break;
            case 'p':
                out += time.tm_hour < 12 ? formats.am : formats.pm;
                break;
            case 'P':
                out += LowerAscii(time.tm_hour < 12 ? formats.am : formats.pm);
                break;
            case 'D':
                out += FormatByPattern("%m/%d/%y", time, formats);
                break;
            case 'F':
                out += FormatByPattern("%Y-%m-%d", time, formats);
                break;
            case 'T':
                out += FormatByPattern("%H:%M:%S", time, formats);
                break;
            case 'R':
                out += FormatByPattern("%H:%M", time, formats);
                break;
            case 'r':
                out += FormatByPattern("%I:%M:%S %p", time, formats);
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case '%':
                out += '%';
                break;
            default: {
                // Names of months and days: the C library's, in its own words.
                char buffer[128];
                const std::array<char, 3> single = {'%', c, '\0'};
                const std::size_t n = std::strftime(buffer, sizeof buffer, single.data(), &time);
                out.append(buffer, n);
                break;
            }
        }
    }
    return out;
}

}  // namespace tarnfold
