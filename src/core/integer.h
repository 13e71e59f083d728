#pragma once
// Reading whole numbers from text the way the settings file, the form-section
// field and the database's text columns are read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnfold {

// Leading blanks, an optional "+" or "-", then decimal digits or a hexadecimal
// number introduced by "$", "x", "X", "0x" or "0X"; the rest of the text must be
// part of the number (a trailing blank makes it fail). Decimal values must lie in
// the 32-bit signed range; hexadecimal ones may have at most eight digits and are
// taken as a 32-bit pattern ("$FFFFFFFF" is -1).
std::optional<std::int32_t> ParseInteger(std::string_view text);

// ParseInteger, or the caller's default when the text is no such number.
std::int32_t ReadInteger(std::string_view text, std::int32_t fallback);

// ParseInteger, or the error "'TEXT' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

// The form-section field holds two digit positions; unfilled ones read as
// leading zeros, so a single typed digit is that section ("1" gives "01",
// never "1 ", which would read as no number at all). Anything that is not a
// digit is dropped; a third digit does not fit. The window's field and the
// batch's --section follow this one rule.
std::string SectionFieldText(std::string_view typed);

}  // namespace tarnfold
