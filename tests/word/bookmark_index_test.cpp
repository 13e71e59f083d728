#include "word/bookmark_index.h"

#include <gtest/gtest.h>

namespace tarnfold::word {
namespace {

TEST(BookmarkIndex, FindsNamesIgnoringLatinAndCyrillicCase) {
    const BookmarkIndex index({"z0001_000_00", "Z1000_001_03", "ИтогоСтрок", "ёлка"});
    EXPECT_EQ(index.Find("Z0001_000_00"), "z0001_000_00");
    EXPECT_EQ(index.Find("z1000_001_03"), "Z1000_001_03");
    EXPECT_EQ(index.Find("итогострок"), "ИтогоСтрок");
    EXPECT_EQ(index.Find("ИТОГОСТРОК"), "ИтогоСтрок");
    EXPECT_EQ(index.Find("ЁЛКА"), "ёлка");
}

TEST(BookmarkIndex, MissingNamesAreNotFound) {
    const BookmarkIndex index({"z0001_000_00"});
    EXPECT_FALSE(index.Find("z0001_000_0"));
    EXPECT_FALSE(index.Find("z0001_000_000"));
    EXPECT_FALSE(index.Find(""));
    EXPECT_FALSE(BookmarkIndex().Find("z0001_000_00"));
}

TEST(BookmarkIndex, FirstOfNamesDifferingOnlyInCaseWins) {
    const BookmarkIndex index({"Total", "TOTAL", "total"});
    EXPECT_EQ(index.Size(), 1u);
    EXPECT_EQ(index.Find("total"), "Total");
}

}  // namespace
}  // namespace tarnfold::word
