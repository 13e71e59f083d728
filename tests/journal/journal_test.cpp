#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "core/error.h"
#include "core/text.h"
#include "journal/journal.h"
#include "support/temp_dir.h"
#include "support/fixed_clock.h"
#include "support/whole_file.h"

using namespace tarnfold;
using tarnfold::testing::TempDir;

using tarnfold::testing::LocalTime;
using tarnfold::testing::ReadWholeFile;

namespace {

RegionalFormats Russian() { return RegionalFormats{",", "%d.%m.%Y", "%H:%M:%S", "", ""}; }
RegionalFormats American() { return RegionalFormats{".", "%m/%d/%Y", "%I:%M:%S %p", "AM", "PM"}; }

}  // namespace

TEST(ExportJournal, BlockIsAppendedInCodePage1251WithCrLf) {
    TempDir dir;
    const std::string path = JournalPath(dir.Folder());
    EXPECT_EQ(path, dir.Folder() + "Tarnfold.log");
    std::ofstream(path, std::ios::binary) << "earlier\r\n";

    ExportJournal journal(path);
    journal.Open("/srv/Reports/№ 7 (разрез 01) ЦРБ за 2011 год.doc", LocalTime(2011, 3, 5, 9, 7, 3), Russian());
    EXPECT_TRUE(journal.IsOpen());
    journal.WriteLine("z0002_000_00");
    journal.WriteLine("таблица tb1000-12 ");
    journal.Close();
    EXPECT_FALSE(journal.IsOpen());

    const std::string expected =
        "earlier\r\n"
        "*********************************\r\n"
        "/srv/Reports/\xB9 7 (\xF0\xE0\xE7\xF0\xE5\xE7 01) \xD6\xD0\xC1 \xE7\xE0 2011 \xE3\xEE\xE4.doc\r\n"
        "\xC4\xE0\xF2\xE0 \xE2\xFB\xE3\xF0\xF3\xE7\xEA\xE8: 05.03.2011 09:07:03\r\n"
        "z0002_000_00\r\n"
        "\xF2\xE0\xE1\xEB\xE8\xF6\xE0 tb1000-12 \r\n";
    EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST(ExportJournal, FirstRunCreatesTheFileAndLinesAreBufferedUntilClose) {
    TempDir dir;
    const std::string path = JournalPath(dir.Folder());
    ExportJournal journal(path);
    journal.Open("out.doc", LocalTime(2011, 1, 2, 3, 4, 5), Russian());
    journal.WriteLine("z1000_001_01");
    EXPECT_EQ(ReadWholeFile(path), "");  // nothing reached the file yet
    journal.Close();
    EXPECT_EQ(ReadWholeFile(path).rfind("*********************************\r\nout.doc\r\n", 0), 0u);
    // A closed journal takes no lines.
    journal.WriteLine("late");
    EXPECT_EQ(ReadWholeFile(path).find("late"), std::string::npos);
}

TEST(ExportJournal, ManyLinesAllArriveInOrder) {
    TempDir dir;
    const std::string path = JournalPath(dir.Folder());
    ExportJournal journal(path);
    journal.Open("out.doc", LocalTime(2011, 1, 2, 3, 4, 5), Russian());
    std::string expectedTail;
    for (int i = 0; i < 2000; ++i) {
        journal.WriteLine("z1000_" + std::to_string(i) + "_01");
        expectedTail += "z1000_" + std::to_string(i) + "_01\r\n";
    }
    journal.Close();
    const std::string bytes = ReadWholeFile(path);
    EXPECT_EQ(bytes.substr(bytes.size() - expectedTail.size()), expectedTail);
}

TEST(ExportJournal, DestroyedWhileOpenStillWritesWhatItHeld) {
    TempDir dir;
    const std::string path = JournalPath(dir.Folder());
    {
        ExportJournal journal(path);
        journal.Open("out.doc", LocalTime(2011, 1, 2, 3, 4, 5), Russian());
        journal.WriteLine("z0003_000_00");
    }
    EXPECT_NE(ReadWholeFile(path).find("z0003_000_00\r\n"), std::string::npos);
}

TEST(ExportDateLine, RegionalDateAndTimeAndNoTimeAtMidnight) {
    EXPECT_EQ(ExportDateLine(LocalTime(2011, 12, 31, 23, 59, 58), Russian()), "Дата выгрузки: 31.12.2011 23:59:58");
    EXPECT_EQ(ExportDateLine(LocalTime(2011, 12, 31, 0, 0, 0), Russian()), "Дата выгрузки: 31.12.2011");
    EXPECT_EQ(ExportDateLine(LocalTime(2011, 12, 31, 0, 0, 1), Russian()), "Дата выгрузки: 31.12.2011 00:00:01");
    EXPECT_EQ(ExportDateLine(LocalTime(2011, 7, 4, 15, 5, 9), American()), "Дата выгрузки: 07/04/2011 03:05:09 PM");
    EXPECT_EQ(ExportDateLine(LocalTime(2011, 7, 4, 0, 30, 0), American()), "Дата выгрузки: 07/04/2011 12:30:00 AM");
    const RegionalFormats unpadded{",", "%e.%-m.%y", "%k:%M:%S", "", ""};
    EXPECT_EQ(ExportDateLine(LocalTime(2011, 7, 4, 9, 5, 0), unpadded), "Дата выгрузки:  4.7.11  9:05:00");
}

TEST(ExportJournal, FailuresCarryTheirTexts) {
    EXPECT_EQ(JournalErrorText(ENOENT), "нет такого файла или каталога");
    EXPECT_EQ(JournalErrorText(ENOSPC), "на диске нет места");
    EXPECT_EQ(JournalErrorText(EISDIR), "нет доступа");

    TempDir dir;
    // A folder where the file should be cannot be opened for writing.
    std::filesystem::create_directory(dir.Path() / "Tarnfold.log");
    ExportJournal blocked(JournalPath(dir.Folder()));
    try {
        blocked.Open("out.doc", LocalTime(2011, 1, 2, 3, 4, 5), Russian());
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Не удалось записать журнал экспорта " + dir.Folder() + "Tarnfold.log: нет доступа");
    }
    EXPECT_FALSE(blocked.IsOpen());

    ExportJournal missingFolder(dir.File("no/such/folder/Tarnfold.log"));
    EXPECT_THROW(missingFolder.Open("out.doc", LocalTime(2011, 1, 2, 3, 4, 5), Russian()), Error);
}

TEST(ExportJournal, FullDiskIsReportedAtCloseAndTheJournalIsClosedAnyway) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    ExportJournal journal("/dev/full");
    journal.Open("out.doc", LocalTime(2011, 1, 2, 3, 4, 5), Russian());
    journal.WriteLine("z0001_000_00");
    try {
        journal.Close();
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Не удалось записать журнал экспорта /dev/full: на диске нет места");
    }
    EXPECT_FALSE(journal.IsOpen());
    EXPECT_NO_THROW(journal.Close());
}

TEST(BJournalClick, MissingFileIsAnErrorNamingThePathAnExistingOneGoesToTheViewer) {
    TempDir dir;
    std::vector<std::string> viewed;
    const FileViewer view = [&](const std::string& path) { viewed.push_back(path); };
    try {
        BJournalClick(dir.Folder(), view);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Файл журнала \"" + dir.Folder() + "Tarnfold.log\" не найден!");
        EXPECT_EQ(ErrorBoxText(e.what()), e.what());
    }
    EXPECT_TRUE(viewed.empty());
    std::ofstream(dir.File("Tarnfold.log")) << "x";
    BJournalClick(dir.Folder(), view);
    EXPECT_EQ(viewed, (std::vector<std::string>{dir.Folder() + "Tarnfold.log"}));
}
