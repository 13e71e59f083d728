// The flat table of bookmark names: a wrong number would put a figure in
// another bookmark's cell.

#include "word/docx/name_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnfold::word::docx {
namespace {

// Names as forms spell them, with the ones that stress the table: differing
// only in the last byte, longer than a word of eight bytes, empty, and many
// enough to make the table grow several times.
std::vector<std::string> Names() {
    std::vector<std::string> names = {"", "a", "z0001_000_00", "z0001_000_01", "Z0001_000_00", "name_longer_than_16"};
    for (int i = 0; i < 5000; ++i) names.push_back("z" + std::to_string(1000 + i % 100) + "_" + std::to_string(i));
    return names;
}

TEST(NameIndex, NumbersNamesInTheOrderAddedAndFindsThemAfterGrowing) {
    const std::vector<std::string> names = Names();
    NameIndex index;
    for (std::size_t n = 0; n < names.size(); ++n) {
        const auto [number, added] = index.Add(names[n]);
        ASSERT_TRUE(added) << names[n];
        ASSERT_EQ(number, n);
    }
    const auto again = index.Add("z0001_000_01");
    EXPECT_FALSE(again.second);
    EXPECT_EQ(again.first, 3u) << "a name added twice keeps its first number";
    EXPECT_EQ(index.Size(), names.size());
    for (std::size_t n = 0; n < names.size(); ++n) ASSERT_EQ(index.Find(names[n]), n) << names[n];
    for (const char* missing : {"z0001_000_0", "z0001_000_000", "b", "name_longer_than_17"}) {
        EXPECT_EQ(index.Find(missing), NameIndex::kMissing) << missing;
    }
    index.Clear();
    EXPECT_EQ(index.Find("a"), NameIndex::kMissing);
    EXPECT_EQ(index.Add("a").first, 0u);
}

TEST(NameIndex, TheLookUpInOrderGivesWhatTheTableGivesInAnyOrder) {
    const std::vector<std::string> names = Names();
    NameIndex index;
    index.Reserve(names.size());
    for (const std::string& name : names) index.Add(name);
    // In order, backwards, repeated, missing and jumping about: the note of
    // the last one found never makes another name's number come back.
    std::vector<std::string> asked(names.begin(), names.end());
    asked.insert(asked.end(), names.rbegin(), names.rend());
    asked.insert(asked.end(), {"a", "a", "missing", "z0001_000_01", "", "z0001_000_00"});
    std::uint32_t last = NameIndex::kMissing;
    for (const std::string& name : asked) {
        const std::uint32_t expected = index.Find(name);
        ASSERT_EQ(index.Find(name, last), expected) << name;
        if (expected != NameIndex::kMissing) {
            ASSERT_EQ(last, expected);
        }
    }
}

}  // namespace
}  // namespace tarnfold::word::docx
