// Whole export runs on a real embedded Firebird database and a real
// LibreOffice, with templates made by make_template.py; every filled document
// is read back independently of the back-end that wrote it.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "catalogue/catalogue.h"
#include "core/error.h"
#include "core/paths.h"
#include "core/regional.h"
#include "core/text.h"
#include "db/data_module.h"
#include "export/export_rules.h"
#include "export/export_run.h"
#include "export/output_file.h"
#include "export_scenario.h"
#include "journal/journal.h"
#include "support/recording_observer.h"
#include "settings/settings.h"
#include "support/documents.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"
#include "word/docx/docx_server.h"
#include "word/libreoffice/libreoffice.h"
#include "word/libreoffice/office_process.h"
#include "support/whole_file.h"
#include "support/fixed_clock.h"

using namespace tarnfold;
using namespace tarnfold::testing;

namespace {

constexpr int kAnnualTheme = 0;
constexpr int kMonthlyTheme = 1;
constexpr int kForm7 = 2;        // "7.doc", code "007"
constexpr int kForm307 = 44;     // "30_7.doc", code "307"
constexpr int kMonthlyForm = 0;  // "ДД2012.doc", code "800"

constexpr int kHospital = 0;  // A3 empty
constexpr int kSummary = 1;   // A3 filled
constexpr int kLongNamed = 2;
constexpr const char* kHospitalName = "Больница \"Север\"/Юг";

class NoUi : public db::ConnectUi {
public:
    void ShowMessage(const std::string& text) override { throw std::runtime_error("unexpected message: " + text); }
    void RequestEnd() override {}
};

// A hundred letters, as many as the host system's field takes.
std::string LongInstitutionName() {
    std::string name = "Областная больница ";
    for (int letters = 19; letters < 100; ++letters) name += "Щ";
    return name;
}

std::string FiguresSql() {
    std::string sql =
        "INSERT INTO KODIF VALUES ('0101', NULL, 'Больница \"Север\"/Юг', '0101', '01');\n"
        "INSERT INTO KODIF VALUES ('0202', 'x', 'Сводная', '0202', '02');\n"
        "INSERT INTO KODIF VALUES ('0909', NULL, '" +
        LongInstitutionName() +
        "', '0909', '09');\n"
        "INSERT INTO period VALUES ('01', 'Январь');\n"
        "INSERT INTO period VALUES ('13', 'Итог года');\n";
    for (int t : {1000, 629, 389, 7000}) sql += "INSERT INTO tblname VALUES (" + std::to_string(t) + ", '999');\n";
    sql += "INSERT INTO tblname VALUES (5000, '001');\n";
    const std::vector<std::tuple<int, const char*, int, const char*>> columns = {
        {1000, "n1", 2011, "3"},  {1000, "n2", 2011, "4"},  {1000, "n3", 2011, "5"}, {1000, "n4", 2011, "6"},
        {1000, "c1", 2011, "7"},  {1000, "n6", 2011, "8"},  {1000, "c2", 2011, "9"}, {1000, "x_y", 2011, "zz"},
        {1000, "god", 2011, "1"}, {1000, "n1", 2007, "10"}, {629, "n1", 2011, "3"},  {5000, "n1", 2010, "1"},
        {5000, "n2", 2011, "2"}};
    for (const auto& [tbl, eng, god, nstr] : columns)
        sql += "INSERT INTO columns VALUES (" + std::to_string(tbl) + ", '" + eng + "', " + std::to_string(god) +
               ", '" + nstr + "');\n";

    const auto row = [&](const std::string& table, int ntbl, int god, const std::string& lpu, const std::string& period,
                         const std::string& formkod, const std::string& tblkod, const std::string& r,
                         std::vector<std::pair<std::string, std::string>> values) {
        sql += InsertSql({table, ntbl, god, lpu, period, formkod, tblkod, r, std::move(values)});
    };
    // Form 7, section 1, 2011: the value rule and the bookmark names.
    row("tbl", 1000, 2011, "0101", "год", "0070100", "tb1000", "1",
        {{"n1", "12.50"}, {"n2", "0.0051"}, {"n3", "5"}, {"n4", "7.5"}, {"c1", "'ab'"}, {"n6", "0"}, {"c2", "''"}});
    row("tbl", 1000, 2011, "0101", "год", "0070100", "tb1000", "2",
        {{"n1", "100.00"}, {"n2", "0.0040"}, {"n6", "0.0050"}, {"c1", "NULL"}});
    row("tbl", 1000, 2011, "0101", "год", "0070100", "tb1000", "1234", {{"n1", "3"}});
    // Another institution's figures of the same form stay out.
    row("tbl", 1000, 2011, "0202", "год", "0070100", "tb1000", "2", {{"n2", "9"}});
    row("tbl", 1000, 2011, "0909", "год", "0070100", "tb1000", "1", {{"n1", "12.50"}});
    // Section 2: one row per year, for the mapping-year fallbacks.
    for (const auto& [god, value] : std::vector<std::pair<int, std::string>>{{2005, "1.5"}, {2009, "2"}, {2013, "2.5"}})
        row("tbl", 1000, god, "0101", "год", "0070200", "tb1000", "1", {{"n1", value}});
    // Section 3: a figure without its bookmark and a table without mapping.
    row("tbl", 1000, 2011, "0101", "год", "0070300", "tb1000", "5", {{"n1", "1"}});
    for (const char* r : {"1", "2", "3"}) row("tbl", 7000, 2011, "0101", "год", "0070300", "tb7000", r, {{"n1", "1"}});
    // Section 4: the figures the user's locale must not garble.
    row("tbl", 1000, 2011, "0101", "год", "0070400", "tb1000", "1",
        {{"n1", "1234567.89"}, {"n2", "-3.25"}, {"n6", "12.50"}});
    row("tbl", 1000, 2011, "0101", "год", "0070400", "tb1000", "2",
        {{"n1", "21.00"}, {"n2", "0.0051"}, {"n6", "100.00"}});
    // The institution with A3 reads svod.
    row("svod", 1000, 2011, "0202", "год", "0070100", "tb1000", "1", {{"n1", "77"}});
    row("tbl", 1000, 2011, "0202", "год", "0070100", "tb1000", "1", {{"n1", "88"}});
    // Form 307: only its own tables of form 30's section code.
    row("tbl", 629, 2011, "0101", "год", "0300100", "tb0629", "1", {{"n1", "6.29"}});
    row("tbl", 1000, 2011, "0101", "год", "0300100", "tb1000", "1", {{"n1", "10"}});
    row("tbl", 1000, 2011, "0101", "год", "3070100", "tb1000", "2", {{"n1", "11"}});
    // The monthly theme: months from tbl, any other period from svod.
    row("tbl", 5000, 2011, "0101", "01", "8000100", "tb5000", "1", {{"n1", "11"}, {"n2", "22"}});
    row("svod", 5000, 2011, "0101", "13", "8000100", "tb5000", "1", {{"n1", "33"}, {"n2", "44"}});
    // Section 5: what the office's two ways of filling must do alike. Texts
    // with quotes, a row whose bookmarks are partly missing, a row with
    // nothing to place, a bookmark the template spells in capitals, a table
    // without mapping.
    row("tbl", 1000, 2011, "0101", "год", "0070500", "tb1000", "1",
        {{"n1", "12.50"}, {"c2", "'Больница ''Север'' \"Юг\" «центр»'"}});
    row("tbl", 1000, 2011, "0101", "год", "0070500", "tb1000", "2", {{"n1", "7"}, {"n2", "8"}, {"n6", "9"}});
    row("tbl", 1000, 2011, "0101", "год", "0070500", "tb1000", "3", {{"n1", "0"}, {"c2", "''"}});
    row("tbl", 1000, 2011, "0101", "год", "0070500", "tb1000", "4", {{"n1", "4"}, {"n2", "-0.5"}});
    row("tbl", 7000, 2011, "0101", "год", "0070500", "tb7000", "1", {{"n1", "1"}});
    return sql;
}

std::vector<std::string> Form7Cells() {
    std::vector<std::string> cells;
    for (const char* r : {"001", "002"})
        for (int c = 3; c <= 10; ++c)
            cells.push_back(std::string("z1000_") + r + "_" + (c < 10 ? "0" : "") + std::to_string(c));
    cells.push_back("z1000_1234_03");
    return cells;
}

const std::vector<std::string> kAllHeaders = {"z0001_000_00", "z0002_000_00", "z0003_000_00"};

class ExportEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shared = std::make_unique<TempDir>();
        const std::string root = shared->Path().string();
        CreateDatabase(root + "/kvel.fdb", HostSchemaSql() + FiguresSql());
        std::filesystem::create_directories(shared->Path() / "DocF");
        std::filesystem::create_directories(shared->Path() / "Partial");
        std::filesystem::create_directories(shared->Path() / "DocxF");
        std::filesystem::create_directories(shared->Path() / "DocxPartial");
        MakeTemplates({
            {TemplateLayout(kAllHeaders, Form7Cells()), root + "/DocxF/7.docx"},
            {TemplateLayout({"z0001_000_00", "z0003_000_00"}, {"z1000_001_03"}), root + "/DocxPartial/7.docx"},
            {TemplateLayout(kAllHeaders, Form7Cells()), root + "/DocF/7.doc"},
            {TemplateLayout(kAllHeaders, {"z0629_001_03", "z1000_001_03"}), root + "/DocF/30_7.doc"},
            {TemplateLayout(kAllHeaders, {"z5000_001_01", "z5000_001_02"}), root + "/DocF/ДД2012.doc"},
            {TemplateLayout({"z0001_000_00", "z0003_000_00"}, {"z1000_001_03"}), root + "/Partial/7.doc"},
            {TemplateLayout(kAllHeaders, {"z1000_001_03", "z1000_001_09", "z1000_002_03", "z1000_003_03",
                                          "Z1000_004_03", "Z1000_004_04"}),
             root + "/Routes/7.doc"},
        });
        data = std::make_unique<db::DataModule>(shared->Folder());
        NoUi ui;
        data->ConnectDatabase({root + "/kvel.fdb", "password=masterkey", false}, ui);

        word::LibreOfficeOptions options = word::DefaultLibreOfficeOptions();
        options.profileFolder = root + "/office-profile";
        options.pipeName = "tarnfold-export-e2e-" + std::to_string(::getpid());
        options.visible = false;
        office = std::make_unique<word::LibreOfficeServer>(options);
        // The same office, filled a bookmark per call.
        options.fillInOffice = false;
        officePerFigure = std::make_unique<word::LibreOfficeServer>(options);
    }

    static void TearDownTestSuite() {
        // The office is never told to quit by the program; the tests end theirs.
        const std::string pipe = office->Options().pipeName;
        officePerFigure.reset();
        office.reset();
        word::KillOfficeProcesses(pipe);
        data.reset();
        shared.reset();
    }

    void SetUp() override {
        Choose(kAnnualTheme, kForm7);
        choices.institution = data->Institutions().at(kHospital);
        choices.period = data->Periods().at(0);
        choices.sectionText = "1";
        choices.yearText = "2011";
        choices.templateFolder = shared->Path().string() + "/DocF";
        options.programFolder = program.Folder();
        options.formats = {",", "%d.%m.%Y", "%H:%M:%S", "", ""};
        options.clock = tarnfold::testing::FixedNow;
    }

    void Choose(int theme, int formPosition) {
        choices.theme = &Themes[static_cast<std::size_t>(theme)];
        choices.form = TemplateRow(theme, formPosition);
    }

    void Run(word::Server* through = nullptr) {
        calls.clear();
        ExportRun run(RowsOf(*data).beginSession, WordServers(through ? *through : *office, &docx), observer, options,
                      choices);
        run.Execute();
    }

    std::string ReportPath(const std::string& name) const { return program.Folder() + "Reports/" + name; }
    std::string Filled(const std::string& name) const {
        const std::string path = ReportPath(name);
        if (!std::filesystem::exists(PathFromUtf8(path))) return "<no file " + path + ">";
        return ReadDocumentText(path);
    }
    bool Called(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }

    static inline std::unique_ptr<TempDir> shared;
    static inline std::unique_ptr<db::DataModule> data;
    static inline std::unique_ptr<word::LibreOfficeServer> office;
    static inline std::unique_ptr<word::LibreOfficeServer> officePerFigure;

    TempDir program;
    ExportChoices choices;
    ExportOptions options;
    std::vector<std::string> calls;
    RecordingObserver observer{calls};
    std::vector<std::string> shown;
    word::docx::DocxServer docx{[this](const std::string& path) { shown.push_back(path); }};
};

const std::string kForm7Name = "№ 7 (разрез 01) Больница _Север__Юг за 2011 год.doc";

}  // namespace

TEST_F(ExportEndToEnd, FiguresStandInFrontOfTheirBookmarksUnderACommaSeparator) {
    Run();
    EXPECT_TRUE(Called("result Выгрузка завершена")) << ::testing::PrintToString(calls);
    const std::string text = Filled(kForm7Name);
    // Header: the year, the institution's name as stored, the period entry.
    EXPECT_NE(text.find("Год:2011;"), std::string::npos) << text;
    EXPECT_NE(text.find("Учреждение:Больница \"Север\"/Юг;"), std::string::npos) << text;
    EXPECT_NE(text.find("Период:Январь;"), std::string::npos) << text;
    // Decimals: 12.50 as 12,5, 100.00 as 100, 0.0051 unrounded; 0.004, 0.005 and 0 left out.
    EXPECT_NE(text.find("z1000_001_03:12,5;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_002_03:100;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_04:0,0051;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_002_04:;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_002_08:;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_08:;"), std::string::npos) << text;
    // Integer and floating-point columns are never written.
    EXPECT_NE(text.find("z1000_001_05:;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_06:;"), std::string::npos) << text;
    // CHAR text keeps its padding; empty and null texts are not written.
    EXPECT_NE(text.find("z1000_001_07:ab    ;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_002_07:;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_09:;"), std::string::npos) << text;
    // A row of 1234 keeps its four digits; the own year's mapping only.
    EXPECT_NE(text.find("z1000_1234_03:3;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_10:;"), std::string::npos) << text;
    // Another institution's figure stays out.
    EXPECT_EQ(text.find(":9;"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(program.File("Tarnfold.log")));
}

TEST_F(ExportEndToEnd, PointSeparatorWritesPoints) {
    options.formats.decimalSeparator = ".";
    Run();
    const std::string text = Filled(kForm7Name);
    EXPECT_NE(text.find("z1000_001_03:12.5;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_04:0.0051;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_002_03:100;"), std::string::npos) << text;
}

// As the window runs: the process in the user's locale, the separator from
// the user's regional formats, on both the office and the native path.
TEST_F(ExportEndToEnd, FiguresInTheUserLocaleOnBothPaths) {
    const char* locale = std::getenv("TARNFOLD_TEST_LOCALE");
    const std::string separator = locale && std::string(locale).rfind("en_US", 0) == 0 ? "." : ",";
    options.formats = UserRegionalFormats();
    ASSERT_EQ(options.formats.decimalSeparator, separator);
    choices.sectionText = "4";
    const std::string name = "№ 7 (разрез 04) Больница _Север__Юг за 2011 год";
    for (const char* folder : {"/DocF", "/DocxF"}) {
        choices.templateFolder = shared->Path().string() + folder;
        Run();
        const std::string text = Filled(name + (folder == std::string("/DocF") ? ".doc" : ".docx"));
        for (const std::string& cell : std::vector<std::string>{
                 "001_03:1234567" + separator + "89;", "001_04:-3" + separator + "25;", "001_08:12" + separator + "5;",
                 "002_03:21;", "002_04:0" + separator + "0051;", "002_08:100;"})
            EXPECT_NE(text.find("z1000_" + cell), std::string::npos) << folder << " " << cell << "\n" << text;
    }
}

TEST_F(ExportEndToEnd, MappingYearFallsBackTo2007ToNothingOrToTheLatestYear) {
    choices.sectionText = "2";
    choices.yearText = "2005";
    Run();
    std::string text = Filled("№ 7 (разрез 02) Больница _Север__Юг за 2005 год.doc");
    EXPECT_NE(text.find("z1000_001_10:1,5;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_03:;"), std::string::npos) << text;

    choices.yearText = "2013";
    Run();
    text = Filled("№ 7 (разрез 02) Больница _Север__Юг за 2013 год.doc");
    EXPECT_NE(text.find("z1000_001_03:2,5;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_10:;"), std::string::npos) << text;

    // Between 2007 and the latest year a table without its own mapping gets none.
    choices.yearText = "2009";
    options.logFile = true;
    Run();
    text = Filled("№ 7 (разрез 02) Больница _Север__Юг за 2009 год.doc");
    EXPECT_NE(text.find("z1000_001_03:;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_10:;"), std::string::npos) << text;
    EXPECT_TRUE(Called("result Выгрузка завершена (есть невыгруженные данные, см. Журнал экспорта)!"));
    const std::string journal = ReadWholeFile(program.File("Tarnfold.log"));
    EXPECT_EQ(journal.substr(journal.size() - 18), Utf8ToCp1251("таблица tb1000-1\r\n"));
}

// An institution's name as long as the host system takes would make the
// office's lock file name too long for the file system: the institution's
// part is cut so that every name of the run fits, and the journal says so.
TEST_F(ExportEndToEnd, ALongInstitutionNameIsCutSoThatEveryNameOfTheRunFits) {
    choices.institution = data->Institutions().at(kLongNamed);
    options.logFile = true;
    for (const std::string folder : {"/DocF", "/DocxF"}) {
        choices.templateFolder = shared->Path().string() + folder;
        Run();
        EXPECT_TRUE(Called("result Выгрузка завершена")) << ::testing::PrintToString(calls);
    }
    std::vector<std::string> reports;
    for (const auto& entry : std::filesystem::directory_iterator(program.Path() / "Reports"))
        reports.push_back(entry.path().filename().string());
    ASSERT_EQ(reports.size(), 2u) << ::testing::PrintToString(reports);
    for (const std::string& name : reports) {
        EXPECT_LE(name.size() + RunNameAddition(), LongestFileName) << name;
        EXPECT_NE(name.find("Щ… за 2011 год.doc"), std::string::npos) << name;
        EXPECT_NE(Filled(name).find("z1000_001_03:12,5;"), std::string::npos) << name;
    }
    const std::string journal = Cp1251ToUtf8(ReadWholeFile(program.File("Tarnfold.log")));
    EXPECT_NE(journal.find(ShortenedNameLine(LongInstitutionName()) + "\r\n"), std::string::npos) << journal;
}

// Each period keeps a report of its own: exporting another period of the same
// form, institution and year leaves the first one as it was.
TEST_F(ExportEndToEnd, MonthlyThemeReadsTblForAMonthAndSvodOtherwiseEachPeriodInItsOwnReport) {
    Choose(kMonthlyTheme, kMonthlyForm);
    Run();
    const std::string january = "№ 800 (разрез 01) Больница _Север__Юг за 2011 год (Январь).doc";
    std::string text = Filled(january);
    EXPECT_NE(text.find("z5000_001_01:11;"), std::string::npos) << text;
    EXPECT_NE(text.find("z5000_001_02:22;"), std::string::npos) << text;
    EXPECT_NE(text.find("Период:Январь;"), std::string::npos) << text;

    choices.period = data->Periods().at(1);
    Run();
    text = Filled("№ 800 (разрез 01) Больница _Север__Юг за 2011 год (Итог года).doc");
    EXPECT_NE(text.find("z5000_001_01:33;"), std::string::npos) << text;
    EXPECT_NE(text.find("z5000_001_02:44;"), std::string::npos) << text;
    EXPECT_NE(text.find("Период:Итог года;"), std::string::npos) << text;
    EXPECT_NE(Filled(january).find("z5000_001_01:11;"), std::string::npos);
}

TEST_F(ExportEndToEnd, InstitutionWithA3ReadsSvod) {
    choices.institution = data->Institutions().at(kSummary);
    Run();
    const std::string text = Filled("№ 7 (разрез 01) Сводная за 2011 год.doc");
    EXPECT_NE(text.find("z1000_001_03:77;"), std::string::npos) << text;
    EXPECT_EQ(text.find("88"), std::string::npos) << text;
    EXPECT_NE(text.find("Учреждение:Сводная;"), std::string::npos) << text;
}

TEST_F(ExportEndToEnd, Form307ReadsItsOwnTablesOfForm30) {
    Choose(kAnnualTheme, kForm307);
    Run();
    const std::string text = Filled("№ 307 (разрез 01) Больница _Север__Юг за 2011 год.doc");
    EXPECT_NE(text.find("z0629_001_03:6,29;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_03:;"), std::string::npos) << text;
}

TEST_F(ExportEndToEnd, EmptyFormAnsweredYesIsSavedUnderItsNumberWithTheHeaderOnly) {
    choices.yearText = "1999";
    observer.answer = true;
    options.logFile = true;
    Run();
    EXPECT_TRUE(Called("ask Нет данных для выгрузки. Открыть пустой бланк формы? "));
    EXPECT_TRUE(Called("result Выгрузка завершена"));
    const std::string text = Filled("№ 7.doc");
    EXPECT_NE(text.find("Год:1999;"), std::string::npos) << text;
    EXPECT_NE(text.find("Учреждение:Больница \"Север\"/Юг;"), std::string::npos) << text;
    EXPECT_NE(text.find("z1000_001_03:;"), std::string::npos) << text;
    // Lines 1 to 3 only.
    const std::string expected =
        "*********************************\r\n" + ReportPath("№ 7.doc") + "\r\nДата выгрузки: 05.03.2011 14:03:09\r\n";
    EXPECT_EQ(ReadWholeFile(program.File("Tarnfold.log")), Utf8ToCp1251(expected));
}

TEST_F(ExportEndToEnd, EmptyFormAnsweredNoWritesNothing) {
    choices.yearText = "1999";
    observer.answer = false;
    options.logFile = true;
    Run();
    EXPECT_TRUE(Called("result Выгрузка не завершена: нет данных для выгрузки..."));
    EXPECT_FALSE(std::filesystem::exists(program.Path() / "Reports"));
    EXPECT_FALSE(std::filesystem::exists(program.File("Tarnfold.log")));
}

TEST_F(ExportEndToEnd, JournalNamesMissingBookmarksAndRowsWithoutMapping) {
    choices.sectionText = "3";
    choices.templateFolder = shared->Path().string() + "/Partial";
    options.logFile = true;
    std::ofstream(program.File("Tarnfold.log"), std::ios::binary) << "old\r\n";
    Run();
    const std::string output = ReportPath("№ 7 (разрез 03) Больница _Север__Юг за 2011 год.doc");
    const std::string expected = "old\r\n*********************************\r\n" + output +
                                 "\r\nДата выгрузки: 05.03.2011 14:03:09\r\n"
                                 "z0002_000_00\r\n"
                                 "z1000_005_03\r\n"
                                 "таблица tb7000-1\r\n"
                                 "таблица tb7000-2\r\n"
                                 "таблица tb7000-3\r\n";
    EXPECT_EQ(ReadWholeFile(program.File("Tarnfold.log")), Utf8ToCp1251(expected));
    EXPECT_TRUE(Called("result Выгрузка завершена (есть невыгруженные данные, см. Журнал экспорта)!"));
}

TEST_F(ExportEndToEnd, DocxTemplateGivesTheSameTextsInTheSameCellsAsTheDoc) {
    for (const char* section : {"1", "3"}) {
        choices.sectionText = section;
        const std::string sectionName = std::string("№ 7 (разрез 0") + section + ") Больница _Север__Юг за 2011 год";
        choices.templateFolder = shared->Path().string() + (section == std::string("1") ? "/DocF" : "/Partial");
        Run();
        const std::string fromDoc = Filled(sectionName + ".doc");
        EXPECT_NE(fromDoc.find("Год:2011;"), std::string::npos) << fromDoc;
        choices.templateFolder = shared->Path().string() + (section == std::string("1") ? "/DocxF" : "/DocxPartial");
        options.logFile = true;
        Run();
        options.logFile = false;
        EXPECT_EQ(Filled(sectionName + ".docx"), fromDoc);
        EXPECT_EQ(shown, std::vector<std::string>{ReportPath(sectionName + ".docx")});
        shown.clear();
        const std::string journal = Cp1251ToUtf8(ReadWholeFile(program.File("Tarnfold.log")));
        EXPECT_NE(journal.find("\r\n" + ReportPath(sectionName + ".docx") + "\r\n"), std::string::npos) << journal;
    }
    EXPECT_TRUE(Called("result Выгрузка завершена (есть невыгруженные данные, см. Журнал экспорта)!"));
}

// The office fills a source row in one call to its routine, or a bookmark per
// call: the documents, the journals and the counts come out the same.
TEST_F(ExportEndToEnd, TheOfficeFillsByRowAsItFillsByFigure) {
    choices.sectionText = "5";
    choices.templateFolder = shared->Path().string() + "/Routes";
    options.logFile = true;
    const std::string name = "№ 7 (разрез 05) Больница _Север__Юг за 2011 год.doc";
    std::vector<std::string> texts, journals, results;
    for (word::Server* through :
         {static_cast<word::Server*>(office.get()), static_cast<word::Server*>(officePerFigure.get())}) {
        std::filesystem::remove(program.File("Tarnfold.log"));
        ::testing::internal::CaptureStderr();
        Run(through);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "neither way falls back or complains";
        texts.push_back(Filled(name));
        journals.push_back(Cp1251ToUtf8(ReadWholeFile(program.File("Tarnfold.log"))));
        results.push_back(calls.size() > 2 ? calls[calls.size() - 2] : "");
    }
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_EQ(journals[0], journals[1]);
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], "result Выгрузка завершена (есть невыгруженные данные, см. Журнал экспорта)!");
    for (const char* cell : {"Год:2011;", "Учреждение:Больница \"Север\"/Юг;", "z1000_001_03:12,5;",
                             "z1000_001_09:Больница 'Север' \"Юг\" «центр»;", "z1000_002_03:7;", "z1000_003_03:;",
                             "Z1000_004_03:4;", "Z1000_004_04:-0,5;"})
        EXPECT_NE(texts[0].find(cell), std::string::npos) << cell << " in " << texts[0];
    EXPECT_EQ(journals[0].substr(journals[0].find("z1000_")), "z1000_002_04\r\nz1000_002_08\r\nтаблица tb7000-1\r\n");
}

TEST_F(ExportEndToEnd, JournalOffTouchesNoFileButTheResultStillTells) {
    choices.sectionText = "3";
    choices.templateFolder = shared->Path().string() + "/Partial";
    Run();
    EXPECT_FALSE(std::filesystem::exists(program.File("Tarnfold.log")));
    EXPECT_TRUE(Called("result Выгрузка завершена (есть невыгруженные данные)!"));
}

TEST_F(ExportEndToEnd, YearThatIsNoNumberFailsBeforeAnyFileIsWritten) {
    choices.yearText = "2011' or '1'='1";
    options.logFile = true;
    EXPECT_THROW(Run(), Error);
    EXPECT_FALSE(std::filesystem::exists(program.Path() / "Reports"));
    EXPECT_FALSE(std::filesystem::exists(program.File("Tarnfold.log")));
    EXPECT_EQ(calls.back(), "ended failed");
}

// Whatever stops a run after it began to fill, the user's earlier report
// stays byte for byte, what was filled is kept under a name that says so and
// told truly (a copy that could not be saved holds the template only and is
// not kept), and nothing of the office is left beside them.
TEST_F(ExportEndToEnd, AnUnfinishedRunLeavesTheEarlierReportAndKeepsWhatItFilled) {
    struct Case {
        const char* name;
        const char* templates;
        std::function<void(ExportRun&)> atSecondRow;  // what happens before the second row
        bool journalUnwritable;
        const char* keptText;  // what the kept document holds; null: nothing is kept
        bool filled = true;    // whether anything was filled when it stopped
    };
    const std::string pipe = office->Options().pipeName;
    const std::vector<Case> cases = {
        {"abort", "/DocF", [](ExportRun& run) { run.RequestAbort(); }, false, "z1000_001_03:12,5;"},
        {"office killed", "/DocF", [&pipe](ExportRun&) { word::KillOfficeProcesses(pipe); }, false, nullptr},
        {"journal unwritable", "/DocF", nullptr, true, "Год:;", false},
        {"abort .docx", "/DocxF", [](ExportRun& run) { run.RequestAbort(); }, false, "z1000_001_03:12,5;"},
        {"journal unwritable .docx", "/DocxF", nullptr, true, "Год:;", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string extension = std::string(c.templates) == "/DocxF" ? "x" : "";
        const std::string output = ReportPath(kForm7Name + extension);
        const std::string kept =
            ReportPath("№ 7 (разрез 01) Больница _Север__Юг за 2011 год (не завершено).doc" + extension);
        std::filesystem::create_directories(program.Path() / "Reports");
        std::ofstream(output, std::ios::binary) << "the earlier report";
        choices.templateFolder = shared->Path().string() + c.templates;
        options.logFile = c.journalUnwritable;
        // A folder in the journal's place: no user, root included, can write it.
        if (c.journalUnwritable) std::filesystem::create_directories(program.Path() / "Tarnfold.log");
        std::unique_ptr<ExportRun> run;
        int rowsLookedAt = 0;
        observer.beforeRow = [&] {
            if (++rowsLookedAt == 2 && c.atSecondRow) c.atSecondRow(*run);
        };
        calls.clear();
        run = std::make_unique<ExportRun>(RowsOf(*data).beginSession, WordServers(*office, &docx), observer, options,
                                          choices);
        try {
            run->Execute();
        } catch (const Error& e) {
            EXPECT_STRNE(c.name, "abort") << e.what();
        }
        EXPECT_EQ(ReadWholeFile(output), "the earlier report");
        const std::string keptName = kept.substr(kept.rfind('/') + 1);
        if (!c.keptText) {
            EXPECT_TRUE(Called("result Выгрузка не завершена; прежний отчёт не тронут..."))
                << ::testing::PrintToString(calls);
            EXPECT_FALSE(std::filesystem::exists(kept));
        } else if (!c.filled) {
            EXPECT_TRUE(Called("result Документ сохранён незаполненным как \"" + keptName + "\""))
                << ::testing::PrintToString(calls);
        } else {
            EXPECT_TRUE(
                Called("result Начатый документ сохранён как \"" + keptName + "\"") ||
                Called("result Выгрузка прервана пользователем... Начатый документ сохранён как \"" + keptName + "\""))
                << ::testing::PrintToString(calls);
        }
        if (c.keptText) {
            EXPECT_NE(Filled(keptName).find(c.keptText), std::string::npos) << Filled(keptName);
        }
        // Once the run lets go of it, the headless office closes the document.
        run.reset();
        for (const auto& entry : std::filesystem::directory_iterator(program.Path() / "Reports")) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == kForm7Name + extension || entry.path().string() == kept) << name;
        }
        std::filesystem::remove(kept);
        std::filesystem::remove(output);
        std::filesystem::remove_all(program.Path() / "Tarnfold.log");
        observer.beforeRow = nullptr;
        options.logFile = false;
    }
    // After the office was killed, the next export of the same document works.
    choices.templateFolder = shared->Path().string() + "/DocF";
    Run();
    EXPECT_NE(Filled(kForm7Name).find("z1000_001_03:12,5;"), std::string::npos);
}

// A disk of its own, small and full.
class FullDisk {
public:
    FullDisk() {
        mounted_ = ::geteuid() == 0 &&
                   std::system(("mount -t tmpfs -o size=256k tmpfs '" + dir_.Path().string() + "'").c_str()) == 0;
    }
    ~FullDisk() {
        if (mounted_) std::system(("umount '" + dir_.Path().string() + "'").c_str());
    }
    bool Mounted() const { return mounted_; }
    const TempDir& Folder() const { return dir_; }
    void Fill() const {
        std::ofstream filler(dir_.Path() / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    }

private:
    TempDir dir_;
    bool mounted_ = false;
};

void ExpectOnlyTheEarlierReports(const std::filesystem::path& reports) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(reports))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{kForm7Name, kForm7Name + "x"}));
}

// A full disk is told as such within seconds on both paths, and the earlier
// report on it stays as it was.
TEST_F(ExportEndToEnd, AFullDiskIsToldAtOnceAndTheEarlierReportStays) {
    const FullDisk disk;
    if (!disk.Mounted()) GTEST_SKIP() << "a small disk of its own needs root and tmpfs";
    const std::filesystem::path reports = disk.Folder().Path() / "Reports";
    std::filesystem::create_directories(reports);
    options.reportsFolder = reports.string();
    for (const std::string extension : {"", "x"}) {
        std::ofstream(reports / (kForm7Name + extension), std::ios::binary) << "the earlier report";
    }
    disk.Fill();
    for (const std::string folder : {"/DocF", "/DocxF"}) {
        choices.templateFolder = shared->Path().string() + folder;
        const auto start = std::chrono::steady_clock::now();
        try {
            Run();
            ADD_FAILURE() << "saved on a full disk";
        } catch (const Error& e) {
            const std::string text = e.what();
            EXPECT_TRUE(text.find("на диске нет места") != std::string::npos ||
                        text.find("на диске не хватает места") != std::string::npos)
                << text;
            EXPECT_EQ(text.find("file://"), std::string::npos) << text;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << folder;
    }
    for (const std::string extension : {"", "x"})
        EXPECT_EQ(ReadWholeFile((reports / (kForm7Name + extension)).string()), "the earlier report");
    ExpectOnlyTheEarlierReports(reports);

    // The disk fills up while the document is filled: the finished document
    // cannot be saved, nor can what was filled; the run says so and leaves
    // no partial copy, nor a copy of the bare template passed off as its work.
    std::filesystem::remove(disk.Folder().Path() / "filler");
    for (const std::string folder : {"/DocF", "/DocxF"}) {
        choices.templateFolder = shared->Path().string() + folder;
        observer.beforeRow = [&] { disk.Fill(); };
        try {
            Run();
            ADD_FAILURE() << "saved on a full disk";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("на диске нет места"), std::string::npos) << e.what();
        }
        observer.beforeRow = nullptr;
        EXPECT_TRUE(Called("result Выгрузка не завершена; прежний отчёт не тронут..."))
            << ::testing::PrintToString(calls);
        ExpectOnlyTheEarlierReports(reports);
        std::filesystem::remove(disk.Folder().Path() / "filler");
    }
}

// A template the office would read as text is refused, not "filled" with nothing.
TEST_F(ExportEndToEnd, ATemplateThatIsNoWordDocumentIsRefused) {
    const std::filesystem::path folder = program.Path() / "NotWord";
    std::filesystem::create_directories(folder);
    choices.templateFolder = folder.string();
    for (const std::string& bytes : {std::string("\x93\x01\xfe random bytes \x00\x7f\x80", 24),
                                     std::string("Форма 7: просто текст\r\n"), std::string()}) {
        std::ofstream(folder / "7.doc", std::ios::binary) << bytes;
        try {
            Run();
            ADD_FAILURE() << "filled a template that is no Word document";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Шаблон " + (folder / "7.doc").string() + " не является документом Word");
        }
        EXPECT_FALSE(std::filesystem::exists(ReportPath(kForm7Name)));
    }
}

TEST_F(ExportEndToEnd, AWriteProtectedEarlierReportIsRefusedBeforeAnythingIsWritten) {
    std::filesystem::create_directories(program.Path() / "Reports");
    for (const std::string folder : {"/DocF", "/DocxF"}) {
        const std::string output = ReportPath(kForm7Name + (folder == "/DocxF" ? "x" : ""));
        std::ofstream(output, std::ios::binary) << "the earlier report";
        std::filesystem::permissions(output, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
        choices.templateFolder = shared->Path().string() + folder;
        calls.clear();
        Run();
        EXPECT_TRUE(Called("refused Файл " + output +
                           " защищён от записи: прежний отчёт не заменён. Снимите защиту или "
                           "удалите файл и повторите выгрузку"))
            << ::testing::PrintToString(calls);
        EXPECT_TRUE(Called("result Выгрузка не выполнена: прежний отчёт нельзя заменить..."));
        EXPECT_EQ(ReadWholeFile(output), "the earlier report");
        EXPECT_FALSE(Called("status Подготовка шаблона..."));
        // Nothing else appeared beside it.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program.Path() / "Reports"), {}), 1);
        std::filesystem::remove(output);
    }
    // A report another office has open is told with who holds it.
    const std::string output = ReportPath(kForm7Name);
    const std::string lock = ReportPath(".~lock." + kForm7Name + "#");
    std::ofstream(output, std::ios::binary) << "the earlier report";
    std::ofstream(lock, std::ios::binary) << ",Мария,stat-pc,09.12.2026 10:15,file:///home/m/.config/libreoffice/4;";
    choices.templateFolder = shared->Path().string() + "/DocF";
    calls.clear();
    Run();
    EXPECT_TRUE(Called("refused Файл " + output +
                       " открыт другой программой (LibreOffice: пользователь Мария на "
                       "компьютере stat-pc с 09.12.2026 10:15; файл блокировки " +
                       lock + "): закройте его и повторите выгрузку"))
        << ::testing::PrintToString(calls);
    EXPECT_EQ(ReadWholeFile(output), "the earlier report");
    std::filesystem::remove(lock);
    std::filesystem::remove(output);
}

namespace {

// The demo as scripts/demo lays it out: the demo database and the demo
// templates, both made by their scripts from demo_forms.py.
class DemoExport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shared = std::make_unique<TempDir>();
        const std::string root = shared->Path().string();
        const std::string scripts = std::string(TARNFOLD_SOURCE_DIR) + "/scripts/";
        const std::string log = " >>'" + root + "/scripts.log' 2>&1";
        if (std::system(("'" + scripts + "make-demo-db' '" + root + "/kvel.gdb'" + log).c_str()) != 0 ||
            std::system(("'" + scripts + "make-demo-templates' '" + root + "/DocF_2011'" + log).c_str()) != 0)
            throw std::runtime_error("demo scripts failed:\n" + ReadWholeFile(root + "/scripts.log"));
        data = std::make_unique<db::DataModule>(shared->Folder());
        NoUi ui;
        data->ConnectDatabase({root + "/kvel.gdb", "password=masterkey", false}, ui);
        word::LibreOfficeOptions options = word::DefaultLibreOfficeOptions();
        options.profileFolder = root + "/office-profile";
        options.pipeName = "tarnfold-export-demo-" + std::to_string(::getpid());
        options.visible = false;
        office = std::make_unique<word::LibreOfficeServer>(options);
    }

    static void TearDownTestSuite() {
        const std::string pipe = office->Options().pipeName;
        office.reset();
        word::KillOfficeProcesses(pipe);
        data.reset();
        shared.reset();
    }

    std::vector<std::string> Export(int theme, int form, const std::string& institution,
                                    const std::string& year = "2011", const std::string& section = "1") {
        const std::vector<std::string> entries = db::InstitutionEntries(data->Institutions());
        ExportChoices choices;
        choices.theme = &Themes[static_cast<std::size_t>(theme)];
        choices.form = TemplateRow(theme, form);
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].rfind(institution, 0) == 0) choices.institution = data->Institutions()[i];
        choices.period = data->Periods().at(0);
        choices.sectionText = section;
        choices.yearText = year;
        choices.templateFolder = shared->Path().string() + "/DocF_2011";
        ExportOptions options;
        options.programFolder = program.Folder();
        options.formats.decimalSeparator = ",";
        calls.clear();
        ExportRun run(RowsOf(*data).beginSession, *office, observer, options, choices);
        run.Execute();
        std::vector<std::string> lines;
        const std::string text = ReadDocumentText(run.Outcome().outputPath);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    bool Has(const std::vector<std::string>& lines, const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    static bool HasPeriodLine(const std::vector<std::string>& lines) {
        return std::any_of(lines.begin(), lines.end(),
                           [](const std::string& line) { return line.rfind("Период:", 0) == 0; });
    }

    static inline std::unique_ptr<TempDir> shared;
    static inline std::unique_ptr<db::DataModule> data;
    static inline std::unique_ptr<word::LibreOfficeServer> office;
    TempDir program;
    std::vector<std::string> calls;
    RecordingObserver observer{calls};
    std::vector<std::string> shown;
    word::docx::DocxServer docx{[this](const std::string& path) { shown.push_back(path); }};
};

}  // namespace

TEST_F(DemoExport, Form7ForTheCityHospital) {
    const auto lines = Export(kAnnualTheme, kForm7, "0101");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "result Выгрузка завершена"), calls.end())
        << ::testing::PrintToString(calls);
    EXPECT_TRUE(Has(lines, "Год: 2011")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(Has(lines, "Учреждение: Городская больница №1")) << ::testing::PrintToString(lines);
    // Table 1000, row 1: the code text, then n1 = 570 (the demo's own formula);
    // row 3 holds zeros only, so its figure cells stay empty.
    EXPECT_TRUE(Has(lines, "МКБ 007/1")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(Has(lines, "570")) << ::testing::PrintToString(lines);
}

// What a newcomer's first F10 exports: the window's defaults on a first start
// (form 7, the region, section 00, the current year) in the demo. Then every
// demo form in every demo year: each table finds its mapping, so no export of
// the demo ends with unexported data.
TEST_F(DemoExport, EveryFormIsWholeInEveryDemoYearTheFirstStartsDefaultsFirst) {
    const std::string currentYear = std::to_string(LocalNow().tm_year + 1900);
    const ReportSettings defaults;
    const std::vector<std::string> annualForms = FormCaptionsOfTheme(kAnnualTheme);
    const int defaultForm =
        static_cast<int>(std::find(annualForms.begin(), annualForms.end(), defaults.formCaption) - annualForms.begin());
    const std::string region = defaults.institutionEntry.substr(0, defaults.institutionEntry.find(' '));
    const auto lines = Export(kAnnualTheme, defaultForm, region, currentYear, defaults.section);
    EXPECT_NE(std::find(calls.begin(), calls.end(), "result Выгрузка завершена"), calls.end())
        << ::testing::PrintToString(calls);
    EXPECT_TRUE(Has(lines, "Год: " + currentYear)) << ::testing::PrintToString(lines);
    EXPECT_TRUE(Has(lines, "Учреждение: Велинская область")) << ::testing::PrintToString(lines);
    EXPECT_FALSE(HasPeriodLine(lines)) << ::testing::PrintToString(lines);

    const struct {
        int theme, form;
        const char* file;
    } forms[] = {{kAnnualTheme, kForm7, "7.doc"},
                 {kAnnualTheme, 7, "12.doc"},
                 {kAnnualTheme, 9, "14.doc"},
                 {kMonthlyTheme, kMonthlyForm, "ДД2012.doc"}};
    for (const auto& form : forms)
        for (const std::string& year : {std::string("2010"), std::string("2011"), currentYear}) {
            const auto filled = Export(form.theme, form.form, "0101", year, "0");
            EXPECT_NE(std::find(calls.begin(), calls.end(), "result Выгрузка завершена"), calls.end())
                << form.file << " " << year << ": " << ::testing::PrintToString(calls);
            // An annual form has no period to show: its template has no period line.
            EXPECT_EQ(HasPeriodLine(filled), form.theme == kMonthlyTheme) << form.file << " " << year;
        }
}

TEST_F(DemoExport, Form14ForTheDistrictSummaryReadsSvod) {
    const auto lines = Export(kAnnualTheme, 9, "0201");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "result Выгрузка завершена"), calls.end())
        << ::testing::PrintToString(calls);
    EXPECT_TRUE(Has(lines, "Учреждение: Кировский район (свод)")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(Has(lines, "прим. 014/1")) << ::testing::PrintToString(lines);
}

TEST_F(DemoExport, MonthlyFormForTheRegion) {
    const auto lines = Export(kMonthlyTheme, kMonthlyForm, "1166");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "result Выгрузка завершена"), calls.end())
        << ::testing::PrintToString(calls);
    EXPECT_TRUE(Has(lines, "Период: Январь")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(Has(lines, "528")) << ::testing::PrintToString(lines);  // n1 of row 1 in January
    EXPECT_TRUE(Has(lines, "МКБ 800/1")) << ::testing::PrintToString(lines);
}
