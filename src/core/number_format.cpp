#include "core/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace tarnfold {

std::string FormatGeneral(double value, const std::string& decimalSeparator) {
    if (value == 0) return "0";

    // Most figures need no exponent: written as printf's "%.15g" would write
    // them (the same rounding to 15 significant digits, trailing zeros gone,
    // the same choice of the exponent form), the point then replaced.
    char general[40];
    const auto generalEnd = std::to_chars(general, general + sizeof general, value, std::chars_format::general, 15).ptr;
    const std::string_view plain(general, static_cast<std::size_t>(generalEnd - general));
    if (plain.find('e') == std::string_view::npos) {
        const std::size_t point = plain.find('.');
        if (point == std::string_view::npos) return std::string(plain);
        std::string out(plain.substr(0, point));
        out += decimalSeparator;
        out += plain.substr(point + 1);
        return out;
    }

    // 15 significant digits, rounded once: "d.dddddddddddddde±XX". to_chars never
    // looks at the process's locale, which the window switches to the user's
    // (where the C library would write a comma).
    char buffer[40];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view scientific(buffer, static_cast<std::size_t>(written.ptr - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (const char c : scientific.substr(0, e))
        if (c != '.') digits += c;
    std::string_view exponentText = scientific.substr(e + 1);
    if (!exponentText.empty() && exponentText.front() == '+') exponentText.remove_prefix(1);
    int exponent = 0;
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    ++exponent;  // digits before the point
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = value < 0 ? "-" : "";
    if (exponent > 15 || exponent < -3) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += decimalSeparator + digits.substr(1);
        out += "E";
        out += exponent - 1 < 0 ? "-" : "";
        out += std::to_string(std::abs(exponent - 1));
    } else if (exponent <= 0) {
        out += "0" + decimalSeparator + std::string(static_cast<std::size_t>(-exponent), '0') + digits;
    } else if (static_cast<int>(digits.size()) <= exponent) {
        out += digits + std::string(static_cast<std::size_t>(exponent) - digits.size(), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(exponent)) + decimalSeparator +
               digits.substr(static_cast<std::size_t>(exponent));
    }
    return out;
}

long long RoundHalfEven(double value) {
    // The default floating-point rounding mode rounds halves to even.
    return std::llrint(value);
}

}  // namespace tarnfold
