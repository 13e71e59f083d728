#include "db/connect_rules.h"

#include <gtest/gtest.h>

namespace tarnfold::db {
namespace {

ConnectionSettings Settings(std::string path, std::string password, bool hostIniMissing) {
    ConnectionSettings s;
    s.DBPath = std::move(path);
    s.DBPassword = std::move(password);
    s.HostIniMissing = hostIniMissing;
    return s;
}

TEST(ConnectRules, DatabaseNameFromTheFolderGetsASeparator) {
    EXPECT_EQ(DatabaseNameFor(Settings("C:\\Data", "", true)), "C:\\Data\\kvel.gdb");
    EXPECT_EQ(DatabaseNameFor(Settings("C:\\Data\\", "", true)), "C:\\Data\\kvel.gdb");
    EXPECT_EQ(DatabaseNameFor(Settings("D", "", true)), "D:\\kvel.gdb");
    EXPECT_EQ(DatabaseNameFor(Settings("/srv/kvel", "", true)), "/srv/kvel/kvel.gdb");
    EXPECT_EQ(DatabaseNameFor(Settings("", "", true)), "kvel.gdb");
}

TEST(ConnectRules, DatabaseNameFromTheLocatorIsUsedAsItStands) {
    EXPECT_EQ(DatabaseNameFor(Settings("dbhost:C:\\Ardmet\\kvel\\kvel.gdb", "", false)),
              "dbhost:C:\\Ardmet\\kvel\\kvel.gdb");
}

TEST(ConnectRules, ParameterLines) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(ParameterLines(Settings("x", "masterkey", true)),
              (Lines{"user_name=SYSDBA", "lc_ctype=WIN1251", "password=masterkey"}));
    EXPECT_EQ(ParameterLines(Settings("x", "password=masterkey", false)),
              (Lines{"user_name=SYSDBA", "lc_ctype=WIN1251", "password=masterkey"}));
    EXPECT_EQ(ParameterLines(Settings("x", "masterkey", false)),
              (Lines{"user_name=SYSDBA", "lc_ctype=WIN1251", "masterkey"}));
}

TEST(ConnectRules, FailureMessageHidesTheSecret) {
    EXPECT_EQ(FirstFailureMessage(Settings("/srv/kvel", "masterkey", true)), "1 /srv/kvel/kvel.gdb\r***");
    EXPECT_EQ(FirstFailureMessage(Settings("/srv/kvel", "", true)), "1 /srv/kvel/kvel.gdb\r");
    EXPECT_EQ(FirstFailureMessage(Settings("h:/d/kvel.gdb", "password=masterkey", false)),
              "h:/d/kvel.gdb\rpassword=***");
    EXPECT_EQ(FirstFailureMessage(Settings("h:/d/kvel.gdb", "Password=a=b", false)), "h:/d/kvel.gdb\rPassword=***");
    EXPECT_EQ(FirstFailureMessage(Settings("h:/d/kvel.gdb", "masterkey", false)), "h:/d/kvel.gdb\r***");
    EXPECT_EQ(FirstFailureMessage(Settings("h:/d/kvel.gdb", "", false)), "h:/d/kvel.gdb\r");
}

}  // namespace
}  // namespace tarnfold::db
