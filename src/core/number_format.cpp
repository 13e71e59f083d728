#include "core/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarnfold {

std::string FormatGeneral(double value, const std::string& decimalSeparator) {
    if (value == 0) return "0";

    // 15 significant digits, rounded once by the C library: "d.dddddddddddddde±XX".
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    std::string digits;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    const int exponent = std::atoi(p + 1) + 1;  // digits before the point
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
