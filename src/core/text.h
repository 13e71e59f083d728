#pragma once
// Text inside the program is UTF-8. Code page 1251 is what the settings files,
// the journal and the database connection speak; Word and LibreOffice get UTF-16.
//
// UTF-8 is decoded strictly: an overlong form ("C0 AF" is no "/"), a surrogate
// or a code point above U+10FFFF is never taken for the character it would
// spell. Each broken piece counts as one character, U+FFFD where a character
// must stand in its place.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnfold {

// Every byte has a character (0x98, unassigned in the code page, maps to U+0098
// as Windows does), so a CP1251 text always survives the way to UTF-8 and back.
std::string Cp1251ToUtf8(std::string_view cp1251);
// A character the code page lacks, or a broken UTF-8 sequence, becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);
// Whether Utf8ToCp1251 keeps every character of the text. A broken sequence is
// no character and does not count: no encoding could keep it.
bool FitsCp1251(std::string_view utf8);

// Text from outside whose encoding nobody declared. A leading UTF-8 byte-order
// mark is dropped and the rest taken as UTF-8 (a broken piece as U+FFFD);
// without the mark, bytes that are valid UTF-8 are taken as such (Cyrillic
// CP1251 text practically never is, and pure ASCII reads the same either way),
// anything else as code page 1251.
std::string DecodeUtf8OrCp1251(std::string_view bytes);

// The text with each broken piece replaced by U+FFFD: valid UTF-8 throughout.
std::string ReplaceBrokenUtf8(std::string_view utf8);

// One code point as UTF-8, one to four bytes; the caller keeps to code
// points (no surrogates, nothing above U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

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

// Line ends as the system writes them ("\r", "\r\n", "\n") become `lineBreak`.
std::string WithLineBreaks(std::string_view text, std::string_view lineBreak);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

}  // namespace tarnfold
