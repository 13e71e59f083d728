#include "settings/profile_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "core/error.h"
#include "settings_files.h"
#include "support/temp_dir.h"

namespace tarnfold {
namespace {

using testing::ErrorMessage;
using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteBytes;

TEST(ProfileFileReading, ValuesAreTrimmedAndLoseOnePairOfEnclosingQuotes) {
    TempDir dir;
    WriteBytes(dir.File("a.ini"),
               "[S]\r\n"
               "  Plain =   some text  \t\r\n"
               "Double=\"quoted value\"\r\n"
               "Single='  kept blanks  '\r\n"
               "Mixed='abc\"\r\n"
               "Lone=\"\r\n"
               "Empty=\"\"\r\n"
               "Twice=\"\"inner\"\"\r\n"
               "Equals=a=b\r\n");
    const ProfileFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadString("S", "Plain", "-"), "some text");
    EXPECT_EQ(ini.ReadString("S", "Double", "-"), "quoted value");
    EXPECT_EQ(ini.ReadString("S", "Single", "-"), "  kept blanks  ");
    EXPECT_EQ(ini.ReadString("S", "Mixed", "-"), "'abc\"");
    EXPECT_EQ(ini.ReadString("S", "Lone", "-"), "\"");
    EXPECT_EQ(ini.ReadString("S", "Empty", "-"), "");
    EXPECT_EQ(ini.ReadString("S", "Twice", "-"), "\"inner\"");
    EXPECT_EQ(ini.ReadString("S", "Equals", "-"), "a=b");
    EXPECT_EQ(ini.ReadString("S", "Missing", "fallback"), "fallback");
    EXPECT_EQ(ini.ReadString("Other", "Plain", "fallback"), "fallback");
}

TEST(ProfileFileReading, SectionAndKeyNamesIgnoreLetterCase) {
    TempDir dir;
    WriteBytes(dir.File("a.ini"), "[report]\r\nforma=one\r\n[ Base ]\r\nPATHBASE=two\r\n");
    const ProfileFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadString("REPORT", "Forma", "-"), "one");
    EXPECT_EQ(ini.ReadString("Report", "FORMA", "-"), "one");
    EXPECT_EQ(ini.ReadString("BASE", "PathBase", "-"), "two");
    EXPECT_TRUE(ini.SectionExists("Report"));
    EXPECT_TRUE(ini.SectionExists("base"));
}

TEST(ProfileFileReading, SectionWithoutKeysCountsAsAbsent) {
    TempDir dir;
    WriteBytes(dir.File("a.ini"),
               "[REPORT]\r\n\r\n[COMMENTED]\r\n; Forma=x\r\n[BASE]\r\nPathBase=C:\\\r\n[EMPTYVALUE]\r\nKey=\r\n");
    const ProfileFile ini(dir.File("a.ini"));
    EXPECT_FALSE(ini.SectionExists("REPORT"));
    EXPECT_FALSE(ini.SectionExists("COMMENTED"));
    EXPECT_FALSE(ini.SectionExists("NOWHERE"));
    EXPECT_TRUE(ini.SectionExists("BASE"));
    EXPECT_TRUE(ini.SectionExists("EMPTYVALUE"));
}

TEST(ProfileFileReading, EncodingAndLineEndsAsAnyEditorSavedThem) {
    // "Отчёт" and "Вологда" in code page 1251 and in UTF-8.
    const std::string report1251 = "\xCE\xF2\xF7\xB8\xF2", town1251 = "\xC2\xEE\xEB\xEE\xE3\xE4\xE0";
    const std::string report = "Отчёт", town = "Вологда", mark = "\xEF\xBB\xBF";
    struct Case {
        std::string bytes, title, townValue;
    };
    const Case cases[] = {
        {"[S]\nTitle=" + report1251 + "\n" + town1251 + "=1", "Отчёт", "1"},
        {"[S]\r\nTitle=" + report1251 + "\r\n" + town1251 + "=1\r\n", "Отчёт", "1"},
        {"[S]\rTitle=" + report1251 + "\r" + town1251 + "=1\r", "Отчёт", "1"},
        {"[S]\r\nTitle=" + report + "\r\n" + town + "=1\r\n", "Отчёт", "1"},
        {mark + "[S]\r\nTitle=" + report + "\r\n" + town + "=1\r\n", "Отчёт", "1"},
        {mark + "[S]\rTitle=" + report + "\r" + town + "=1", "Отчёт", "1"},
        {mark + "[S]\nTitle=plain\n", "plain", "-"},
        // A line end in CR alone inside a file of LF lines is no line end.
        {"[S]\nTitle=a\rb\n", "a\rb", "-"},
        // UTF-8 and code page 1251 in one file: it is the code page's.
        {"[S]\r\nTitle=" + report1251 + "\r\n" + town + "=1\r\n", "Отчёт", "-"},
        // Only one mark is dropped: behind a second one the first line is no
        // section header, and stays none when the file is written back.
        {mark + mark + "[S]\r\nTitle=wrong\r\n[S]\r\nTitle=" + report + "\r\n" + town + "=1\r\n", "Отчёт", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        TempDir dir;
        WriteBytes(dir.File("a.ini"), c.bytes);
        ProfileFile ini(dir.File("a.ini"));
        EXPECT_TRUE(ini.SectionExists("S"));
        EXPECT_EQ(ini.ReadString("S", "Title", "-"), c.title);
        EXPECT_EQ(ini.ReadString("S", "вологда", "-"), c.townValue);

        // A write elsewhere rewrites the whole file; what was read stays.
        ini.WriteString("Other", "Key", "1");
        ini.Commit();
        const ProfileFile back(dir.File("a.ini"));
        EXPECT_EQ(back.ReadString("S", "Title", "-"), c.title);
        EXPECT_EQ(back.ReadString("S", "вологда", "-"), c.townValue);
    }
}

TEST(ProfileFileReading, MissingFileReadsEmptyAndIsNotCreatedWithoutAWrite) {
    TempDir dir;
    ProfileFile ini(dir.File("none.ini"));
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
    ini.Commit();
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.ini")));
}

TEST(ProfileFileWriting, NewFileIsCodePage1251WithCrLf) {
    TempDir dir;
    ProfileFile ini(dir.File("new.ini"));
    ini.WriteString("S", "Name", "Отчёт");
    ini.WriteString("T", "X", "1");
    ini.WriteString("S", "Second", "2");
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.ini")));
    ini.Commit();
    EXPECT_EQ(ReadWholeFile(dir.File("new.ini")), "[S]\r\nName=\xCE\xF2\xF7\xB8\xF2\r\nSecond=2\r\n[T]\r\nX=1\r\n");
}

TEST(ProfileFileWriting, CharacterOutsideTheCodePageTurnsTheWholeFileToUtf8) {
    TempDir dir;
    ProfileFile ini(dir.File("a.ini"));
    ini.WriteString("REPORT", "Forma", "Отчёт");
    ini.WriteString("REPORT", "PathReport", "/home/anna/Modèles Straße");
    ini.Commit();
    EXPECT_EQ(ReadWholeFile(dir.File("a.ini")), "[REPORT]\r\nForma=Отчёт\r\nPathReport=/home/anna/Modèles Straße\r\n");
    ProfileFile back(dir.File("a.ini"));
    EXPECT_EQ(back.ReadString("REPORT", "Forma", "-"), "Отчёт");
    EXPECT_EQ(back.ReadString("REPORT", "PathReport", "-"), "/home/anna/Modèles Straße");

    // Once no such character is left, the file is the code page's again.
    back.WriteString("REPORT", "PathReport", "/home/anna/Шаблоны");
    back.Commit();
    EXPECT_EQ(ReadWholeFile(dir.File("a.ini")),
              "[REPORT]\r\nForma=\xCE\xF2\xF7\xB8\xF2\r\nPathReport=/home/anna/\xD8\xE0\xE1\xEB\xEE\xED\xFB\r\n");
}

TEST(ProfileFileWriting, ValuesReadBackAsWritten) {
    // "Рђ" and "РћС‚С‡С‘С‚" fit the code page, but their bytes there (D0 90, ...)
    // are also UTF-8, which reading would take them for.
    const std::string values[] = {"\"\"x\"\"",  "'a'",  "\"",    "",           "\"\"",  "''",
                                  "\"quoted\"", "'a\"", "\"a' ", "  blanks  ", "\tTab", "Отчёт «ДД»",
                                  "Modèles é",  "a=b",  "Рђ",    "РћС‚С‡С‘С‚"};
    TempDir dir;
    ProfileFile ini(dir.File("a.ini"));
    for (std::size_t i = 0; i < std::size(values); ++i) ini.WriteString("S", "K" + std::to_string(i), values[i]);
    ini.Commit();
    const ProfileFile back(dir.File("a.ini"));
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(back.ReadString("S", "K" + std::to_string(i), "-"), values[i]) << "value " << i;
    // Each alone as well: a file whose values all fit the code page is written in it.
    for (const std::string& value : values) {
        TempDir single;
        ProfileFile one(single.File("a.ini"));
        one.WriteString("S", "K", value);
        one.Commit();
        EXPECT_EQ(ProfileFile(single.File("a.ini")).ReadString("S", "K", "-"), value);
    }
    // Only what reading would alter is quoted.
    const std::string bytes = ReadWholeFile(dir.File("a.ini"));
    EXPECT_NE(bytes.find("\r\nK0=\"\"\"x\"\"\"\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nK2=\"\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nK3=\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nK13=a=b\r\n"), std::string::npos);
}

TEST(ProfileFileWriting, RewrittenKeyKeepsItsPlaceAndEverythingElseSurvives) {
    TempDir dir;
    WriteBytes(dir.File("a.ini"),
               "; kept comment\r\n"
               "[REPORT]\r\n"
               "Forma=old\r\n"
               "Unknown=stays\r\n"
               "lpu=old institution\r\n"
               "\r\n"
               "[Mine]\r\n"
               "Own=value\r\n"
               "free text line\r\n");
    ProfileFile ini(dir.File("a.ini"));
    ini.WriteString("REPORT", "Forma", "new");
    ini.WriteString("REPORT", "LPU", "Вел");
    ini.WriteString("REPORT", "Year", "2010");
    ini.WriteString("BASE", "PathBase", "C:\\Data\\");
    ini.Commit();
    EXPECT_EQ(ReadWholeFile(dir.File("a.ini")),
              "; kept comment\r\n"
              "[REPORT]\r\n"
              "Forma=new\r\n"
              "Unknown=stays\r\n"
              "LPU=\xC2\xE5\xEB\r\n"
              "Year=2010\r\n"
              "\r\n"
              "[Mine]\r\n"
              "Own=value\r\n"
              "free text line\r\n"
              "[BASE]\r\n"
              "PathBase=C:\\Data\\\r\n");
}

TEST(ProfileFileWriting, LineBreakInAValueCannotStartALineOfItsOwn) {
    TempDir dir;
    ProfileFile ini(dir.File("a.ini"));
    ini.WriteString("S", "K", "one\r\n[BASE]\nPathBase=Z:\\");
    ini.Commit();
    const ProfileFile back(dir.File("a.ini"));
    EXPECT_FALSE(back.SectionExists("BASE"));
    EXPECT_EQ(back.ReadString("S", "K", "-"), "one  [BASE] PathBase=Z:\\");
}

TEST(ProfileFileWriting, UnchangedContentLeavesTheFileAlone) {
    TempDir dir;
    const std::string bytes = "[S]\r\nK=1\r\n";
    WriteBytes(dir.File("a.ini"), bytes);
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(dir.File("a.ini"), old);
    ProfileFile ini(dir.File("a.ini"));
    ini.WriteString("s", "K", "1");
    ini.Commit();
    EXPECT_EQ(std::filesystem::last_write_time(dir.File("a.ini")), old);
    EXPECT_EQ(ReadWholeFile(dir.File("a.ini")), bytes);
}

TEST(ProfileFileWriting, FailedWriteNamesTheFileAndLeavesNothingBehind) {
    TempDir dir;
    // A folder where the file should be: even root cannot replace it with a file.
    std::filesystem::create_directory(dir.File("Tarnfold.ini"));
    ProfileFile blocked(dir.File("Tarnfold.ini"));
    EXPECT_FALSE(blocked.SectionExists("S"));
    blocked.WriteString("S", "K", "1");
    EXPECT_EQ(ErrorMessage([&] { blocked.Commit(); }), "Unable to write to " + dir.File("Tarnfold.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Tarnfold.ini")));
    EXPECT_EQ(testing::EntryCount(dir.Path()), 1u);

    const std::string missingFolder = (dir.Path() / "gone" / "Tarnfold.ini").string();
    ProfileFile nowhere(missingFolder);
    nowhere.WriteString("S", "K", "1");
    EXPECT_EQ(ErrorMessage([&] { nowhere.Commit(); }), "Unable to write to " + missingFolder);
}

TEST(ProfileFileWriting, ReplacesTheFileWholeKeepingItsPermissions) {
    TempDir dir;
    WriteBytes(dir.File("a.ini"), "[S]\r\nK=1\r\n");
    const auto perms =
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read;
    std::filesystem::permissions(dir.File("a.ini"), perms);
    ProfileFile ini(dir.File("a.ini"));
    ini.WriteString("S", "K", "2");
    ini.Commit();
    EXPECT_EQ(ReadWholeFile(dir.File("a.ini")), "[S]\r\nK=2\r\n");
    EXPECT_EQ(std::filesystem::status(dir.File("a.ini")).permissions(), perms);
    EXPECT_EQ(testing::EntryCount(dir.Path()), 1u);
}

#ifndef _WIN32
TEST(ProfileFileWriting, ReadOnlyFileIsNotReplacedThoughItsFolderIsWritable) {
    TempDir dir;
    const std::string bytes = "[S]\r\nK=1\r\n";
    WriteBytes(dir.File("a.ini"), bytes);
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
    std::filesystem::permissions(dir.File("a.ini"), std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::group_read |
                                                        std::filesystem::perms::others_read);
    // Root may write anything, so the attempt runs as an ordinary user.
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0) std::_Exit(2);
            ProfileFile ini(dir.File("a.ini"));
            ini.WriteString("S", "K", "2");
            const bool refused = ErrorMessage([&] { ini.Commit(); }) == "Unable to write to " + dir.File("a.ini");
            std::_Exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadWholeFile(dir.File("a.ini")), bytes);
    EXPECT_EQ(testing::EntryCount(dir.Path()), 1u);
}
#endif

}  // namespace
}  // namespace tarnfold
