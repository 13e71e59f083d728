#include "core/regional.h"

#include <langinfo.h>
#include <locale.h>

#include "core/text.h"

namespace tarnfold {

std::optional<RegionalFormats> ReadRegionalFormats(const std::string& localeName) {
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
}

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

}  // namespace tarnfold
