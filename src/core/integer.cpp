#include "core/integer.h"

#include <string>

#include "core/error.h"

namespace tarnfold {

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size()) return std::nullopt;

    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size(); ++i, ++digits) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
        if (hex ? digits >= 8 : value > 2147483648ULL) return std::nullopt;
    }
    if (hex) {
        const auto pattern = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(pattern)) : pattern;
    }
    if (!negative && value > 2147483647ULL) return std::nullopt;
    const auto wide = static_cast<std::int64_t>(value);
    return static_cast<std::int32_t>(negative ? -wide : wide);
}

std::int32_t ReadInteger(std::string_view text, std::int32_t fallback) { return ParseInteger(text).value_or(fallback); }

std::int32_t StrToInt(std::string_view text) {
    if (auto value = ParseInteger(text)) return *value;
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

std::string SectionFieldText(std::string_view typed) {
    std::string digits;
    for (char c : typed) {
        if (c >= '0' && c <= '9' && digits.size() < 2) digits += c;
    }
    return std::string(2 - digits.size(), '0') + digits;
}

}  // namespace tarnfold
