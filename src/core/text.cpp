#include "core/text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tarnfold {
namespace {

// Upper half of code page 1251; 0xC0..0xFF are the contiguous Cyrillic А..я.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t ByteToCodePoint(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return 0x0410 + (b - 0xC0);
    return kHigh[b - 0x80];
}

int CodePointToByte(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(0xC0 + (cp - 0x0410));
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

constexpr char32_t kInvalid = 0xFFFFFFFF;
constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The continuation bytes a lead byte allows, and how many follow it. Narrower
// second-byte ranges shut out overlong forms (C0, C1, E0 80..9F, F0 80..8F),
// surrogates (ED A0..BF) and code points above U+10FFFF (F4 90..BF, F5..FF).
struct Lead {
    int extra;
    unsigned char secondLow, secondHigh;
    char32_t bits;
};

Lead LeadOf(unsigned char b0) {
    if (b0 >= 0xC2 && b0 <= 0xDF) return {1, 0x80, 0xBF, b0 & 0x1Fu};
    if (b0 == 0xE0) return {2, 0xA0, 0xBF, 0};
    if (b0 == 0xED) return {2, 0x80, 0x9F, 0x0D};
    if (b0 >= 0xE1 && b0 <= 0xEF) return {2, 0x80, 0xBF, b0 & 0x0Fu};
    if (b0 == 0xF0) return {3, 0x90, 0xBF, 0};
    if (b0 >= 0xF1 && b0 <= 0xF3) return {3, 0x80, 0xBF, b0 & 0x07u};
    if (b0 == 0xF4) return {3, 0x80, 0x8F, 4};
    return {0, 0, 0, 0};
}

// Decodes one character at `pos` and advances it. A broken sequence yields
// kInvalid and is skipped as far as it could still have been well formed, so
// each broken piece stands for one character, as decoders commonly count it.
char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const auto b0 = static_cast<unsigned char>(s[pos++]);
    if (b0 < 0x80) return b0;
    const Lead lead = LeadOf(b0);
    if (lead.extra == 0) return kInvalid;
    char32_t cp = lead.bits;
    for (int i = 0; i < lead.extra; ++i) {
        if (pos >= s.size()) return kInvalid;
        const auto b = static_cast<unsigned char>(s[pos]);
        const bool fits = i == 0 ? b >= lead.secondLow && b <= lead.secondHigh : IsContinuation(b);
        if (!fits) return kInvalid;
        cp = (cp << 6) | (b & 0x3F);
        ++pos;
    }
    return cp;
}

char32_t FoldCodePoint(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp >= 0x0410 && cp <= 0x042F) return cp + 32;  // А..Я
    if (cp >= 0x0400 && cp <= 0x040F) return cp + 80;  // Ѐ..Џ (Ё, Ђ, Є, І, Ї, Ј, ...)
    if (cp == 0x0490) return 0x0491;                   // Ґ
    return cp;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char c : cp1251) AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const int b = CodePointToByte(NextCodePoint(utf8, pos));
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

bool FitsCp1251(std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, pos);
        if (cp != kInvalid && CodePointToByte(cp) < 0) return false;
    }
    return true;
}

std::string ReplaceBrokenUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        if (NextCodePoint(utf8, pos) == kInvalid)
            AppendUtf8(out, kReplacement);
        else
            out.append(utf8.substr(start, pos - start));
    }
    return out;
}

std::string DecodeUtf8OrCp1251(std::string_view bytes) {
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (StartsWith(bytes, kByteOrderMark)) return ReplaceBrokenUtf8(bytes.substr(kByteOrderMark.size()));
    for (std::size_t pos = 0; pos < bytes.size();)
        if (NextCodePoint(bytes, pos) == kInvalid) return Cp1251ToUtf8(bytes);
    return std::string(bytes);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t cp = NextCodePoint(utf8, pos);
        if (cp == kInvalid) cp = kReplacement;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 2);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = u'?';
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::size_t Utf8Length(std::string_view utf8) {
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < utf8.size(); ++n) NextCodePoint(utf8, pos);
    return n;
}

std::string Utf8Mid(std::string_view utf8, std::size_t first, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < first && pos < utf8.size(); ++i) NextCodePoint(utf8, pos);
    const std::size_t begin = pos;
    for (std::size_t i = 0; i < count && pos < utf8.size(); ++i) NextCodePoint(utf8, pos);
    return std::string(utf8.substr(begin, pos - begin));
}

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(utf8, pos);
        if (cp == kInvalid)
            out.append(utf8.substr(start, pos - start));
        else
            AppendUtf8(out, FoldCodePoint(cp));
    }
    return out;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

// Names compared in a loop (a result's columns, per figure) are plain ASCII:
// they compare byte by byte, and only a text with other letters is folded whole.
bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80 || y >= 0x80) return FoldCase(a.substr(i)) == FoldCase(b.substr(i));
        if (FoldCodePoint(x) != FoldCodePoint(y)) return false;
    }
    // Every character folds to at least one byte, so what is left over stays.
    return a.size() == b.size();
}

std::string Trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

std::string TrimRight(std::string_view text) {
    std::size_t e = text.size();
    while (e > 0 && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(0, e));
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string WithLineBreaks(std::string_view text, std::string_view lineBreak) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            result += lineBreak;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace tarnfold
