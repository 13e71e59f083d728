// The code-page and UTF-8/UTF-16 conversions. Input: any bytes, taken as
// UTF-8 text (perhaps broken), as code-page 1251 text and as UTF-16 units.
// What must hold for every input: a code-page text survives the way to UTF-8
// and back; every output meant as UTF-8 is valid; each broken piece counts
// as exactly one character everywhere; valid text survives UTF-16 and back.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/text.h"
#include "fuzz_support.h"

namespace tarnfold::fuzz {
namespace {

bool Valid(std::string_view utf8) { return ReplaceBrokenUtf8(utf8) == utf8; }

void CodePage(std::string_view cp1251) {
    const std::string utf8 = Cp1251ToUtf8(cp1251);
    Check(Valid(utf8), "a code-page text becomes valid UTF-8");
    Check(Utf8ToCp1251(utf8) == cp1251, "a code-page text survives the way to UTF-8 and back");
    Check(FitsCp1251(utf8), "a code-page text fits the code page");
    Check(Utf8Length(utf8) == cp1251.size(), "one character per code-page byte");
}

void Utf8(std::string_view bytes) {
    const std::string repaired = ReplaceBrokenUtf8(bytes);
    const bool valid = repaired == bytes;
    const std::size_t length = Utf8Length(bytes);
    Check(Valid(repaired), "repaired text is valid UTF-8");
    Check(Utf8Length(repaired) == length, "each broken piece is one character");

    const std::u16string wide = Utf8ToUtf16(bytes);
    Check(Utf16ToUtf8(wide) == repaired, "UTF-16 and back gives the text, broken pieces as U+FFFD");
    Check(Utf8ToUtf16(repaired) == wide, "a repaired text gives the same UTF-16");

    const std::string cp1251 = Utf8ToCp1251(bytes);
    Check(cp1251.size() == length, "one code-page byte per character");
    Check(Utf8ToCp1251(repaired) == cp1251, "broken pieces and U+FFFD both become \"?\"");
    if (valid && FitsCp1251(bytes)) Check(Cp1251ToUtf8(cp1251) == bytes, "a text that fits survives the code page");
    if (!FitsCp1251(bytes)) Check(cp1251.find('?') != std::string::npos, "a lost character shows as \"?\"");

    const std::string decoded = DecodeUtf8OrCp1251(bytes);
    Check(Valid(decoded), "undeclared text decodes to valid UTF-8");
    if (valid && !StartsWith(bytes, "\xEF\xBB\xBF")) Check(decoded == bytes, "valid UTF-8 is taken as it is");
    if (!valid && !StartsWith(bytes, "\xEF\xBB\xBF")) Check(decoded == Cp1251ToUtf8(bytes), "else it is the code page");

    const std::string folded = FoldCase(bytes);
    Check(FoldCase(folded) == folded, "folding twice changes nothing more");
    Check(Utf8Length(folded) == length, "folding keeps the characters");
    Check(EqualsIgnoreCase(bytes, folded), "a text equals its folded form");

    const std::size_t first = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % 8;
    const std::size_t count = bytes.size() < 2 ? 0 : static_cast<unsigned char>(bytes[1]) % 8;
    const std::string middle = Utf8Mid(bytes, first, count);
    Check(Utf8Length(middle) <= count, "a cut holds at most the characters asked for");
    Check(Utf8Mid(bytes, 0, first) + Utf8Mid(bytes, first, std::string::npos) == bytes,
          "two cuts at a character make the whole");
    Check(bytes.find(middle) != std::string_view::npos, "a cut is a piece of the text");

    const std::string trimmed = Trim(bytes);
    Check(Trim(trimmed) == trimmed && TrimRight(trimmed) == trimmed, "trimming twice changes nothing more");
}

void Utf16(std::string_view bytes) {
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        wide +=
            static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    const std::string utf8 = Utf16ToUtf8(wide);
    Check(Valid(utf8), "UTF-16 becomes valid UTF-8");
    std::u16string expected;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t u = wide[i];
        const bool high = u >= 0xD800 && u < 0xDC00;
        if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000) {
            expected += u;
            expected += wide[++i];
        } else {
            expected += u >= 0xD800 && u < 0xE000 ? u'?' : u;
        }
    }
    Check(Utf8ToUtf16(utf8) == expected, "UTF-16 survives UTF-8 and back, a lone surrogate as \"?\"");
}

}  // namespace
}  // namespace tarnfold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tarnfold::fuzz::CodePage(bytes);
    tarnfold::fuzz::Utf8(bytes);
    tarnfold::fuzz::Utf16(bytes);
    return 0;
}
