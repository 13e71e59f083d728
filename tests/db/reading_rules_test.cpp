#include <gtest/gtest.h>

#include "db_test_support.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"

namespace tarnfold::db {
namespace {

using tarnfold::testing::CreateDatabase;
using tarnfold::testing::TempDir;

TEST(ReadingRules, EveryAllowedTypeReadsByItsKindEmbedded) {
    TempDir dir;
    const std::string path = dir.File("types.fdb");
    CreateDatabase(path, testing::kAllTypesSql);
    testing::CheckAllTypes(testing::Attach(path));
}

TEST(ReadingRules, YearFallbackMappingStatementEmbedded) {
    TempDir dir;
    const std::string path = dir.File("mapping.fdb");
    CreateDatabase(path, testing::kMappingSql);
    testing::CheckFallbackMapping(testing::Attach(path));
}

}  // namespace
}  // namespace tarnfold::db
