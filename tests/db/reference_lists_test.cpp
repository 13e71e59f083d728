#include <gtest/gtest.h>

#include "db/data_module.h"

namespace tarnfold::db {
namespace {

using Entries = std::vector<std::string>;

TEST(ReferenceLists, InstitutionEntriesAreCodeDashNameInRecordOrder) {
    const std::vector<Institution> records = {
        {"01", "", "Велинская область", "1166", "1"},
        {"02", "x", "ГБ №2", "0002", "2"},
        {"03", "", "", "12", "3"},
    };
    EXPECT_EQ(InstitutionEntries(records), (Entries{"1166 - Велинская область", "0002 - ГБ №2", "12 - "}));
    EXPECT_TRUE(InstitutionEntries({}).empty());
}

TEST(ReferenceLists, PeriodEntriesAreNamesAsRead) {
    const std::vector<Period> records = {{"01", "Январь"}, {"02", "Февраль   "}, {"03", ""}};
    EXPECT_EQ(PeriodEntries(records), (Entries{"Январь", "Февраль   ", ""}));
    EXPECT_TRUE(PeriodEntries({}).empty());
}

TEST(ReferenceLists, SavedChoiceFoundIgnoringLatinAndCyrillicCase) {
    const Entries entries = {"0001 - Городская больница", "1166 - Велинская область", "1166 - велинская ОБЛАСТЬ",
                             "Form A"};
    EXPECT_EQ(FindEntryIgnoringCase(entries, "1166 - ВЕЛИНСКАЯ область"), 1);
    EXPECT_EQ(FindEntryIgnoringCase(entries, "form a"), 3);
    EXPECT_EQ(FindEntryIgnoringCase(entries, "0001 - Городская больница"), 0);
}

TEST(ReferenceLists, SavedChoiceMustMatchWhole) {
    const Entries entries = {"1166 - Велинская область"};
    EXPECT_EQ(FindEntryIgnoringCase(entries, "1166"), -1);
    EXPECT_EQ(FindEntryIgnoringCase(entries, "1166 - Велинская область "), -1);
    EXPECT_EQ(FindEntryIgnoringCase(entries, ""), -1);
    EXPECT_EQ(FindEntryIgnoringCase({}, "1166 - Велинская область"), -1);
}

}  // namespace
}  // namespace tarnfold::db
