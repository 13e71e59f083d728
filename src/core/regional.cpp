#include "core/regional.h"

#include <array>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

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

#ifdef _WIN32

// Windows pictures ("dd.MM.yyyy", "H:mm:ss", "h:mm:ss tt") turned into the
// strftime patterns the rest of the program uses.
std::string PatternFromPicture(const std::string& picture) {
    std::string out;
    for (std::size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        if (c == '\'') {
            const std::size_t end = picture.find('\'', i + 1);
            out += picture.substr(i + 1, (end == std::string::npos ? picture.size() : end) - i - 1);
            i = end == std::string::npos ? picture.size() : end + 1;
            continue;
        }
        switch (c) {
            case 'd': out += run == 1 ? "%-d" : run == 2 ? "%d" : run == 3 ? "%a" : "%A"; break;
            case 'M': out += run == 1 ? "%-m" : run == 2 ? "%m" : run == 3 ? "%b" : "%B"; break;
            case 'y': out += run <= 2 ? "%y" : "%Y"; break;
            case 'H': out += run == 1 ? "%-H" : "%H"; break;
            case 'h': out += run == 1 ? "%-I" : "%I"; break;
            case 'm': out += run == 1 ? "%-M" : "%M"; break;
            case 's': out += run == 1 ? "%-S" : "%S"; break;
            case 't': out += "%p"; break;
            case '%': out += std::string(run * 2, '%'); break;
            default: out += std::string(run, c); break;
        }
        i += run;
    }
    return out;
}

std::string LocaleText(LCTYPE type) {
    wchar_t buffer[128];
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
    if (n <= 1) return {};
    return Utf16ToUtf8(std::u16string(buffer, buffer + n - 1));
}

#endif

}  // namespace

std::optional<RegionalFormats> ReadRegionalFormats(const std::string& localeName) {
#ifdef _WIN32
    (void)localeName;
    RegionalFormats formats;
    formats.decimalSeparator = LocaleText(LOCALE_SDECIMAL);
    formats.shortDate = PatternFromPicture(LocaleText(LOCALE_SSHORTDATE));
    formats.longTime = PatternFromPicture(LocaleText(LOCALE_STIMEFORMAT));
    formats.am = LocaleText(LOCALE_S1159);
    formats.pm = LocaleText(LOCALE_S2359);
    return formats;
#else
    // A private locale object: the process-wide locale stays as it is.
    locale_t locale = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK | LC_CTYPE_MASK, localeName.c_str(), nullptr);
    if (locale == nullptr) return std::nullopt;
    const std::string codeset = nl_langinfo_l(CODESET, locale);
    const bool utf8 = codeset == "UTF-8" || codeset == "utf8";
    const auto text = [&](nl_item item) {
        const std::string raw = nl_langinfo_l(item, locale);
        return utf8 || codeset != "CP1251" ? raw : Cp1251ToUtf8(raw);
    };
    RegionalFormats formats;
    formats.decimalSeparator = text(RADIXCHAR);
    formats.shortDate = text(D_FMT);
    formats.longTime = text(T_FMT);
    // "%r" stands for the region's 12-hour pattern; keep it resolved.
    if (formats.longTime == "%r") formats.longTime = text(T_FMT_AMPM);
    formats.am = text(AM_STR);
    formats.pm = text(PM_STR);
    freelocale(locale);
    // Appended, not assigned: GCC 12 takes the assignment of a literal here
    // for an overlapping copy (-Wrestrict).
    if (formats.decimalSeparator.empty()) formats.decimalSeparator.push_back('.');
    return formats;
#endif
}

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
            case 'd': out += number(time.tm_mday); break;
            case 'e': out += unpadded ? std::to_string(time.tm_mday) : Padded(time.tm_mday, ' '); break;
            case 'm': out += number(time.tm_mon + 1); break;
            case 'y': out += number((time.tm_year + 1900) % 100); break;
            case 'Y': out += std::to_string(time.tm_year + 1900); break;
            case 'C': out += number((time.tm_year + 1900) / 100); break;
            case 'H': out += number(time.tm_hour); break;
            case 'I': out += number(TwelveHour(time.tm_hour)); break;
            case 'k': out += unpadded ? std::to_string(time.tm_hour) : Padded(time.tm_hour, ' '); break;
            case 'l': out += unpadded ? std::to_string(TwelveHour(time.tm_hour)) : Padded(TwelveHour(time.tm_hour), ' '); break;
            case 'M': out += number(time.tm_min); break;
            case 'S': out += number(time.tm_sec); break;
            case 'p': out += time.tm_hour < 12 ? formats.am : formats.pm; break;
            case 'P': out += LowerAscii(time.tm_hour < 12 ? formats.am : formats.pm); break;
            case 'D': out += FormatByPattern("%m/%d/%y", time, formats); break;
            case 'F': out += FormatByPattern("%Y-%m-%d", time, formats); break;
            case 'T': out += FormatByPattern("%H:%M:%S", time, formats); break;
            case 'R': out += FormatByPattern("%H:%M", time, formats); break;
            case 'r': out += FormatByPattern("%I:%M:%S %p", time, formats); break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case '%': out += '%'; break;
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
