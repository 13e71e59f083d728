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

TEST(Utf8, BrokenFormsNeverSpellACharacter) {
    struct Case {
        std::string bytes;
        std::u16string wide;  // each broken piece one U+FFFD
    };
    const Case cases[] = {
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong "/"
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong "/" in three bytes
        {"\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // and in four
        {"\xE0\xA0\x80", u"\u0800"},                        // the shortest three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // surrogate D800
        {"\xED\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},            // surrogate DFFF
        {"\xED\x9F\xBF", u"\uD7FF"},                        // last code point before the surrogates
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // U+110000
        {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xE2\x82"
         "A",
         u"\uFFFDA"},  // cut short: one piece
        {"a\xD0", u"a\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.wide);
        EXPECT_EQ(ReplaceBrokenUtf8(c.bytes), Utf16ToUtf8(c.wide));
        std::size_t characters = 0;
        for (std::size_t i = 0; i < c.wide.size(); ++i)
            if (c.wide[i] < 0xDC00 || c.wide[i] >= 0xE000) ++characters;
        EXPECT_EQ(Utf8Length(c.bytes), characters);
        EXPECT_EQ(Utf8ToCp1251(c.bytes), Utf8ToCp1251(Utf16ToUtf8(c.wide)));
        const bool broken = c.wide.find(u'\uFFFD') != std::u16string::npos;
        EXPECT_EQ(DecodeUtf8OrCp1251(c.bytes), broken ? Cp1251ToUtf8(c.bytes) : c.bytes);
    }
}

TEST(Utf8, AppendsOneToFourBytesPerCodePoint) {
    std::string out;
    for (const char32_t cp :
         {U'A', U'\u007F', U'\u0080', U'Ж', U'\u07FF', U'\u0800', U'€', U'\uFFFD', U'\U00010000', U'\U0010FFFF'})
        AppendUtf8(out, cp);
    EXPECT_EQ(out, "A\x7F\xC2\x80Ж\xDF\xBF\xE0\xA0\x80€\xEF\xBF\xBD\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    EXPECT_EQ(Utf8ToUtf16(out), u"A\u007F\u0080Ж\u07FF\u0800€\uFFFD\U00010000\U0010FFFF");
}

TEST(Utf8, UndeclaredEncodingIsUtf8WhenMarkedOrValidElseCodePage1251) {
    struct Case {
        std::string bytes, text;
    };
    const Case cases[] = {
        {"", ""},
        {"dbPath=C:\\db\\", "dbPath=C:\\db\\"},
        {"Отчёт №1", "Отчёт №1"},
        {"\xEF\xBB\xBFОтчёт", "Отчёт"},
        {"\xEF\xBB\xBF", ""},
        {"\xEF\xBB\xBF\xEF\xBB\xBF"
         "a",
         "\uFEFF"
         "a"},
        {"\xEF\xBB\xBF"
         "a\xC0",
         "a\uFFFD"},
        {"\xCE\xF2\xF7\xB8\xF2 \xB9"
         "1",
         "Отчёт №1"},
        {"\xC0\xAF", "АЇ"},
        // Mostly UTF-8, one word in the code page: the whole is the code page.
        {"Отчёт \xC2\xE5\xEB", "РћС‚С‡С‘С‚ Вел"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        EXPECT_EQ(DecodeUtf8OrCp1251(c.bytes), c.text);
    }
}

TEST(Cp1251, FitsWhenEveryCharacterHasAByte) {
    EXPECT_TRUE(FitsCp1251(""));
    EXPECT_TRUE(FitsCp1251("C:\\Отчёты №7 «ДД» €"));
    EXPECT_FALSE(FitsCp1251("/home/anna/Modèles"));
    EXPECT_FALSE(FitsCp1251("Straße"));
    EXPECT_FALSE(FitsCp1251("a中b"));
    // Broken bytes are lost in any encoding; they alone decide nothing.
    EXPECT_TRUE(FitsCp1251("a\xC0\xAF"));
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
    EXPECT_TRUE(EqualsIgnoreCase("NTBL", "ntbl"));
    EXPECT_FALSE(EqualsIgnoreCase("n1", "n10"));
    EXPECT_FALSE(EqualsIgnoreCase("n10", "n1"));
    EXPECT_FALSE(EqualsIgnoreCase("a[", "A{"));
    EXPECT_TRUE(EqualsIgnoreCase("Tbl Ёж", "tBL ёЖ"));
    EXPECT_FALSE(EqualsIgnoreCase("tbl", "tbl Ж"));
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
