#include "db/named_parameters.h"

#include <gtest/gtest.h>

namespace tarnfold::db {
namespace {

using Names = std::vector<std::string>;

TEST(NamedParameters, EveryOccurrenceBecomesAMarker) {
    const auto p = ToPositional("select max(god) iGod from columns where (tbl=:ntbl) or (tbl=:NTBL)");
    EXPECT_EQ(p.sql, "select max(god) iGod from columns where (tbl=?) or (tbl=?)");
    EXPECT_EQ(p.names, (Names{"ntbl", "ntbl"}));
}

TEST(NamedParameters, NamesAreTakenWhole) {
    const auto p = ToPositional("where god=:god_def and god=:god and x=:g1$x");
    EXPECT_EQ(p.sql, "where god=? and god=? and x=?");
    EXPECT_EQ(p.names, (Names{"god_def", "god", "g1$x"}));
}

TEST(NamedParameters, QuotedTextAndCommentsAreLeftAlone) {
    const auto p = ToPositional(
        "select ':a', 'it''s :b', \"col:c\" -- :d\n"
        "from t /* :e */ where x = :f and y = 'a''' and z = :g");
    EXPECT_EQ(p.sql,
              "select ':a', 'it''s :b', \"col:c\" -- :d\n"
              "from t /* :e */ where x = ? and y = 'a''' and z = ?");
    EXPECT_EQ(p.names, (Names{"f", "g"}));
}

TEST(NamedParameters, ColonWithoutANameStays) {
    const auto p = ToPositional("select 1 from t where a = : b and c = :1");
    EXPECT_EQ(p.sql, "select 1 from t where a = : b and c = :1");
    EXPECT_TRUE(p.names.empty());
}

TEST(NamedParameters, UnclosedQuoteOrCommentRunsToTheEnd) {
    EXPECT_EQ(ToPositional("select ':x").sql, "select ':x");
    EXPECT_EQ(ToPositional("select /* :x").sql, "select /* :x");
    // The "*" that opens a comment cannot also close it.
    EXPECT_TRUE(ToPositional("select /*/:g").names.empty());
    EXPECT_EQ(ToPositional("select /*/ :g */ :h").names, (Names{"h"}));
    EXPECT_TRUE(ToPositional("select 1 -- :x").names.empty());
}

}  // namespace
}  // namespace tarnfold::db
