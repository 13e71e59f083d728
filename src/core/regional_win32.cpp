#include "core/regional.h"

#include <windows.h>

#include "core/text.h"

namespace tarnfold {
namespace {

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
            case 'd':
                out += run == 1 ? "%-d" : run == 2 ? "%d" : run == 3 ? "%a" : "%A";
                break;
            case 'M':
                out += run == 1 ? "%-m" : run == 2 ? "%m" : run == 3 ? "%b" : "%B";
                break;
            case 'y':
                out += run <= 2 ? "%y" : "%Y";
                break;
            case 'H':
                out += run == 1 ? "%-H" : "%H";
                break;
            case 'h':
                out += run == 1 ? "%-I" : "%I";
                break;
            case 'm':
                out += run == 1 ? "%-M" : "%M";
                break;
            case 's':
                out += run == 1 ? "%-S" : "%S";
                break;
            case 't':
                out += "%p";
                break;
            case '%':
                out += std::string(run * 2, '%');
                break;
            default:
                out += std::string(run, c);
                break;
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

}  // namespace

std::optional<RegionalFormats> ReadRegionalFormats(const std::string&) {
    RegionalFormats formats;
    formats.decimalSeparator = LocaleText(LOCALE_SDECIMAL);
    formats.shortDate = PatternFromPicture(LocaleText(LOCALE_SSHORTDATE));
    formats.longTime = PatternFromPicture(LocaleText(LOCALE_STIMEFORMAT));
    formats.am = LocaleText(LOCALE_S1159);
    formats.pm = LocaleText(LOCALE_S2359);
    return formats;
}

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    localtime_s(&local, &moment);
    return local;
}

}  // namespace tarnfold
