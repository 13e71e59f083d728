// How a text is cut into the pieces of a run.

#include "word/docx/run_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tarnfold::word::docx {
namespace {

using Kind = RunPiece::Kind;
using ::testing::ElementsAre;

RunPiece Text(std::string text) { return {Kind::Text, std::move(text)}; }
const RunPiece kTab{Kind::Tab, {}};
const RunPiece kBreak{Kind::Break, {}};

TEST(SplitRunText, TabsAndEveryKindOfLineEndBecomeElements) {
    EXPECT_THAT(SplitRunText("a\tb"), ElementsAre(Text("a"), kTab, Text("b")));
    EXPECT_THAT(SplitRunText("a\r\nb\nc\rd\ve"),
                ElementsAre(Text("a"), kBreak, Text("b"), kBreak, Text("c"), kBreak, Text("d"), kBreak, Text("e")));
    EXPECT_THAT(SplitRunText("\t\t"), ElementsAre(kTab, kTab));
    EXPECT_THAT(SplitRunText("\r\n\r\n"), ElementsAre(kBreak, kBreak)) << "CR LF is one break";
    EXPECT_THAT(SplitRunText(""), ElementsAre());
}

TEST(SplitRunText, CharactersXmlCannotHoldAreDroppedAndBrokenBytesReplaced) {
    EXPECT_THAT(SplitRunText("1\x01"
                             "2\x1f"
                             "3\x7f"),
                ElementsAre(Text("123\x7f")))
        << "DEL is a legal XML character";
    EXPECT_THAT(SplitRunText("\x0c\x1b"), ElementsAre());
    EXPECT_THAT(SplitRunText("a\xEF\xBF\xBE"
                             "b\xEF\xBF\xBF"),
                ElementsAre(Text("ab")))
        << "U+FFFE, U+FFFF";
    EXPECT_THAT(SplitRunText("a\xFF"
                             "b"),
                ElementsAre(Text("a\xEF\xBF\xBD"
                                 "b")));
    EXPECT_THAT(SplitRunText("\xED\xA0\x80"), ElementsAre(Text("\xEF\xBF\xBD"))) << "an encoded surrogate";
    EXPECT_THAT(SplitRunText("\xC0\xAF"), ElementsAre(Text("\xEF\xBF\xBD\xEF\xBF\xBD"))) << "an overlong slash";
    EXPECT_THAT(SplitRunText("x\xD0"), ElementsAre(Text("x\xEF\xBF\xBD"))) << "cut off at the end";
    EXPECT_THAT(SplitRunText("Ёж \xC2\x98 \xF0\x9F\x98\x80"), ElementsAre(Text("Ёж \xC2\x98 \xF0\x9F\x98\x80")));
}

TEST(NeedsPreserve, BlanksAtTheEndsOrTwoInARow) {
    EXPECT_TRUE(NeedsPreserve(" 1"));
    EXPECT_TRUE(NeedsPreserve("1 "));
    EXPECT_TRUE(NeedsPreserve("1  2"));
    EXPECT_TRUE(NeedsPreserve(" "));
    EXPECT_FALSE(NeedsPreserve("1 2"));
    EXPECT_FALSE(NeedsPreserve("12,5"));
    EXPECT_FALSE(NeedsPreserve(""));
}

}  // namespace
}  // namespace tarnfold::word::docx
