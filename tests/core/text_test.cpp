#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "core/error.h"
#include "core/text.h"

using namespace tarnfold;

namespace {
// The C library's own CP1251 table, as an independent reference.
std::string IconvToUtf8(const std::string& cp1251) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    std::string in = cp1251, out(in.size() * 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    const size_t rc = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return "<iconv failed>";
    out.resize(out.size() - ol);
    return out;
}
}  // namespace

TEST(Cp1251, EveryByteMatchesTheReferenceTableAndRoundTrips) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = Cp1251ToUtf8(byte);
        if (b != 0x98) {
            EXPECT_EQ(utf8, IconvToUtf8(byte)) << "byte " << b;
        }
        EXPECT_EQ(Utf8ToCp1251(utf8), byte) << "byte " << b;
    }
}

TEST(Cp1251, CyrillicTextAndMissingCharacters) {
    EXPECT_EQ(Utf8ToCp1251("Форма 7"), "\xD4\xEE\xF0\xEC\xE0 7");
    EXPECT_EQ(Utf8ToCp1251("№ Ёё"), "\xB9 \xA8\xB8");
    // Neither a CJK character nor a broken sequence has a place in the code page.
    EXPECT_EQ(Utf8ToCp1251("a中b"), "a?b");
    EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a?");
    EXPECT_EQ(Utf8ToCp1251("\xFF\xFE"), "??");
}

TEST(Utf16, RoundTripIncludingSurrogates) {
    const std::string text = "Бланк ДД.doc \xF0\x9F\x98\x80";
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 15u);
    EXPECT_EQ(wide[0], u'Б');
    EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Characters, CountAndCutByCharactersNotBytes) {
    EXPECT_EQ(Utf8Length("ДД12"), 4u);
    EXPECT_EQ(Utf8Mid("z1ДД34", 2, 4), "ДД34");
    EXPECT_EQ(Utf8Mid("12345678", 2, 4), "3456");
    EXPECT_EQ(Utf8Mid("123", 2, 4), "3");
    EXPECT_EQ(Utf8Mid("12", 5, 4), "");
}

TEST(Characters, CaseFoldingCoversLatinAndCyrillic) {
    EXPECT_TRUE(EqualsIgnoreCase("1166 - ВЕЛИНСКАЯ Область", "1166 - велинская область"));
    EXPECT_TRUE(EqualsIgnoreCase("ЁЛКА Їжак Ґ", "ёлка їжак ґ"));
    EXPECT_FALSE(EqualsIgnoreCase("Форма 7", "Форма  7"));
    EXPECT_FALSE(EqualsIgnoreCase("е", "ё"));
}

TEST(Characters, TrimRemovesBlanksAtBothEndsOnly) {
    EXPECT_EQ(Trim("  a b \t\r"), "a b");
    EXPECT_EQ(TrimRight("  a  "), "  a");
    EXPECT_EQ(Trim(""), "");
}

TEST(ErrorBox, FullStopOnlyAfterCharactersAboveTheFullStop) {
    EXPECT_EQ(ErrorBoxText("Table unknown"), "Table unknown.");
    EXPECT_EQ(ErrorBoxText("Файл не найден!"), "Файл не найден!");
    EXPECT_EQ(ErrorBoxText("(x)"), "(x)");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Ошибка"), "Ошибка.");
    EXPECT_EQ(ErrorBoxText("1/2"), "1/2.");
    EXPECT_EQ(ErrorBoxText(""), "");
}
