#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "settings_files.h"
#include "support/temp_dir.h"

namespace tarnfold {
namespace {

using testing::ErrorMessage;
using testing::ReadWholeFile;
using testing::WriteBytes;

// The first-start values in code page 1251.
const std::string kForma7 =
    "\xD4\xEE\xF0\xEC\xE0 7.  \xD1\xE2\xE5\xE4\xE5\xED\xE8\xFF \xEE \xE7\xE0\xE1\xEE\xEB\xE5\xE2\xF8\xE8\xF5 "
    "\xE7\xEB\xEE\xEA\xE0\xF7\xE5\xF1\xF2\xE2\xE5\xED\xED\xFB\xEC\xE8 "
    "\xED\xEE\xE2\xEE\xEE\xE1\xF0\xE0\xE7\xEE\xE2\xE0\xED\xE8\xFF\xEC\xE8";
const std::string kLpu1166 = "1166 - \xC2\xE5\xEB\xE8\xED\xF1\xEA\xE0\xFF \xEE\xE1\xEB\xE0\xF1\xF2\xFC";

constexpr std::int32_t kThisYear = 2031;

// A program in <temp>/kvel/Tarnfold/, its locator file in <temp>/kvel/.
class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(program_); }

    Settings Load(SettingsAccess access = SettingsAccess::ReadWrite) {
        Settings settings;
        LoadSettings(folder_, kThisYear, settings, access);
        return settings;
    }
    void Save(const Settings& settings, const std::string& databaseName, const WindowChoices& choices) {
        SaveSettings(folder_, databaseName, settings, choices);
    }
    void WriteLocator(std::string_view bytes) { WriteBytes(kvel_ / "kvel.ini", bytes); }
    void WriteIni(std::string_view bytes) { WriteBytes(IniPath(), bytes); }
    std::string Ini() const { return ReadWholeFile(IniPath()); }
    std::string IniPath() const { return folder_ + "Tarnfold.ini"; }

    tarnfold::testing::TempDir dir_;
    std::filesystem::path kvel_ = dir_.Path() / "kvel";
    std::filesystem::path program_ = kvel_ / "Tarnfold";
    std::string folder_ = program_.string() + "/";
};

TEST(SettingsPaths, SettingsFileInTheProgramFolderLocatorInItsParent) {
    EXPECT_EQ(SettingsFilePath("D:\\Apps\\kvel\\Tarnfold\\"), "D:\\Apps\\kvel\\Tarnfold\\Tarnfold.ini");
    EXPECT_EQ(SettingsFilePath("/opt/kvel/Tarnfold/"), "/opt/kvel/Tarnfold/Tarnfold.ini");
    EXPECT_EQ(LocatorFilePath("D:\\Apps\\kvel\\Tarnfold\\"), "D:\\Apps\\kvel\\kvel.ini");
    EXPECT_EQ(LocatorFilePath("D:\\Apps\\kvel\\Tarnfold"), "D:\\Apps\\kvel\\kvel.ini");
    EXPECT_EQ(LocatorFilePath("C:\\"), "C:\\kvel.ini");
    EXPECT_EQ(LocatorFilePath("C"), "C:\\kvel.ini");
    EXPECT_EQ(LocatorFilePath("/opt/kvel/Tarnfold/"), "/opt/kvel/kvel.ini");
    EXPECT_EQ(LocatorFilePath("/Tarnfold/"), "/kvel.ini");
    EXPECT_EQ(LocatorFilePath("/"), "/kvel.ini");
}

TEST_F(SettingsFiles, FirstStartWithoutLocatorWritesBothSectionsWithDefaults) {
    const Settings s = Load();
    EXPECT_TRUE(s.HostIniMissing);
    EXPECT_EQ(s.DBPath, "C:\\Ardmet\\kvel\\");
    EXPECT_EQ(s.DBPassword, "quillrest");
    EXPECT_EQ(s.Report.formCaption, "Форма 7.  Сведения о заболевших злокачественными новообразованиями");
    EXPECT_EQ(s.Report.institutionEntry, "1166 - Велинская область");
    EXPECT_EQ(s.Report.section, "00");
    EXPECT_EQ(s.Report.year, kThisYear);
    EXPECT_FALSE(s.Report.journalEnabled);
    EXPECT_EQ(s.Report.templateFolder, folder_ + "DocF_2011");
    EXPECT_EQ(Ini(),
              "[BASE]\r\n"
              "PathBase=C:\\Ardmet\\kvel\\\r\n"
              "PasswordBase=quillrest\r\n"
              "[REPORT]\r\n"
              "Forma=" +
                  kForma7 +
                  "\r\n"
                  "LPU=" +
                  kLpu1166 +
                  "\r\n"
                  "Razrez=00\r\n"
                  "PathReport=" +
                  folder_ +
                  "DocF_2011\r\n"
                  "Year=2031\r\n"
                  "LogFile=0\r\n");
}

TEST_F(SettingsFiles, LocatorLinesGiveDatabaseFileAndParameterLine) {
    struct Case {
        std::string bytes, dbPath, dbPassword;
    };
    const Case cases[] = {
        {"dbPath=C:\\Ardmet\\kvel\\\r\npassword=secret\r\n", "C:\\Ardmet\\kvel\\kvel.gdb", "password=secret"},
        {"password=secret\r\ndbPath=C:\\Ardmet\\kvel\\\r\n", "C:\\Ardmet\\kvel\\kvel.gdb", "password=secret"},
        {"dbPath=C:\\Ardmet\\kvel\npassword=s\n", "C:\\Ardmet\\kvel\\kvel.gdb", "password=s"},
        {"  dbPath=X:\\db\\  \r\n", "X:\\db\\kvel.gdb", ""},
        {"dbPath=/srv/kvel/", "/srv/kvel/kvel.gdb", ""},
        {"dbPath=dbhost:C:\\Ardmet\\kvel\\\npassword=x", "dbhost:C:\\Ardmet\\kvel\\kvel.gdb", "password=x"},
        {"", "C:\\Ardmet\\kvel\\", ""},
        {"dbPath=A:\\one\\\ndbPath=B:\\two\\\n", "B:\\two\\kvel.gdb", "quillrest"},
        {"dbPath=C:\\db\\\r\nDBPATH=C:\\x\\\r\n", "C:\\db\\kvel.gdb", "DBPATH=C:\\x\\"},
        {"password=first\ndbPath=C:\\db\\\npassword=third\n", "C:\\db\\kvel.gdb", "password=first"},
        {"password=a \r\r\ndbPath=C:\\db\\", "C:\\db\\kvel.gdb", "password=a \r"},
        {"user=\xC2\xE5\xEB\r\n\r\n", "C:\\Ardmet\\kvel\\", ""},
        {"dbPath=C:\\db\\\r\nuser=\xC2\xE5\xEB\r\n", "C:\\db\\kvel.gdb", "user=Вел"},
        {"dbPath=C:\\db\\\ruser=\xC2\xE5\xEB\r", "C:\\db\\kvel.gdb", "user=Вел"},
        {"\xEF\xBB\xBFpassword=пароль\r\ndbPath=C:\\Базы\\\r\n", "C:\\Базы\\kvel.gdb", "password=пароль"},
        {"dbPath=/srv/Базы\npassword=x\n", "/srv/Базы/kvel.gdb", "password=x"},
        {"dbPath=C:\\\xC1\xE0\xE7\xFB\\\nuser=Вел\n", "C:\\Базы\\kvel.gdb", "user=Р’РµР»"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        WriteLocator(c.bytes);
        std::filesystem::remove(IniPath());
        const Settings s = Load();
        EXPECT_FALSE(s.HostIniMissing);
        EXPECT_EQ(s.DBPath, c.dbPath);
        EXPECT_EQ(s.DBPassword, c.dbPassword);
        EXPECT_EQ(Ini().find("[BASE]"), std::string::npos);
        EXPECT_NE(Ini().find("[REPORT]"), std::string::npos);
    }
}

TEST_F(SettingsFiles, WithLocatorTheBaseSectionIsNeitherReadNorWritten) {
    WriteLocator("dbPath=C:\\Ardmet\\kvel\\\r\npassword=secret\r\n");
    const std::string bytes = "[BASE]\r\nPathBase=Z:\\other\\\r\nPasswordBase=other\r\n[REPORT]\r\nRazrez=01\r\n";
    WriteIni(bytes);
    Settings s = Load();
    EXPECT_EQ(s.DBPath, "C:\\Ardmet\\kvel\\kvel.gdb");
    EXPECT_EQ(s.DBPassword, "password=secret");
    s.DBPassword = "changed";
    Save(s, "C:\\Ardmet\\kvel\\kvel.gdb", {"F", "L", "2011", "01", "P"});
    EXPECT_NE(Ini().find("PathBase=Z:\\other\\\r\nPasswordBase=other\r\n"), std::string::npos);
}

TEST_F(SettingsFiles, UnreadableLocatorStopsTheLoadWithTheSystemText) {
    std::filesystem::create_directory(kvel_ / "kvel.ini");
    Settings s;
    const std::string message = ErrorMessage([&] { LoadSettings(folder_, kThisYear, s); });
    EXPECT_EQ(message, "это папка, а не файл: " + (kvel_ / "kvel.ini").string());
    EXPECT_FALSE(s.HostIniMissing);
    EXPECT_EQ(s.DBPath, "C:\\Ardmet\\kvel\\");
    EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(SettingsFiles, BaseSectionGivesDatabaseFolderAndPasswordWhenNoLocator) {
    WriteIni("[base]\r\npathbase = \"C:\\Data\" \r\n");
    Settings s = Load();
    EXPECT_TRUE(s.HostIniMissing);
    EXPECT_EQ(s.DBPath, "C:\\Data");
    EXPECT_EQ(s.DBPassword, "quillrest");

    WriteIni("[BASE]\r\nPasswordBase='\xEC\xEE\xE9 \xEF\xE0\xF0\xEE\xEB\xFC'\r\n[REPORT]\r\nRazrez=02\r\n");
    s = Load();
    EXPECT_EQ(s.DBPath, "C:\\Ardmet\\kvel\\");
    EXPECT_EQ(s.DBPassword, "мой пароль");
}

TEST_F(SettingsFiles, ReportValuesReadByTheirRules) {
    WriteIni(
        "[Report]\r\n"
        "LPU = ' 0001 - \xC1\xEE\xEB\xFC\xED\xE8\xF6\xE0 ' \r\n"
        "YEAR=0x7D7\r\n"
        "LogFile=2\r\n"
        "PathReport=\"D:\\Blanks\"\r\n");
    const std::string before = Ini();
    Settings s = Load();
    EXPECT_EQ(s.Report.formCaption, "Диспансеризация детей (годовая)");
    EXPECT_EQ(s.Report.institutionEntry, " 0001 - Больница ");
    EXPECT_EQ(s.Report.section, "00");
    EXPECT_EQ(s.Report.year, 2007);
    EXPECT_TRUE(s.Report.journalEnabled);
    EXPECT_EQ(s.Report.templateFolder, "D:\\Blanks");
    // Only the missing BASE section was added; REPORT is left as the user has it.
    EXPECT_EQ(Ini(), before + "[BASE]\r\nPathBase=C:\\Ardmet\\kvel\\\r\nPasswordBase=quillrest\r\n");

    WriteIni("[REPORT]\r\nYear=abc\r\nLogFile=yes\r\n");
    s = Load();
    EXPECT_EQ(s.Report.year, kThisYear);
    EXPECT_FALSE(s.Report.journalEnabled);
    EXPECT_EQ(s.Report.templateFolder, folder_ + "DocF_2011");
    EXPECT_EQ(s.Report.institutionEntry, "1166 - Велинская область");

    WriteIni("[REPORT]\r\nYear=-12\r\nLogFile=$1\r\n");
    s = Load();
    EXPECT_EQ(s.Report.year, -12);
    EXPECT_TRUE(s.Report.journalEnabled);
}

TEST_F(SettingsFiles, BareReportSectionCountsAsAbsentAndGetsTheDefaults) {
    WriteIni("[REPORT]\r\n[BASE]\r\nPathBase=C:\\Data\\\r\n");
    const Settings s = Load();
    EXPECT_EQ(s.Report.formCaption, "Форма 7.  Сведения о заболевших злокачественными новообразованиями");
    EXPECT_EQ(s.Report.year, kThisYear);
    EXPECT_EQ(s.DBPath, "C:\\Data\\");
    EXPECT_EQ(Ini(),
              "[REPORT]\r\n"
              "Forma=" +
                  kForma7 +
                  "\r\n"
                  "LPU=" +
                  kLpu1166 +
                  "\r\n"
                  "Razrez=00\r\n"
                  "PathReport=" +
                  folder_ +
                  "DocF_2011\r\n"
                  "Year=2031\r\n"
                  "LogFile=0\r\n"
                  "[BASE]\r\nPathBase=C:\\Data\\\r\n");
}

TEST_F(SettingsFiles, SaveRewritesKeysInPlaceAndKeepsTheRest) {
    WriteIni(
        "; hand-made\r\n"
        "[BASE]\r\n"
        "PathBase=C:\\Data\r\n"
        "PasswordBase=old\r\n"
        "[REPORT]\r\n"
        "LogFile=1\r\n"
        "Year=2005\r\n"
        "Extra=keep me\r\n"
        "Forma=old\r\n"
        "\r\n"
        "[Other]\r\n"
        "A=b\r\n");
    const Settings loaded = Load();
    EXPECT_TRUE(loaded.Report.journalEnabled);
    Save(loaded, "C:\\Data\\kvel.gdb", {"Форма 12", "", "  2012", "05", "D:\\Blanks"});
    EXPECT_EQ(Ini(),
              "; hand-made\r\n"
              "[BASE]\r\n"
              "PathBase=C:\\Data\\\r\n"
              "PasswordBase=old\r\n"
              "[REPORT]\r\n"
              "LogFile=1\r\n"
              "Year=2012\r\n"
              "Extra=keep me\r\n"
              "Forma=\xD4\xEE\xF0\xEC\xE0 12\r\n"
              "LPU=\r\n"
              "Razrez=05\r\n"
              "PathReport=D:\\Blanks\r\n"
              "\r\n"
              "[Other]\r\n"
              "A=b\r\n");
}

TEST_F(SettingsFiles, FileFromADesktopEditorIsReadAndSavedInItsOneReportSection) {
    const std::string cases[] = {
        "\xEF\xBB\xBF[REPORT]\r\nForma=Форма 12\r\nRazrez=07\r\n",
        "\xEF\xBB\xBF[REPORT]\nForma=Форма 12\nRazrez=07\n",
        "[REPORT]\nForma=Форма 12\nRazrez=07",
        "[REPORT]\rForma=\xD4\xEE\xF0\xEC\xE0 12\rRazrez=07\r",
        "\xEF\xBB\xBF[REPORT]\rForma=Форма 12\rRazrez=07\r",
    };
    WriteLocator("dbPath=C:\\db\\\r\n");
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        WriteIni(bytes);
        const Settings loaded = Load();
        EXPECT_EQ(loaded.Report.formCaption, "Форма 12");
        EXPECT_EQ(loaded.Report.section, "07");
        Save(loaded, "C:\\db\\kvel.gdb", {"Форма 7", "1166 - Вел", "2010", "03", "D:\\Blanks"});
        EXPECT_EQ(Ini(),
                  "[REPORT]\r\n"
                  "Forma=\xD4\xEE\xF0\xEC\xE0 7\r\n"
                  "Razrez=03\r\n"
                  "LPU=1166 - \xC2\xE5\xEB\r\n"
                  "Year=2010\r\n"
                  "PathReport=D:\\Blanks\r\n"
                  "LogFile=0\r\n");
    }
}

TEST_F(SettingsFiles, TemplateFolderTheCodePageCannotHoldIsSavedInUtf8) {
    WriteLocator("dbPath=C:\\db\\\r\n");
    const std::string folder = "/home/anna/Modèles/Straße/";
    Save(Load(), "C:\\db\\kvel.gdb", {"Форма 7", "1166 - Вел", "2010", "03", folder});
    EXPECT_EQ(Ini(),
              "[REPORT]\r\n"
              "Forma=Форма 7\r\n"
              "LPU=1166 - Вел\r\n"
              "Razrez=03\r\n"
              "PathReport=" +
                  folder +
                  "\r\n"
                  "Year=2010\r\n"
                  "LogFile=0\r\n");
    const Settings back = Load();
    EXPECT_EQ(back.Report.templateFolder, folder);
    EXPECT_EQ(back.Report.formCaption, "Форма 7");
    EXPECT_EQ(back.Report.institutionEntry, "1166 - Вел");
}

TEST_F(SettingsFiles, SaveWritesTheFolderOfTheDatabaseInUse) {
    Settings s = Load();
    struct Case {
        std::string databaseName, pathBase;
    };
    const Case cases[] = {{"C:\\Data\\kvel.gdb", "C:\\Data\\"},
                          {"dbhost:C:\\Ardmet\\kvel\\kvel.gdb", "dbhost:C:\\Ardmet\\kvel\\"},
                          {"/srv/kvel/kvel.gdb", "/srv/kvel/"},
                          {"C:kvel.gdb", "C:"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.databaseName);
        Save(s, c.databaseName, {});
        const Settings back = Load();
        EXPECT_EQ(back.DBPath, c.pathBase);
        EXPECT_EQ(back.DBPassword, "quillrest");
    }
}

TEST_F(SettingsFiles, DeletedSettingsFileIsRecreatedInTheSaveOrder) {
    WriteLocator("dbPath=C:\\Ardmet\\kvel\\\r\npassword=secret\r\n");
    Settings s = Load();
    std::filesystem::remove(IniPath());
    Save(s, "C:\\Ardmet\\kvel\\kvel.gdb", {"Форма 7", "1166 - Вел", "", "00", "D:\\Blanks"});
    EXPECT_EQ(Ini(),
              "[REPORT]\r\n"
              "Forma=\xD4\xEE\xF0\xEC\xE0 7\r\n"
              "LPU=1166 - \xC2\xE5\xEB\r\n"
              "Year=0\r\n"
              "Razrez=00\r\n"
              "PathReport=D:\\Blanks\r\n"
              "LogFile=0\r\n");
    EXPECT_EQ(Load().Report.year, 0);
}

TEST_F(SettingsFiles, UnwritableSettingsFileStopsWithItsFullName) {
    std::filesystem::create_directory(IniPath());
    Settings s;
    EXPECT_EQ(ErrorMessage([&] { LoadSettings(folder_, kThisYear, s); }), "Unable to write to " + IniPath());
    // What the load had set before the failed write is kept.
    EXPECT_EQ(s.Report.year, kThisYear);
    EXPECT_EQ(s.Report.templateFolder, folder_ + "DocF_2011");

    WriteLocator("dbPath=C:\\db\\\n");
    EXPECT_EQ(ErrorMessage([&] { LoadSettings(folder_, kThisYear, s); }), "Unable to write to " + IniPath());
    EXPECT_EQ(ErrorMessage([&] {
                  SaveSettings(folder_, "C:\\db\\kvel.gdb", s, {"F", "L", "1", "2", "P"});
              }),
              "Unable to write to " + IniPath());
    EXPECT_TRUE(std::filesystem::is_directory(IniPath()));
    EXPECT_EQ(testing::EntryCount(program_), 1u);
}

TEST_F(SettingsFiles, ReadOnlyLoadNeverCreatesNorChangesTheFile) {
    Settings s = Load(SettingsAccess::ReadOnly);
    EXPECT_TRUE(s.HostIniMissing);
    EXPECT_EQ(s.DBPath, "C:\\Ardmet\\kvel\\");
    EXPECT_EQ(s.Report.formCaption, "Форма 7.  Сведения о заболевших злокачественными новообразованиями");
    EXPECT_EQ(s.Report.year, kThisYear);
    EXPECT_FALSE(std::filesystem::exists(IniPath()));

    const std::string bytes = "[REPORT]\nRazrez=07\n";
    WriteIni(bytes);
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(IniPath(), old);
    s = Load(SettingsAccess::ReadOnly);
    EXPECT_EQ(s.Report.section, "07");
    EXPECT_EQ(Ini(), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(IniPath()), old);
}

}  // namespace
}  // namespace tarnfold
