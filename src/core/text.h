#pragma once
// Text inside the program is UTF-8. Code page 1251 is what the settings files,
// the journal and the database connection speak; Word and LibreOffice get UTF-16.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnfold {

// Every byte has a character (0x98, unassigned in the code page, maps to U+0098
// as Windows does), so a CP1251 text always survives the way to UTF-8 and back.
std::string Cp1251ToUtf8(std::string_view cp1251);
// A character the code page lacks, or a broken UTF-8 sequence, becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Counting in characters, not bytes: where the system takes "characters 3 to 6"
// or "the first four characters" it means letters, also Cyrillic ones.
std::size_t Utf8Length(std::string_view utf8);
// At most `count` characters starting at character `first` (counted from 0).
std::string Utf8Mid(std::string_view utf8, std::size_t first, std::size_t count);

// Letter case folded for Latin and Cyrillic (including Ё/ё and the other
// letters of code page 1251), as the comparisons of saved choices need.
std::string FoldCase(std::string_view utf8);
std::string LowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Blanks and control characters removed at both ends, as the private-profile
// reader trims values.
std::string Trim(std::string_view text);
std::string TrimRight(std::string_view text);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

}  // namespace tarnfold
