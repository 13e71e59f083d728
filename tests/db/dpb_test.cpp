#include "db/dpb.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace tarnfold::db {
namespace {

std::string Item(char code, const std::string& value) {
    return std::string{code, static_cast<char>(value.size())} + value;
}

TEST(Dpb, StartUpLinesBecomeItemsInOrder) {
    const std::string dpb = BuildDpb({"user_name=SYSDBA", "lc_ctype=WIN1251", "password=masterkey"});
    EXPECT_EQ(dpb, std::string(1, '\1') + Item(28, "SYSDBA") + Item(48, "WIN1251") + Item(29, "masterkey"));
}

TEST(Dpb, NameIsLowerCasedAndLosesThePrefix) {
    EXPECT_EQ(BuildDpb({"ISC_DPB_PASSWORD=Secret", "Isc_Dpb_User_Name=sysdba"}),
              std::string(1, '\1') + Item(29, "Secret") + Item(28, "sysdba"));
}

TEST(Dpb, ValueIsEverythingAfterTheFirstEqualsSign) {
    EXPECT_EQ(BuildDpb({"password=a=b "}), std::string(1, '\1') + Item(29, "a=b "));
    EXPECT_EQ(BuildDpb({"password="}), std::string(1, '\1') + Item(29, ""));
}

TEST(Dpb, LinesWithoutANameAreSkipped) {
    EXPECT_EQ(BuildDpb({"masterkey", "=masterkey", "  =x", ""}), std::string(1, '\1'));
}

TEST(Dpb, ValueIsSentInCodePage1251) {
    EXPECT_EQ(BuildDpb({"password=пароль"}), std::string(1, '\1') + Item(29, "\xEF\xE0\xF0\xEE\xEB\xFC"));
}

TEST(Dpb, Utf8FileNameItemGoesLastWithoutAValue) {
    EXPECT_EQ(WithUtf8FileName(BuildDpb({"user_name=SYSDBA"})),
              std::string(1, '\1') + Item(28, "SYSDBA") + std::string("\x4D\0", 2));
}

TEST(Dpb, RoleAndNumbers) {
    EXPECT_EQ(BuildDpb({"sql_role_name=READER"}), std::string(1, '\1') + Item(60, "READER"));
    EXPECT_EQ(BuildDpb({"num_buffers=300"}), std::string("\1\5\4\x2C\1\0\0", 7));
    EXPECT_EQ(BuildDpb({"sql_dialect=3"}), std::string("\1\x3F\1\3", 4));
    EXPECT_THROW(BuildDpb({"num_buffers=many"}), Error);
}

TEST(Dpb, WrongNumberIsNotEchoed) {
    // The locator's line may be the password line with a mistyped name.
    const std::pair<const char*, const char*> cases[] = {
        {"sql_dialect=Sup3rSecret", "sql_dialect"},
        {"ISC_DPB_NUM_BUFFERS=-5", "num_buffers"},
        {"connect_timeout=", "connect_timeout"},
    };
    for (const auto& [line, name] : cases) {
        try {
            BuildDpb({line});
            ADD_FAILURE() << line << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Неверное значение параметра соединения: ") + name + "=***");
        }
    }
}

TEST(Dpb, UnknownOrUnsupportedNamesFail) {
    try {
        BuildDpb({"user_name=SYSDBA", "pasword=masterkey"});
        FAIL() << "a misspelt name was accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Неизвестный параметр соединения: pasword");
    }
    try {
        BuildDpb({"isc_dpb_force_write=1"});
        FAIL() << "a parameter that changes the database was accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Параметр соединения force_write не поддерживается");
    }
    // The name is taken as it stands: blanks around it make it unknown.
    EXPECT_THROW(BuildDpb({"password =x"}), Error);
}

TEST(Dpb, OverlongValueFails) {
    EXPECT_NO_THROW(BuildDpb({"password=" + std::string(255, 'x')}));
    EXPECT_THROW(BuildDpb({"password=" + std::string(256, 'x')}), Error);
}

}  // namespace
}  // namespace tarnfold::db
