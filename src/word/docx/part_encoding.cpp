#include "word/docx/part_encoding.h"

#include "core/text.h"

#include <algorithm>
#include <array>

namespace tarnfold::word::docx {

namespace {

enum class SingleByte { Utf8, Latin1, Cp1251 };

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t SkipBlanks(std::string_view text, std::size_t i) {
    while (i < text.size() && IsXmlBlank(text[i])) {
        ++i;
    }
    return i;
}

// A byte order mark of UTF-16 or UTF-32, or a NUL among the first bytes where
// an ASCII-compatible part has "<?".
bool WideEncoding(std::string_view part) {
    if (part.size() < 2) {
        return false;
    }
    const auto b0 = static_cast<unsigned char>(part[0]);
    const auto b1 = static_cast<unsigned char>(part[1]);
    return b0 == 0 || b1 == 0 || (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF);
}

bool Utf8ByteOrderMark(std::string_view part) { return part.substr(0, 3) == "\xEF\xBB\xBF"; }

// Names are compared as the registry of character sets does: letter case aside.
std::optional<SingleByte> SingleByteEncoding(std::string_view declared) {
    // A part that declares UTF-16 but is written in single bytes has been
    // taken as UTF-8 all along.
    static constexpr std::array<std::string_view, 6> kUtf8 = {"", "utf-8", "utf8", "us-ascii", "ascii", "utf-16"};
    static constexpr std::array<std::string_view, 5> kLatin1 = {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1",
                                                                "latin-1"};
    static constexpr std::array<std::string_view, 4> kCp1251 = {"windows-1251", "cp1251", "cp-1251", "x-cp1251"};
    const std::string name = LowerAscii(declared);
    const auto among = [&](const auto& names) { return std::find(names.begin(), names.end(), name) != names.end(); };
    if (among(kUtf8)) {
        return SingleByte::Utf8;
    }
    if (among(kLatin1)) {
        return SingleByte::Latin1;
    }
    if (among(kCp1251)) {
        return SingleByte::Cp1251;
    }
    return std::nullopt;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size() + latin1.size() / 8);
    // Each Latin-1 byte is the code point of the same number.
    for (const char c : latin1) AppendUtf8(utf8, static_cast<unsigned char>(c));
    return utf8;
}

}  // namespace

std::string DeclaredEncoding(std::string_view part) {
    if (Utf8ByteOrderMark(part)) {
        part.remove_prefix(3);
    }
    if (part.substr(0, 5) != "<?xml" || part.size() < 6 || !IsXmlBlank(part[5])) {
        return {};
    }
    std::size_t i = 5;
    while (true) {
        i = SkipBlanks(part, i);
        const std::size_t nameStart = i;
        while (i < part.size() && part[i] != '=' && part[i] != '?' && !IsXmlBlank(part[i])) {
            ++i;
        }
        const std::string_view name = part.substr(nameStart, i - nameStart);
        i = SkipBlanks(part, i);
        if (name.empty() || i >= part.size() || part[i] != '=') {
            return {};
        }
        i = SkipBlanks(part, i + 1);
        if (i >= part.size() || (part[i] != '"' && part[i] != '\'')) {
            return {};
        }
        const std::size_t close = part.find(part[i], i + 1);
        if (close == std::string_view::npos) {
            return {};
        }
        if (name == "encoding") {
            return std::string(part.substr(i + 1, close - i - 1));
        }
        i = close + 1;
    }
}

std::optional<pugi::xml_encoding> DecodePart(std::string& part) {
    if (WideEncoding(part)) {
        return pugi::encoding_auto;
    }
    // A byte order mark outweighs whatever the declaration says.
    if (Utf8ByteOrderMark(part)) {
        return pugi::encoding_utf8;
    }
    const auto encoding = SingleByteEncoding(DeclaredEncoding(part));
    if (!encoding) {
        return std::nullopt;
    }
    switch (*encoding) {
        case SingleByte::Latin1:
            part = Latin1ToUtf8(part);
            break;
        case SingleByte::Cp1251:
            part = Cp1251ToUtf8(part);
            break;
        case SingleByte::Utf8:
            break;
    }
    return pugi::encoding_utf8;
}

}  // namespace tarnfold::word::docx
