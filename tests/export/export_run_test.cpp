// The run's own logic against a scripted database and a recording word
// processor: the order of its calls, its texts and its failure paths.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/error.h"
#include "core/text.h"
#include "export/export_run.h"
#include "support/fake_database.h"
#include "support/recording_observer.h"
#include "support/recording_word.h"
#include "support/temp_dir.h"
#include "support/fixed_clock.h"

using namespace tarnfold;
using namespace tarnfold::testing;

namespace {

constexpr int kAnnualTheme = 0;
constexpr int kMonthlyTheme = 1;
constexpr int kForm7 = 2;  // "7.doc", the third form of the annual theme

struct MappingRow {
    std::int64_t tbl;
    std::string eng;
    std::int64_t god;
    std::string nstr;
};

struct SourceRow {
    std::int64_t ntbl;
    std::string tblkod;
    std::string row;
    db::Value n1, n2, c1;
};

class ExportRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        templates = program.Path() / "DocF";
        std::filesystem::create_directories(templates);
        std::ofstream(templates / "7.doc") << "template";
        std::ofstream(templates / "ДД2012.doc") << "template";
        Choose(kAnnualTheme, kForm7);
        choices.institution = institutions[0];
        choices.period = periods[0];
        choices.sectionText = "1";
        choices.yearText = "2011";
        choices.templateFolder = templates.string();
        options.programFolder = program.Folder();
        options.formats.decimalSeparator = ",";
        options.clock = tarnfold::testing::FixedNow;
        database.answer = [this](const std::string& sql, const Parameters& parameters) {
            if (sql.rfind("select max(god)", 0) == 0) {
                return db::ResultSet({"IGOD"}, {db::Kind::Integer}, {{latestYear ? Int(*latestYear) : db::Value{}}});
            }
            if (sql.find(".NTBL,GOD,LPU") != std::string::npos) {
                if (failSourceQuery) throw Error("Dynamic SQL Error");
                return SourceResult();
            }
            std::vector<std::vector<db::Value>> rows;
            for (const MappingRow& m : mapping)
                if (m.tbl == parameters.integers.at("ntbl"))
                    rows.push_back({Int(m.tbl), Text(m.eng), Int(m.god), Text(m.nstr)});
            return db::ResultSet({"TBL", "ENG", "GOD", "NSTR"},
                                 {db::Kind::Integer, db::Kind::Text, db::Kind::Integer, db::Kind::Text}, rows);
        };
    }

    db::ResultSet SourceResult() const {
        std::vector<std::vector<db::Value>> rows;
        for (const SourceRow& r : source)
            rows.push_back({Int(r.ntbl), Int(2011), Text("0101"), Text("год"), Text("0070100"), Text(r.tblkod),
                            Text(r.row), r.n1, r.n2, r.c1});
        return db::ResultSet({"NTBL", "GOD", "LPU", "PERIOD", "FORMKOD", "TBLKOD", "ROW", "N1", "N2", "C1"},
                             {db::Kind::Integer, db::Kind::Integer, db::Kind::Text, db::Kind::Text, db::Kind::Text,
                              db::Kind::Text, db::Kind::Text, db::Kind::Decimal, db::Kind::Decimal, db::Kind::Text},
                             rows);
    }

    void Choose(int theme, int formPosition) {
        choices.theme = &Themes[static_cast<std::size_t>(theme)];
        choices.form = TemplateRow(theme, formPosition);
    }

    std::unique_ptr<ExportRun> MakeRun(WordServers servers) {
        return std::make_unique<ExportRun>([this] { return std::make_unique<FakeSession>(database); }, servers,
                                           observer, options, choices);
    }
    std::unique_ptr<ExportRun> MakeRun() { return MakeRun(server); }

    // The calls without the status texts shown per figure.
    std::vector<std::string> Calls(bool withFigureStatus = false) const {
        std::vector<std::string> out;
        for (const std::string& call : recording.calls) {
            const bool figureStatus =
                call.rfind("status Идет заполнение бланка...", 0) == 0 && call != "status Идет заполнение бланка...";
            if (withFigureStatus || !figureStatus) out.push_back(call);
        }
        return out;
    }

    std::string OutputFolder() const { return program.Folder() + "Reports/"; }
    std::string Journal() const {
        std::ifstream in(program.File("Tarnfold.log"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TempDir program;
    std::filesystem::path templates;
    ExportChoices choices;
    ExportOptions options;
    FakeDatabase database;
    std::vector<SourceRow> source;
    std::vector<MappingRow> mapping;
    std::optional<std::int64_t> latestYear = 2011;
    bool failSourceQuery = false;
    std::vector<db::Institution> institutions{{"0101", "", "ЦРБ", "0101", "01"}, {"0202", "1", "Город", "0202", "02"}};
    std::vector<db::Period> periods{{"01", "Январь"}, {"13", "Год"}};
    word::Recording recording;
    word::RecordingServer server{recording};
    RecordingObserver observer{recording.calls};
};

}  // namespace

TEST_F(ExportRunTest, FinishedRunMakesEveryCallInOrder) {
    source = {{7, "tb1000", "1", Dec(1250, 2), Dec(4, 3), Text("")}};
    mapping = {{7, "c1", 2011, "3"}, {7, "n1", 2011, "1"}, {7, "n2", 2011, "2"}};
    recording.bookmarks = {"z0001_000_00", "z0003_000_00", "z1000_001_01"};
    options.logFile = true;
    const std::string output = OutputFolder() + "№ 7 (разрез 01) ЦРБ за 2011 год.doc";

    MakeRun()->Execute();

    // Filled as a working copy beside the report; the finished document then
    // takes the report's name in one step.

    const std::vector<std::string> expected = {
        "started",
        "status Идет поиск бланка...",
        "status Идет подготовка данных...",
        "status Подготовка шаблона...",
        "CreateApplication",
        "OpenWorkingDocument " + templates.string() + "/7.doc",
        "SaveAs " + OutputFolder() + "~tf-№ 7 (разрез 01) ЦРБ за 2011 год.doc",
        "status Идет заполнение бланка...",
        "HasBookmark z0001_000_00",
        "TypeAtBookmark z0001_000_00 2011",
        "HasBookmark z0002_000_00",
        "HasBookmark z0003_000_00",
        "TypeAtBookmark z0003_000_00 Январь",
        "filling",
        "before row",
        "status Идет заполнение бланка...Таблица...tb1000",
        "status Идет заполнение бланка...c1",
        "status Идет заполнение бланка...n1",
        "status Идет заполнение бланка...z1000_001_01",
        "status Идет заполнение бланка...n2",
        // The row's figures go to the document together, after its status texts.
        "HasBookmark z1000_001_01",
        "InsertBeforeBookmark z1000_001_01 12,5",
        "progress 1/1",
        "HasBookmark z0001_000_00",
        "GoToBookmark z0001_000_00",
        "saving " + output,
        "SaveAs " + output,
        "filled",
        "result Выгрузка завершена",
        "Show",
        "ended finished",
    };
    EXPECT_EQ(Calls(true), expected);
    EXPECT_EQ(Journal(), Utf8ToCp1251("*********************************\r\n" + output +
                                      "\r\nДата выгрузки: 05.03.2011 14:03:09\r\nz0002_000_00\r\n"));
    // The chosen values travel as parameters, the year as a number.
    ASSERT_GE(database.opened.size(), 3u);
    const Parameters& sourceParameters = database.opened[0].second;
    EXPECT_EQ(sourceParameters.texts.at("period"), "год");
    EXPECT_EQ(sourceParameters.texts.at("lpu"), "0101");
    EXPECT_EQ(sourceParameters.texts.at("formkod"), "0070100");
    EXPECT_EQ(sourceParameters.integers.at("god"), 2011);
    EXPECT_EQ(database.sessionsBegun, 1);
    EXPECT_EQ(database.sessionsEnded, 1);
}

TEST_F(ExportRunTest, MissingTemplateIsRefusedWithItsMessage) {
    std::filesystem::remove(templates / "7.doc");
    MakeRun()->Execute();
    EXPECT_EQ(Calls(),
              (std::vector<std::string>{"started", "status Идет поиск бланка...",
                                        "refused Не найден файл шаблона: " + templates.string() + "/7.doc!",
                                        "result Выгрузка не завершена: не найден файл шаблона...", "ended refused"}));
    EXPECT_EQ(database.sessionsBegun, 0);
}

TEST_F(ExportRunTest, NoFormChosenGivesAnEmptyTemplatePath) {
    choices.theme = nullptr;
    choices.form = nullptr;
    MakeRun()->Execute();
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(), "refused Не найден файл шаблона: !"),
              recording.calls.end());
}

TEST_F(ExportRunTest, EmptyResultAnsweredNoWritesNothing) {
    observer.answer = false;
    MakeRun()->Execute();
    const std::vector<std::string> calls = Calls();
    const std::vector<std::string> tail(calls.end() - 4, calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"ask Нет данных для выгрузки. Открыть пустой бланк формы? ",
                                              "result Выгрузка не завершена: нет данных для выгрузки...", "status ",
                                              "ended refused"}));
    EXPECT_FALSE(std::filesystem::exists(program.File("Reports")));
    EXPECT_EQ(database.sessionsEnded, 1);
}

TEST_F(ExportRunTest, EmptyResultAnsweredYesSavesTheBareFormUnderItsNumber) {
    recording.bookmarks = {"z0001_000_00", "z0002_000_00", "z0003_000_00"};
    MakeRun()->Execute();
    const std::vector<std::string> calls = Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SaveAs " + OutputFolder() + "№ 7.doc"), calls.end());
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("TypeAt", 0) == 0; }),
              3);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("Insert", 0) == 0; }),
              0);
    EXPECT_NE(std::find(calls.begin(), calls.end(), "result Выгрузка завершена"), calls.end());
    EXPECT_TRUE(std::filesystem::is_directory(program.Path() / "Reports"));
    // The latest mapping year is asked for table 0 when there is no row.
    EXPECT_EQ(database.opened.at(1).second.integers.at("ntbl"), 0);
}

TEST_F(ExportRunTest, WordThatCannotStartIsToldAndNothingIsSaved) {
    source = {{7, "tb1000", "1", Dec(1, 0), Dec(0, 2), Text("")}};
    recording.failToStart = true;
    options.logFile = true;
    MakeRun()->Execute();
    const std::vector<std::string> calls = Calls();
    const std::vector<std::string> tail(calls.end() - 5, calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"CreateApplication", "refused Не удалось запустить приложение Word!",
                                              "result Выгрузка не завершена: не удалось запустить Word...", "status ",
                                              "ended refused"}));
    EXPECT_FALSE(std::filesystem::exists(program.File("Tarnfold.log")));
}

TEST_F(ExportRunTest, ErrorWhileFillingShowsWordClosesTheJournalEndsFailedAndRethrows) {
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(0, 2), Text("")},
              {7, "tb1000", "2", Dec(200, 2), Dec(0, 2), Text("")}};
    mapping = {{7, "n1", 2011, "1"}};
    recording.bookmarks = {"z1000_001_01", "z1000_002_01"};
    recording.failingCall = "InsertBeforeBookmark z1000_002_01";
    recording.failureText = "Bookmark is gone";
    options.logFile = true;
    try {
        MakeRun()->Execute();
        FAIL() << "the error must reach the window";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Bookmark is gone");
    }
    // What was filled is kept under a name that says so, and the result line names it.
    const std::string unfinished = "№ 7 (разрез 01) ЦРБ за 2011 год (не завершено).doc";
    const std::vector<std::string> calls = Calls();
    const std::vector<std::string> tail(calls.end() - 5, calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "InsertBeforeBookmark z1000_002_01 2", "SaveAs " + OutputFolder() + unfinished,
                        "result Начатый документ сохранён как \"" + unfinished + "\"", "Show", "ended failed"}));
    // What the journal held reached the file, naming the document as kept.
    EXPECT_EQ(Journal().rfind(
                  "*********************************\r\n" + Utf8ToCp1251(OutputFolder() + unfinished) + "\r\n", 0),
              0u);
    EXPECT_EQ(database.sessionsEnded, 1);
}

TEST_F(ExportRunTest, ErrorInSaveAsLeavesWordHidden) {
    recording.failingCall = "SaveAs";
    EXPECT_THROW(MakeRun()->Execute(), Error);
    const std::vector<std::string> calls = Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Show"), 0);
    EXPECT_EQ(calls.back(), "ended failed");
    EXPECT_FALSE(std::filesystem::exists(program.File("Tarnfold.log")));
}

TEST_F(ExportRunTest, FailingShowDoesNotHideTheFirstError) {
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(0, 2), Text("")}};
    mapping = {{7, "n9", 2011, "1"}};
    recording.failingCall = "Show";
    try {
        MakeRun()->Execute();
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Field 'n9' not found");
    }
}

// A mapping row that names a column the source lacks ends the run; what the
// row had placed before it stays in the document, a missing bookmark
// journalled.
TEST_F(ExportRunTest, AMappingRowTheSourceCannotServeEndsTheRunAfterTheFiguresBeforeIt) {
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(250, 2), Text("")}};
    mapping = {{7, "n1", 2011, "1"}, {7, "n2", 2011, "2"}, {7, "n9", 2011, "3"}};
    recording.bookmarks = {"z1000_001_01"};
    options.logFile = true;
    try {
        MakeRun()->Execute();
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Field 'n9' not found");
    }
    const std::vector<std::string> calls = Calls();
    const auto placed = std::find(calls.begin(), calls.end(), "InsertBeforeBookmark z1000_001_01 1");
    ASSERT_NE(placed, calls.end());
    EXPECT_EQ(*(placed + 1), "HasBookmark z1000_001_02");
    EXPECT_NE(Journal().find("\r\nz1000_001_02\r\n"), std::string::npos) << Journal();
}

TEST_F(ExportRunTest, YearThatIsNoNumberFailsBeforeAnythingIsWritten) {
    choices.yearText = "20'11";
    try {
        MakeRun()->Execute();
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Год \"20'11\" не является целым числом!");
    }
    EXPECT_TRUE(database.opened.empty());
    EXPECT_EQ(std::count(recording.calls.begin(), recording.calls.end(), "CreateApplication"), 0);
    EXPECT_EQ(Calls().back(), "ended failed");
}

TEST_F(ExportRunTest, DatabaseErrorEndsTheRunFailed) {
    failSourceQuery = true;
    EXPECT_THROW(MakeRun()->Execute(), Error);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"started", "status Идет поиск бланка...",
                                                 "status Идет подготовка данных...", "ended failed"}));
    EXPECT_EQ(database.sessionsEnded, 1);
}

TEST_F(ExportRunTest, AbortStopsBeforeTheNextRowAndTheDocumentIsStillSaved) {
    for (int i = 1; i <= 4; ++i)
        source.push_back({7, "tb1000", std::to_string(i), Dec(100 * i, 2), Dec(0, 2), Text("")});
    mapping = {{7, "n1", 2011, "1"}};
    recording.bookmarks = {"z1000_001_01", "z1000_002_01", "z1000_003_01", "z1000_004_01"};
    const std::unique_ptr<ExportRun> run = MakeRun();
    int rowsLookedAt = 0;
    observer.beforeRow = [&] {
        if (++rowsLookedAt == 3) run->RequestAbort();
    };
    run->Execute();
    const std::vector<std::string> calls = Calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("Insert", 0) == 0; }),
              2);
    const auto abort = std::find(calls.begin(), calls.end(), "progress 2/4") + 1;
    ASSERT_NE(abort, calls.end());
    EXPECT_EQ(*abort, "before row");
    EXPECT_EQ(*(abort + 1), "HasBookmark z0001_000_00");
    // The rows filled so far are saved, under the name of an unfinished document.
    const std::string unfinished = "№ 7 (разрез 01) ЦРБ за 2011 год (не завершено).doc";
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SaveAs " + OutputFolder() + unfinished), calls.end());
    const std::vector<std::string> tail(calls.end() - 4, calls.end());
    EXPECT_EQ(
        tail,
        (std::vector<std::string>{
            "filled", "result Выгрузка прервана пользователем... Начатый документ сохранён как \"" + unfinished + "\"",
            "Show", "ended finished"}));
}

TEST_F(ExportRunTest, ProgressFollowsEveryRow) {
    for (int i = 1; i <= 3; ++i) source.push_back({7, "tb1000", std::to_string(i), Dec(0, 2), Dec(0, 2), Text("")});
    mapping = {{7, "n1", 2011, "1"}};
    MakeRun()->Execute();
    std::vector<std::string> progress;
    for (const std::string& call : recording.calls)
        if (call.rfind("progress ", 0) == 0 || call == "before row") progress.push_back(call);
    EXPECT_EQ(progress, (std::vector<std::string>{"before row", "progress 1/3", "before row", "progress 2/3",
                                                  "before row", "progress 3/3"}));
}

TEST_F(ExportRunTest, MappingIsFetchedOncePerRunOfRowsOfOneTable) {
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(0, 2), Text("")},
              {7, "tb1000", "2", Dec(100, 2), Dec(0, 2), Text("")},
              {8, "tb2000", "1", Dec(100, 2), Dec(0, 2), Text("")},
              {8, "tb2000", "2", Dec(100, 2), Dec(0, 2), Text("")}};
    mapping = {{7, "n1", 2011, "1"}, {8, "n1", 2011, "1"}};
    MakeRun()->Execute();
    std::vector<std::int64_t> mappedTables;
    for (const auto& [sql, parameters] : database.opened)
        if (sql.rfind("select tbl,eng,god,nstr", 0) == 0) mappedTables.push_back(parameters.integers.at("ntbl"));
    EXPECT_EQ(mappedTables, (std::vector<std::int64_t>{7, 8}));
    // One statement prepared for all of them.
    EXPECT_EQ(std::count_if(database.prepared.begin(), database.prepared.end(),
                            [](const std::string& s) { return s.rfind("select tbl,eng,god,nstr", 0) == 0; }),
              1);
}

TEST_F(ExportRunTest, FallbackYearFollowsTheLatestMappingYearOfTheFirstTable) {
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(0, 2), Text("")}};
    latestYear = 2009;
    MakeRun()->Execute();
    const Parameters& mappingParameters = database.opened.at(2).second;
    EXPECT_EQ(mappingParameters.integers.at("god"), 2011);
    EXPECT_EQ(mappingParameters.integers.at("god_def"), 2009);
    EXPECT_EQ(database.opened.at(1).first, "select max(god) iGod from columns where (tbl=:ntbl)");
    EXPECT_EQ(database.opened.at(1).second.integers.at("ntbl"), 7);
}

TEST_F(ExportRunTest, MonthlyThemeUsesThePlainMappingAndThePeriodCode) {
    Choose(kMonthlyTheme, 0);
    choices.period = periods[1];
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(0, 2), Text("")}};
    MakeRun()->Execute();
    EXPECT_EQ(database.opened.at(0).first.rfind("select svod.NTBL", 0), 0u);  // period "13" reads svod
    EXPECT_EQ(database.opened.at(0).second.texts.at("period"), "13");
    EXPECT_EQ(database.opened.at(2).first,
              "select tbl,eng,nstr from columns where (tbl=:ntbl) and (not eng='god') order by 2");
    EXPECT_EQ(database.opened.at(2).second.integers.count("god"), 0u);
}

TEST_F(ExportRunTest, RowsWithoutMappingAreJournalledAndMarkTheResultEvenWithoutJournal) {
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(0, 2), Text("")}};
    MakeRun()->Execute();
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(),
                        "result Выгрузка завершена (есть невыгруженные данные)!"),
              recording.calls.end());
    EXPECT_FALSE(std::filesystem::exists(program.File("Tarnfold.log")));
}

TEST_F(ExportRunTest, MissingCellBookmarkMarksTheResultAndNamesTheJournal) {
    source = {{7, "tb1000", "12", Dec(100, 2), Dec(0, 2), Text("")}};
    mapping = {{7, "n1", 2011, "4"}, {7, "a_b", 2011, "x"}};
    recording.bookmarks = {"z0001_000_00", "z0002_000_00", "z0003_000_00"};
    options.logFile = true;
    MakeRun()->Execute();
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(),
                        "result Выгрузка завершена (есть невыгруженные данные, см. Журнал экспорта)!"),
              recording.calls.end());
    const std::string journal = Journal();
    EXPECT_EQ(journal.substr(journal.size() - 14), "z1000_012_04\r\n");
    // The mapping row with an underscore is passed over before any name is built.
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(), "status Идет заполнение бланка...a_b"),
              recording.calls.end());
}

TEST_F(ExportRunTest, InstitutionAndPeriodComeFromTheChosenRecords) {
    choices.institution = institutions[1];
    recording.bookmarks = {"z0002_000_00", "z0003_000_00"};
    MakeRun()->Execute();
    EXPECT_EQ(database.opened.at(0).first.rfind("select svod.NTBL", 0), 0u);  // A3 filled
    EXPECT_EQ(database.opened.at(0).second.texts.at("lpu"), "0202");
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(), "TypeAtBookmark z0002_000_00 Город"),
              recording.calls.end());

    recording.calls.clear();
    database.opened.clear();
    choices.institution = {};
    choices.period = {};
    MakeRun()->Execute();
    EXPECT_EQ(database.opened.at(0).second.texts.at("lpu"), "");
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(), "TypeAtBookmark z0002_000_00 "),
              recording.calls.end());
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(), "SaveAs " + OutputFolder() + "№ 7.doc"),
              recording.calls.end());
}

TEST_F(ExportRunTest, InstitutionNameIsMendedInTheFileNameOnly) {
    choices.institution.name = "Б/Ц: \"Север\"";
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(0, 2), Text("")}};
    mapping = {{7, "n1", 2011, "1"}};
    recording.bookmarks = {"z0002_000_00"};
    options.logFile = true;
    MakeRun()->Execute();
    const std::string output = OutputFolder() + "№ 7 (разрез 01) Б_Ц_ _Север_ за 2011 год.doc";
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(), "SaveAs " + output), recording.calls.end());
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(), "TypeAtBookmark z0002_000_00 Б/Ц: \"Север\""),
              recording.calls.end());
    EXPECT_NE(Journal().find(Utf8ToCp1251(output) + "\r\n"), std::string::npos);
}

TEST_F(ExportRunTest, OutcomeCountsPlacedAndUnplacedFiguresAndUnmappedRows) {
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(250, 2), Text("")},
              {7, "tb1000", "2", Dec(300, 2), Dec(0, 2), Text("")},
              {9, "tb3000", "1", Dec(100, 2), Dec(0, 2), Text("")}};
    mapping = {{7, "n1", 2011, "1"}, {7, "n2", 2011, "2"}};
    recording.bookmarks = {"z1000_001_01", "z1000_001_02"};
    options.reportsFolder = (program.Path() / "out").string();
    const std::unique_ptr<ExportRun> run = MakeRun();
    run->Execute();
    const ExportOutcome& outcome = run->Outcome();
    EXPECT_EQ(outcome.placedFigures, 2u);
    EXPECT_EQ(outcome.unplacedFigures, 1u);  // z1000_002_01; the zero of row 2 is not a figure
    EXPECT_EQ(outcome.unmappedRows, 1u);
    EXPECT_EQ(outcome.rowsDone, 3u);
    EXPECT_EQ(outcome.rowTotal, 3u);
    EXPECT_TRUE(outcome.saved);
    EXPECT_FALSE(outcome.aborted);
    EXPECT_EQ(outcome.outputPath, (program.Path() / "out").string() + "/№ 7 (разрез 01) ЦРБ за 2011 год.doc");
    EXPECT_TRUE(std::filesystem::is_directory(program.Path() / "out"));
    EXPECT_FALSE(std::filesystem::exists(program.Path() / "Reports"));
}

TEST_F(ExportRunTest, OutcomeOfAnAbortedRunCountsTheRowsDone) {
    for (int i = 1; i <= 4; ++i) source.push_back({7, "tb1000", std::to_string(i), Dec(100, 2), Dec(0, 2), Text("")});
    mapping = {{7, "n1", 2011, "1"}};
    const std::unique_ptr<ExportRun> run = MakeRun();
    int rowsLookedAt = 0;
    observer.beforeRow = [&] {
        if (++rowsLookedAt == 2) run->RequestAbort();
    };
    run->Execute();
    EXPECT_EQ(run->Outcome().rowsDone, 1u);
    EXPECT_EQ(run->Outcome().rowTotal, 4u);
    EXPECT_TRUE(run->Outcome().aborted);
    EXPECT_TRUE(run->Outcome().saved);
}

TEST_F(ExportRunTest, DocxTemplateAloneIsFilledThroughTheDocxServerUnderADocxName) {
    std::filesystem::remove(templates / "7.doc");
    std::ofstream(templates / "7.docx") << "template";
    source = {{7, "tb1000", "1", Dec(100, 2), Dec(0, 2), Text("")}};
    mapping = {{7, "n1", 2011, "1"}};
    word::Recording docxRecording;
    docxRecording.bookmarks = {"z1000_001_01"};
    word::RecordingServer docxServer{docxRecording};
    options.logFile = true;
    MakeRun(WordServers(server, &docxServer))->Execute();

    const std::string output = OutputFolder() + "№ 7 (разрез 01) ЦРБ за 2011 год.docx";
    EXPECT_EQ(std::count(recording.calls.begin(), recording.calls.end(), "CreateApplication"), 0);
    const std::vector<std::string>& calls = docxRecording.calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "PrepareTemplate " + templates.string() + "/7.docx")
        << "the template is prepared before anything else is asked of the server";
    EXPECT_NE(std::find(calls.begin(), calls.end(), "OpenWorkingDocument " + templates.string() + "/7.docx"),
              calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SaveAs " + output), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "InsertBeforeBookmark z1000_001_01 1"), calls.end());
    EXPECT_NE(Journal().find(Utf8ToCp1251(output) + "\r\n"), std::string::npos);
}

TEST_F(ExportRunTest, DocTemplateBesideADocxStillGoesThroughTheOffice) {
    std::ofstream(templates / "7.docx") << "template";
    word::Recording docxRecording;
    word::RecordingServer docxServer{docxRecording};
    MakeRun(WordServers(server, &docxServer))->Execute();
    EXPECT_TRUE(docxRecording.calls.empty());
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(),
                        "OpenWorkingDocument " + templates.string() + "/7.doc"),
              recording.calls.end());
}

TEST_F(ExportRunTest, DocxTemplateIsNotTakenByARunThatCannotFillDocx) {
    std::filesystem::remove(templates / "7.doc");
    std::ofstream(templates / "7.docx") << "template";
    MakeRun()->Execute();
    EXPECT_NE(std::find(recording.calls.begin(), recording.calls.end(),
                        "refused Не найден файл шаблона: " + templates.string() + "/7.doc!"),
              recording.calls.end());
}
