// The interface's own way of filling a list of bookmarks: a test and a call
// per bookmark, in order, stopping at the first failure.

#include <gtest/gtest.h>

#include "support/recording_word.h"

namespace tarnfold::word {
namespace {

struct FillingCase {
    const char* name;
    Placement placement;
    std::optional<std::string> failingCall;
    std::vector<std::string> calls;
    std::size_t placed;
    std::vector<std::string> missing;
    const char* failure;  // null when none
};

TEST(BookmarkFilling, TestsAndFillsEachBookmarkInTurnUntilTheFirstFailure) {
    const std::vector<BookmarkText> texts = {{"a", "1"}, {"gone", "2"}, {"b", "3"}, {"c", "4"}};
    const std::vector<FillingCase> cases = {
        {"in front",
         Placement::InsertBefore,
         std::nullopt,
         {"HasBookmark a", "InsertBeforeBookmark a 1", "HasBookmark gone", "HasBookmark b", "InsertBeforeBookmark b 3",
          "HasBookmark c", "InsertBeforeBookmark c 4"},
         3,
         {"gone"},
         nullptr},
        {"typed",
         Placement::TypeAt,
         std::nullopt,
         {"HasBookmark a", "TypeAtBookmark a 1", "HasBookmark gone", "HasBookmark b", "TypeAtBookmark b 3",
          "HasBookmark c", "TypeAtBookmark c 4"},
         3,
         {"gone"},
         nullptr},
        {"failing on the third",
         Placement::InsertBefore,
         "InsertBeforeBookmark b",
         {"HasBookmark a", "InsertBeforeBookmark a 1", "HasBookmark gone", "HasBookmark b", "InsertBeforeBookmark b 3"},
         1,
         {"gone"},
         "recorded failure"},
        {"failing on a test", Placement::InsertBefore, "HasBookmark a", {"HasBookmark a"}, 0, {}, "recorded failure"},
    };
    for (const FillingCase& c : cases) {
        SCOPED_TRACE(c.name);
        Recording recording;
        recording.bookmarks = {"a", "b", "c"};
        recording.failingCall = c.failingCall;
        RecordingDocument document(recording);
        const BookmarkFilling filling = document.FillBookmarks(texts, c.placement);
        EXPECT_EQ(recording.calls, c.calls);
        EXPECT_EQ(filling.placed, c.placed);
        EXPECT_EQ(filling.missing, c.missing);
        ASSERT_EQ(filling.failure.has_value(), c.failure != nullptr);
        EXPECT_STREQ(filling.failure ? filling.failure->what() : nullptr, c.failure);
    }
}

}  // namespace
}  // namespace tarnfold::word
