// The batch program as the user runs it: the executable beside its settings,
// the host's locator file and an embedded database one folder up, real
// LibreOffice for .doc templates. Every document it writes is read back
// independently and compared with what the window's export path writes for
// the same choices.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "core/files.h"
#include "core/paths.h"
#include "core/regional.h"
#include "core/text.h"
#include "db/data_module.h"
#include "export/export_run.h"
#include "batch_process.h"
#include "batch_scenario.h"
#include "export/output_file.h"
#include "export_scenario.h"
#include "support/recording_observer.h"
#include "support/documents.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"
#include "word/libreoffice/libreoffice.h"
#include "word/libreoffice/office_process.h"

using namespace tarnfold;
using namespace tarnfold::testing;

namespace {

constexpr int kRowsOfTheLargeForm = 2500;

const std::vector<std::string> kHeaders = {"z0001_000_00", "z0002_000_00", "z0003_000_00"};

std::string FiguresSql() {
    // Beside the shared institutions: a group of institutions (A3 set) with
    // figures in svod, and two institutions of one code.
    std::vector<std::string> kodif = {"('0404', 'x', 'Сводная', '0404', '04')",
                                      "('0606', NULL, 'Двойник один', '0606', '06')",
                                      "('0607', NULL, 'Двойник два', '0606', '06')"};
    for (const BatchInstitution& i : kBatchInstitutions)
        kodif.push_back(std::string("('") + i.code + "', NULL, '" + i.name + "', '" + i.code + "', '" + i.district +
                        "')");
    std::sort(kodif.begin(), kodif.end());
    std::string sql;
    for (const std::string& values : kodif) sql += "INSERT INTO KODIF VALUES " + values + ";\n";
    sql +=
        "INSERT INTO period VALUES ('01', 'Январь');\n"
        "INSERT INTO tblname VALUES (1000, '999');\n"
        "INSERT INTO columns VALUES (1000, 'n1', 2011, '1');\n"
        "INSERT INTO columns VALUES (1000, 'n2', 2011, '2');\n"
        "INSERT INTO columns VALUES (1000, 'c2', 2011, '3');\n";
    const auto row = [&](const std::string& table, const std::string& lpu, const std::string& r,
                         std::vector<std::pair<std::string, std::string>> values) {
        sql += InsertSql({table, 1000, 2011, lpu, "год", "0070100", "tb1000", r, std::move(values)});
    };
    for (const BatchFigures& f : kBatchFigures) {
        std::vector<std::pair<std::string, std::string>> values = {{"n1", f.n1}};
        if (*f.n2) values.push_back({"n2", f.n2});
        // A text figure in the third column, which only the real database has.
        if (f.row == 1 && std::string(f.institution) == "0101") values.push_back({"c2", "'текст'"});
        row("tbl", f.institution, std::to_string(f.row), std::move(values));
    }
    row("svod", "0404", "2", {{"n1", "44"}});
    for (int r = 1; r <= kRowsOfTheLargeForm; ++r)
        row("tbl", kLargeFormInstitution, std::to_string(r), {{"n1", std::to_string(r)}});
    return sql;
}

std::vector<std::string> Cells(int rows) {
    std::vector<std::string> cells;
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= (rows > 3 ? 1 : 3); ++c) {
            char name[32];
            std::snprintf(name, sizeof name, "z1000_%03d_%02d", r, c);
            cells.push_back(name);
        }
    return cells;
}

class NoUi : public db::ConnectUi {
public:
    void ShowMessage(const std::string& text) override { throw std::runtime_error("unexpected message: " + text); }
    void RequestEnd() override {}
};

class BatchProgram : public ::testing::Test {
protected:
    // The host's folder as the window program has it: kvel/kvel.ini and
    // kvel/kvel.gdb, and kvel/Tarnfold/ with the program and its templates.
    static void SetUpTestSuite() {
        shared = std::make_unique<TempDir>();
        const std::filesystem::path kvel = shared->Path() / "kvel";
        std::filesystem::create_directories(kvel / "Tarnfold" / "DocF_2011");
        std::filesystem::create_directories(kvel / "Tarnfold" / "DocxF");
        CreateDatabase((kvel / "kvel.gdb").string(), HostSchemaSql() + FiguresSql());
        // The window path reads a copy, so that the two processes never hold one file.
        std::filesystem::copy_file(kvel / "kvel.gdb", shared->Path() / "window.gdb");
        std::ofstream(kvel / "kvel.ini", std::ios::binary)
            << "dbPath=" << kvel.string() << "/\r\npassword=masterkey\r\n";
        std::filesystem::copy_file(TARNFOLD_BATCH_PROGRAM, kvel / "Tarnfold" / "tarnfold-batch");
        const std::string folder = (kvel / "Tarnfold").string();
        MakeTemplates({
            {TemplateLayout(kHeaders, Cells(2)), folder + "/DocF_2011/7.doc"},
            {TemplateLayout(kHeaders, Cells(2)), folder + "/DocxF/7.docx"},
            {TemplateLayout(kHeaders, Cells(kRowsOfTheLargeForm)), folder + "/Large/7.doc"},
        });
    }
    static void TearDownTestSuite() { shared.reset(); }

    void SetUp() override { std::filesystem::remove_all(Folder() / "Reports"); }

    static std::filesystem::path Folder() { return shared->Path() / "kvel" / "Tarnfold"; }
    static std::string Program() { return (Folder() / "tarnfold-batch").string(); }

    static Finished Batch(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {},
                          const std::string& program = Program()) {
        BatchProcess process(program, arguments, environment, shared->Path());
        return process.Wait();
    }

    // What the window's export writes for the same choices, read back as text.
    static std::string WindowPathText(const std::string& institutionCode, const std::string& templateFolder,
                                      const std::string& outputName, TempDir& program) {
        db::DataModule data(program.Folder());
        NoUi ui;
        data.ConnectDatabase({(shared->Path() / "window.gdb").string(), "password=masterkey", false}, ui);
        word::LibreOfficeOptions officeOptions = word::DefaultLibreOfficeOptions();
        officeOptions.profileFolder = program.Folder() + "/office";
        officeOptions.pipeName = "tarnfold-batch-test-window-" + std::to_string(::getpid());
        officeOptions.visible = false;
        officeOptions.temporaryFolder = program.Folder() + "/office-tmp";
        std::vector<std::string> calls;
        RecordingObserver observer(calls);
        ExportOptions options;
        options.programFolder = program.Folder();
        options.formats = UserRegionalFormats();
        ExportChoices choices;
        choices.theme = &Themes[0];
        choices.form = TemplateRow(0, 2);  // 7.doc
        choices.institution = data.Institutions().at(static_cast<std::size_t>(db::FindEntryIgnoringCase(
            db::InstitutionEntries(data.Institutions()), institutionCode + " - " + InstitutionName(institutionCode))));
        choices.period = data.Periods().at(0);
        choices.sectionText = "1";
        choices.yearText = "2011";
        choices.templateFolder = templateFolder;
        {
            word::LibreOfficeServer office(officeOptions);
            ExportRun(RowsOf(data).beginSession, office, observer, options, choices).Execute();
        }
        word::KillOfficeProcesses(officeOptions.pipeName);
        return ReadDocumentText(program.Folder() + "/Reports/" + outputName);
    }

    static std::string InstitutionName(const std::string& code) {
        return code == "0101" ? "Больница \"Север\"/Юг" : code == "0202" ? "Поликлиника" : "Сводная";
    }

    static std::unique_ptr<TempDir> shared;
};

std::unique_ptr<TempDir> BatchProgram::shared;

const std::string kNorth = "№ 7 (разрез 01) Больница _Север__Юг за 2011 год";
const std::string kClinic = "№ 7 (разрез 01) Поликлиника за 2011 год";
const std::string kSummary = "№ 7 (разрез 01) Сводная за 2011 год";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(BatchProgram, EachInstitutionsDocumentIsTheOneTheWindowWouldWrite) {
    const Finished run = Batch({"--form", "7", "--institution", "0101", "--institution", "0202", "--institution",
                                "0303", "--institution", "0404", "--year", "2011", "--section", "1", "--journal"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string reports = Folder().string() + "/Reports/";
    EXPECT_TRUE(
        Contains(run.out, "0101 - Больница \"Север\"/Юг: " + reports + kNorth + ".doc — размещено 4, не размещено 1, "))
        << run.out;
    EXPECT_TRUE(Contains(run.out, "0303 - Без данных: нет данных для выгрузки — пропущено")) << run.out;
    EXPECT_TRUE(Contains(run.out,
                         "Выгрузка завершена: документов 3 из 4, без данных 1, с ошибкой 0; размещено 7, "
                         "не размещено 1;"))
        << run.out;
    EXPECT_TRUE(Contains(run.out, "Пропущены (нет данных):\n  0303 - Без данных\n")) << run.out;

    TempDir window;
    for (const auto& [code, name] :
         std::vector<std::pair<std::string, std::string>>{{"0101", kNorth}, {"0202", kClinic}, {"0404", kSummary}}) {
        const std::string batchText = ReadDocumentText((Folder() / "Reports" / (name + ".doc")).string());
        EXPECT_EQ(batchText, WindowPathText(code, (Folder() / "DocF_2011").string(), name + ".doc", window)) << code;
    }
    const std::string north = ReadDocumentText((Folder() / "Reports" / (kNorth + ".doc")).string());
    EXPECT_TRUE(Contains(north, "z1000_001_01:12,5;")) << north;
    EXPECT_TRUE(Contains(north, "z1000_001_03:текст;")) << north;

    // The journal beside the program holds the window's block for each document.
    const std::string journal = Cp1251ToUtf8(ReadWholeFile(Folder() / "Tarnfold.log"));
    EXPECT_TRUE(
        Contains(journal, "*********************************\r\n" + reports + kNorth + ".doc\r\nДата выгрузки: "))
        << journal;
    EXPECT_TRUE(Contains(journal, "z1000_009_01\r\n")) << journal;
    EXPECT_FALSE(Contains(journal, "Без данных"));
    // Settings are only read: the batch leaves no Tarnfold.ini behind.
    EXPECT_FALSE(std::filesystem::exists(Folder() / "Tarnfold.ini"));
}

TEST_F(BatchProgram, DocxTemplatesAreFilledWithoutTheOfficeWithTheSameTexts) {
    TempDir out;
    const Finished run = Batch({"--form", "7.doc", "--institution", "0101", "--year", "2011", "--section", "1",
                                "--templates", (Folder() / "DocxF").string(), "--out", out.Folder() + "/docs"},
                               {"TARNFOLD_SOFFICE=/nonexistent/soffice"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string docx = out.Folder() + "/docs/" + kNorth + ".docx";
    EXPECT_TRUE(Contains(run.out, docx + " — размещено 4, не размещено 1")) << run.out;
    TempDir window;
    EXPECT_EQ(ReadDocumentText(docx),
              WindowPathText("0101", (Folder() / "DocF_2011").string(), kNorth + ".doc", window));
}

TEST_F(BatchProgram, BadValuesAreRefusedBeforeAnythingIsWritten) {
    Finished run = Batch({"--form", "008"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(Contains(run.err, "Форму \"008\" можно понять по-разному:")) << run.err;

    run = Batch({"--form", "7", "--institution", "0606", "--year", "2011"});
    EXPECT_EQ(run.exitCode, 2);
    // Both records named, in whatever order the database gives two equal codes.
    EXPECT_TRUE(Contains(run.err, "Код учреждения \"0606\" есть у нескольких записей:\n")) << run.err;
    EXPECT_TRUE(Contains(run.err, "  0606 - Двойник один\n")) << run.err;
    EXPECT_TRUE(Contains(run.err, "  0606 - Двойник два\n")) << run.err;

    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--frm", "7"},
                                                      {"--form", "7", "--section", "abc"},
                                                      {"--form", "7", "--section", "99999999999"},
                                                      {"--form", "7", "--institution", "9999"},
                                                      {"--form", "7", "--year", "двадцать"},
                                                      {"--form", "7", "--templates", "/nonexistent"}}) {
        run = Batch(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments[0];
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_TRUE(Contains(run.err, "Не найден файл шаблона: /nonexistent/7.doc!")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Folder() / "Reports"));
}

TEST_F(BatchProgram, ListsComeFromTheDatabaseAndTheCatalogue) {
    Finished run = Batch({"--list", "institutions"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(Contains(run.out, "0101 - Больница \"Север\"/Юг\n0202 - Поликлиника\n")) << run.out;
    run = Batch({"--list", "forms"});
    EXPECT_TRUE(Contains(run.out, "  007  7.doc  Форма 7.")) << run.out;
    run = Batch({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(Contains(run.out, "Коды завершения:")) << run.out;
}

TEST_F(BatchProgram, DatabaseThatCannotBeOpenedEndsWithCode3AndTheReason) {
    // A local file that another process holds open.
    db::DataModule holder(shared->Folder());
    NoUi ui;
    holder.ConnectDatabase({(shared->Path() / "kvel" / "kvel.gdb").string(), "password=masterkey", false}, ui);
    const Finished run = Batch({"--form", "7", "--year", "2011"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(Contains(run.err, "Не удалось открыть базу данных " + (shared->Path() / "kvel" / "kvel.gdb").string()))
        << run.err;
    EXPECT_TRUE(Contains(run.err, "сервер")) << run.err;
}

TEST_F(BatchProgram, JunkInTheLocatorFileIsPrintedTamedAndCut) {
    const std::filesystem::path locator = shared->Path() / "kvel" / "kvel.ini";
    const std::string kept = ReadWholeFile(locator);
    std::ofstream(locator, std::ios::binary)
        << "dbPath=/srv/\x1b[31m" << std::string(10'000'000, 'x') << "\a/end\r\npassword=masterkey\r\n";
    const Finished run = Batch({"--form", "7", "--year", "2011"});
    std::ofstream(locator, std::ios::binary) << kept;
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_LT(run.err.size(), 3000u);
    EXPECT_TRUE(Contains(run.err, "Не удалось открыть базу данных /srv/\\x1B[31mxxx")) << run.err;
    EXPECT_TRUE(Contains(run.err, "…")) << run.err;
    for (char c : run.err) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << static_cast<int>(c);
}

TEST_F(BatchProgram, OfficeThatCannotStartEndsWithCode4) {
    const Finished run =
        Batch({"--form", "7", "--institution", "0101", "--year", "2011"}, {"TARNFOLD_SOFFICE=/nonexistent/soffice"});
    EXPECT_EQ(run.exitCode, 4) << run.out << run.err;
    // One sentence, the reason in Russian.
    EXPECT_EQ(run.err, "Не удалось запустить LibreOffice (/nonexistent/soffice): нет такого файла или каталога\n");
    EXPECT_FALSE(std::filesystem::exists(Folder() / "Reports"));
}

TEST_F(BatchProgram, FailureInOneDocumentIsReportedAndTheOthersAreWritten) {
    // A folder where the first document is to be saved.
    std::filesystem::create_directories(Folder() / "Reports" / (kNorth + ".doc"));
    const Finished run =
        Batch({"--form", "7", "--institution", "0101", "--institution", "0202", "--year", "2011", "--section", "1"});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "0101 - Больница \"Север\"/Юг: ОШИБКА — ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "С ошибкой:\n  0101 - Больница \"Север\"/Юг\n")) << run.out;
    const std::string clinic = ReadDocumentText((Folder() / "Reports" / (kClinic + ".doc")).string());
    EXPECT_TRUE(Contains(clinic, "z1000_001_02:8,25;")) << clinic;
}

TEST_F(BatchProgram, NoInstitutionWithDataWritesNothingAndEndsWithCode1) {
    const Finished run = Batch({"--form", "7", "--all-institutions", "--year", "1850", "--section", "1"});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "0101 - Больница \"Север\"/Юг: нет данных для выгрузки — пропущено\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "Выгрузка завершена: документов 0 из ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\nНи один документ не записан: ни у одного учреждения нет данных для выгрузки.\n"))
        << run.out;
    EXPECT_FALSE(std::filesystem::exists(Folder() / "Reports") && !std::filesystem::is_empty(Folder() / "Reports"));
}

// What a stopped or ended batch leaves in the reports folder: the earlier
// report as it was, no working copy of a finished document, no office lock.
std::vector<std::string> Leftovers(const std::filesystem::path& reports) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(reports)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".~lock.", 0) == 0 || name.rfind("lu", 0) == 0) names.push_back(name);
    }
    return names;
}

TEST_F(BatchProgram, CtrlCStopsAfterTheCurrentRowAndSavesThePartlyFilledDocument) {
    const std::filesystem::path reports = Folder() / "Reports";
    const std::filesystem::path output = reports / "№ 7 (разрез 01) Большая за 2011 год.doc";
    std::filesystem::create_directories(reports);
    std::ofstream(output, std::ios::binary) << "the earlier report";
    BatchProcess process(Program(),
                         {"--form", "7", "--institution", "0505", "--institution", "0101", "--year", "2011",
                          "--section", "1", "--templates", (Folder() / "Large").string()},
                         {}, shared->Path());
    // The document is filled under a working name beside the report.
    const std::filesystem::path working = reports / ("~tf-" + output.filename().string());
    for (int i = 0; i < 600 && !std::filesystem::exists(working); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(std::filesystem::exists(working));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    process.Interrupt();
    const Finished run = process.Wait();
    EXPECT_EQ(run.exitCode, 130) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "остановлено по Ctrl+C, размещено ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "Выгрузка остановлена по Ctrl+C: документов 1 из 2")) << run.out;
    EXPECT_TRUE(Contains(run.out, "Не выгружено документов: 1.")) << run.out;
    // The rows filled so far under the name of an unfinished document; the earlier report untouched.
    const std::filesystem::path unfinished = reports / "№ 7 (разрез 01) Большая за 2011 год (не завершено).doc";
    EXPECT_TRUE(Contains(run.out, unfinished.filename().string())) << run.out;
    // The save after Ctrl+C is told as it begins: the user is waiting for it.
    EXPECT_TRUE(Contains(run.err, "Сохранение документа " + unfinished.string() + "…\n")) << run.err;
    const std::string text = ReadDocumentText(unfinished.string());
    EXPECT_TRUE(Contains(text, "z1000_001_01:1;")) << text.substr(0, 300);
    EXPECT_FALSE(Contains(text, "z1000_2500_01:2500;"));
    EXPECT_EQ(ReadWholeFile(output), "the earlier report");
    EXPECT_FALSE(std::filesystem::exists(working));
    EXPECT_EQ(Leftovers(reports), std::vector<std::string>{});
    EXPECT_FALSE(std::filesystem::exists(reports / (kNorth + ".doc")));
    std::filesystem::remove(output);
    std::filesystem::remove(unfinished);
}

TEST_F(BatchProgram, SecondCtrlCEndsAtOnceAndTakesTheBatchsOfficeAlong) {
    const std::filesystem::path reports = Folder() / "Reports";
    const std::filesystem::path output = reports / "№ 7 (разрез 01) Большая за 2011 год.doc";
    std::filesystem::create_directories(reports);
    std::ofstream(output, std::ios::binary) << "the earlier report";
    TempDir temporary;
    BatchProcess process(Program(),
                         {"--form", "7", "--institution", "0505", "--year", "2011", "--section", "1", "--templates",
                          (Folder() / "Large").string()},
                         {"TMPDIR=" + temporary.Folder()}, shared->Path());
    const std::filesystem::path working = reports / ("~tf-" + output.filename().string());
    for (int i = 0; i < 600 && !std::filesystem::exists(working); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(std::filesystem::exists(working));
    const std::string pipe = "tarnfold_batch_" + std::to_string(process.Pid());
    ASSERT_FALSE(word::FindOfficeProcesses(pipe).empty());
    process.Interrupt();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    process.Interrupt();
    const Finished run = process.Wait();
    EXPECT_EQ(run.exitCode, 130) << run.out << run.err;
    EXPECT_FALSE(Contains(run.out, "Выгрузка")) << run.out;  // no summary: it ended at once
    EXPECT_TRUE(word::FindOfficeProcesses(pipe).empty());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temporary.Path()))
        ADD_FAILURE() << entry.path();
    // The earlier report stays; the office's lock file went with it.
    EXPECT_EQ(ReadWholeFile(output), "the earlier report");
    EXPECT_EQ(Leftovers(reports), std::vector<std::string>{});
    std::filesystem::remove(output);
    std::filesystem::remove(working);
}

// What only a living run may have beside the reports: working and partial
// copies, lock files of a run or an office, the office's temporaries; and
// anything in the temporary folder.
std::vector<std::string> RunLeftovers(const std::filesystem::path& reports, const std::filesystem::path& temporary) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(reports)) {
        const std::string name = entry.path().filename().string();
        const bool report = name.size() > 4 && (name.compare(name.size() - 4, 4, ".doc") == 0 ||
                                                name.compare(name.size() - 5, 5, ".docx") == 0);
        if (!report || name.rfind("~tf-", 0) == 0 || name.rfind(".~", 0) == 0) names.push_back(name);
    }
    for (const auto& entry : std::filesystem::directory_iterator(temporary)) names.push_back(entry.path().string());
    return names;
}

void WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 1200 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
}

// Killed outright at any moment, before, during or after the office's save,
// the batch takes its headless office along, and the next batch on the same
// report succeeds and leaves nothing of either run but the report.
TEST_F(BatchProgram, KilledBatchAtAnyMomentNeverBlocksTheNextOne) {
    const std::filesystem::path reports = Folder() / "Reports";
    const std::filesystem::path output = reports / "№ 7 (разрез 01) Большая за 2011 год.doc";
    const std::filesystem::path working = reports / ("~tf-" + output.filename().string());
    const std::vector<std::string> arguments = {"--form",        "7",
                                                "--institution", "0505",
                                                "--year",        "2011",
                                                "--section",     "1",
                                                "--templates",   (Folder() / "Large").string()};
    TempDir temporary;
    const std::vector<std::string> environment = {"TMPDIR=" + temporary.Folder()};
    const std::vector<std::pair<std::string, std::function<bool()>>> moments = {
        {"at its start", [] { return true; }},
        {"while filling", [&] { return std::filesystem::exists(working); }},
        {"while saving",
         [&] {
             return std::filesystem::exists(working) && std::filesystem::exists(output) &&
                    std::filesystem::file_size(output) > 0;
         }},
        {"after saving", [&] { return std::filesystem::exists(output) && !std::filesystem::exists(working); }},
    };
    for (const auto& [moment, reached] : moments) {
        std::filesystem::remove(output);
        BatchProcess process(Program(), arguments, environment, shared->Path());
        WaitFor(reached);
        const std::string pipe = "tarnfold_batch_" + std::to_string(process.Pid());
        ::kill(process.Pid(), SIGKILL);
        process.Wait();
        bool gone = false;
        for (int i = 0; i < 100 && !gone; ++i) {
            gone = word::FindOfficeProcesses(pipe).empty();
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_TRUE(gone) << "an office of the batch killed " << moment << " still runs";
        word::KillOfficeProcesses(pipe);

        const Finished next = Batch(arguments, environment);
        EXPECT_EQ(next.exitCode, 0) << moment << "\n" << next.out << next.err;
        EXPECT_TRUE(Contains(ReadDocumentText(output.string()), "z1000_2500_01:2500;")) << moment;
        EXPECT_EQ(RunLeftovers(reports, temporary.Path()), std::vector<std::string>{}) << moment;
    }
    std::filesystem::remove(output);
}

// The report reaches the disk before the batch says it is done: on the
// .docx path its data before it takes the report's name, on both paths the
// folder's entries after it. Seen in the system calls the batch makes.
TEST_F(BatchProgram, ReportsAreSyncedToTheDiskBeforeAndAfterTheirRename) {
    if (std::system("command -v strace >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs strace";
    const std::filesystem::path reports = Folder() / "Reports";
    for (const std::string folder : {"DocxF", "DocF_2011"}) {
        const std::string report = (reports / (kNorth + (folder == "DocxF" ? ".docx" : ".doc"))).string();
        const std::string trace = (shared->Path() / "trace.txt").string();
        const Finished run = Batch(
            {"-f", "-y", "-e", "trace=fsync,fdatasync,rename,renameat,renameat2", "-o", trace, Program(), "--form", "7",
             "--institution", "0101", "--year", "2011", "--section", "1", "--templates", (Folder() / folder).string()},
            {}, "/usr/bin/strace");
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        const std::string calls = ReadWholeFile(trace);
        // strace names a descriptor's file after it, "fsync(5</path>)", and
        // writes the bytes of non-ASCII letters in octal.
        const auto traced = [](const std::string& text) {
            std::string out;
            for (const char c : text) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x80) {
                    out += c;
                } else {
                    char octal[8];
                    std::snprintf(octal, sizeof octal, "\\%03o", byte);
                    out += octal;
                }
            }
            return out;
        };
        // The report takes its name: renamed from its partial copy (.docx),
        // or written by the office (.doc), the file synced either way.
        std::size_t named = calls.find(", \"" + traced(report) + "\")");
        if (folder == "DocxF") {
            ASSERT_NE(named, std::string::npos) << calls;
            EXPECT_LT(calls.find(traced(PartialFilePath(report)) + ">) = 0"), named) << calls;
        } else {
            named = calls.rfind("<" + traced(report) + ">) = 0");
            ASSERT_NE(named, std::string::npos) << calls;
        }
        const std::string folderSync = "<" + traced(reports.string()) + ">) = 0";
        EXPECT_NE(calls.find(folderSync, named), std::string::npos) << folder << "\n" << calls;
    }
}

// A disk with more room than a small probe but less than the document
// needs: the office fails in its own code words, the batch says "на диске
// нет места" with the path and leaves no partial copy beside the reports.
TEST_F(BatchProgram, AFullDiskIsToldPlainlyAndLeavesNoPartialCopy) {
    TempDir disk;
    if (::geteuid() != 0 ||
        std::system(("mount -t tmpfs -o size=8m tmpfs '" + disk.Path().string() + "'").c_str()) != 0)
        GTEST_SKIP() << "a small disk of its own needs root and tmpfs";
    const std::filesystem::path reports = disk.Path() / "Reports";
    std::filesystem::create_directories(reports);
    const std::uintmax_t needed = std::filesystem::file_size(Folder() / "Large" / "7.doc");
    const std::uintmax_t left = std::max<std::uintmax_t>(needed * 3 / 2, 128 << 10);
    ASSERT_LT(left, 2 * needed) << "the template is too small for this disk";
    {
        const std::uintmax_t available = std::filesystem::space(disk.Path()).available;
        std::ofstream filler(disk.Path() / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (std::uintmax_t written = 0; written + block.size() <= available - left; written += block.size())
            filler.write(block.data(), block.size());
    }
    const Finished run = Batch({"--form", "7", "--institution", "0505", "--year", "2011", "--section", "1",
                                "--templates", (Folder() / "Large").string(), "--out", reports.string()});
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(reports))
        names.push_back(entry.path().filename().string());
    std::system(("umount '" + disk.Path().string() + "'").c_str());
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(
        Contains(run.out, (reports / "~tf-№ 7 (разрез 01) Большая за 2011 год.doc").string() + ": на диске нет места"))
        << run.out;
    EXPECT_EQ(names, std::vector<std::string>{}) << "a partial copy stayed";
}

// Two batches started together on one report: one writes it, the other is
// refused at once; a run holding the report's lock refuses the .docx path too.
TEST_F(BatchProgram, OneRunPerReportAtATime) {
    const std::filesystem::path reports = Folder() / "Reports";
    const std::filesystem::path output = reports / "№ 7 (разрез 01) Большая за 2011 год.doc";
    const std::vector<std::string> arguments = {"--form",        "7",
                                                "--institution", "0505",
                                                "--year",        "2011",
                                                "--section",     "1",
                                                "--templates",   (Folder() / "Large").string()};
    // The embedded engine lets one process open a database file: the second
    // batch runs from a copy of the host's folder, into the same folder.
    const std::filesystem::path copy = shared->Path() / "kvel-copy";
    std::filesystem::remove_all(copy);
    std::filesystem::create_directories(copy / "Tarnfold");
    std::filesystem::copy_file(shared->Path() / "kvel" / "kvel.gdb", copy / "kvel.gdb");
    std::ofstream(copy / "kvel.ini", std::ios::binary) << "dbPath=" << copy.string() << "/\r\npassword=masterkey\r\n";
    std::filesystem::copy_file(Program(), copy / "Tarnfold" / "tarnfold-batch");
    std::vector<std::string> toReports = arguments;
    toReports.insert(toReports.end(), {"--out", reports.string()});
    TempDir first, second;
    BatchProcess one(Program(), toReports, {}, first.Path());
    BatchProcess other((copy / "Tarnfold" / "tarnfold-batch").string(), toReports, {}, second.Path());
    const Finished a = one.Wait();
    const Finished b = other.Wait();
    const std::string refusal = "ОШИБКА — Документ " + output.string() + " сейчас записывает другая выгрузка";
    EXPECT_EQ(a.exitCode + b.exitCode, 1) << a.out << a.err << b.out << b.err;
    EXPECT_TRUE(Contains(a.exitCode == 1 ? a.out : b.out, refusal)) << a.out << b.out;
    EXPECT_TRUE(Contains(ReadDocumentText(output.string()), "z1000_2500_01:2500;"));

    for (const std::string folder : {"DocF_2011", "DocxF"}) {
        const std::string report = (reports / (kNorth + (folder == "DocxF" ? ".docx" : ".doc"))).string();
        std::ofstream(report, std::ios::binary) << "the earlier report";
        const std::unique_ptr<ExclusiveFileLock> held = ExclusiveFileLock::TryAcquire(RunLockPath(report));
        ASSERT_TRUE(held);
        const Finished run = Batch({"--form", "7", "--institution", "0101", "--year", "2011", "--section", "1",
                                    "--templates", (Folder() / folder).string()});
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        EXPECT_TRUE(Contains(run.out, "ОШИБКА — Документ " + report + " сейчас записывает другая выгрузка")) << run.out;
        EXPECT_EQ(ReadWholeFile(report), "the earlier report");
    }
}

// What runs and batches that were killed left is recognised by its owner and
// removed; what belongs to a living office or to another report stays.
TEST_F(BatchProgram, LeftoversOfEndedRunsAreRemovedAndOthersStay) {
    const std::filesystem::path reports = Folder() / "Reports";
    std::filesystem::create_directories(reports);
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    TempDir temporary;
    const auto profile = [&](pid_t owner) {
        const std::filesystem::path folder =
            temporary.Path() / ("tarnfold-batch-office-" + std::to_string(owner) + "-Ab3dE6");
        std::filesystem::create_directories(folder / "profile" / "user");
        return folder;
    };
    const std::filesystem::path endedProfile = profile(ended);
    const std::filesystem::path livingProfile = profile(::getpid());
    const auto lockNaming = [](const std::filesystem::path& profileFolder) {
        return ",root,stat-pc,10.12.2026 01:00," + FileUrl((profileFolder / "profile").string()) + ";";
    };
    const std::string north = kNorth + ".doc";
    std::vector<std::string> leftovers = {"~tf-" + north,
                                          north + ".~part.Ab12cD",
                                          north + ".~part",
                                          "~tf-" + north + ".~part.x1Y2z3",
                                          kNorth + " (не завершено).doc.~part",
                                          ".~tf-" + north + "#",
                                          ".~lock." + north + "#",
                                          ".~lock.~tf-" + north + "#"};
    for (const std::string& name : leftovers) std::ofstream(reports / name, std::ios::binary) << "left";
    for (const std::string& lock : {".~lock." + north + "#", ".~lock.~tf-" + north + "#"})
        std::ofstream(reports / lock, std::ios::binary) << lockNaming(endedProfile);
    // A lock an ended batch's office left beside another report goes too;
    // another office's lock stays.
    std::ofstream(reports / (".~lock." + kSummary + ".doc#"), std::ios::binary) << lockNaming(endedProfile);
    leftovers.push_back(".~lock." + kSummary + ".doc#");
    const std::vector<std::string> others = {kClinic + ".doc", ".~lock." + kClinic + ".doc#", kClinic + ".doc.~part",
                                             north + ".backup"};
    for (const std::string& name : others)
        std::ofstream(reports / name, std::ios::binary)
            << ",Мария,stat-pc,10.12.2026 01:00,file:///home/m/.config/libreoffice/4;";

    Finished run = Batch({"--form", "7", "--institution", "0101", "--year", "2011", "--section", "1"},
                         {"TMPDIR=" + temporary.Folder()});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    for (const std::string& name : leftovers) EXPECT_FALSE(std::filesystem::exists(reports / name)) << name;
    for (const std::string& name : others) EXPECT_TRUE(std::filesystem::exists(reports / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(endedProfile));
    EXPECT_TRUE(std::filesystem::exists(livingProfile));

    // A lock of a living batch's office is that office's: the report is refused.
    std::ofstream(reports / (".~lock." + north + "#"), std::ios::binary) << lockNaming(livingProfile);
    run = Batch({"--form", "7", "--institution", "0101", "--year", "2011", "--section", "1"},
                {"TMPDIR=" + temporary.Folder()});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "открыт другой программой")) << run.out;
    EXPECT_TRUE(std::filesystem::exists(reports / (".~lock." + north + "#")));
}

TEST_F(BatchProgram, TemplatesConvertedOnceGiveTheSameDocumentsAsTheirDocOriginals) {
    TempDir out;
    const std::string converted = out.Folder() + "/docx";
    Finished run = Batch({"--convert-templates", (Folder() / "DocF_2011").string(), "--out", converted});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "7.doc → 7.docx: закладок 9, все закладки сохранены")) << run.out;

    const std::vector<std::string> choices = {"--form", "7",    "--institution", "0101",
                                              "--year", "2011", "--section",     "1"};
    std::vector<std::string> fromDocx = choices;
    fromDocx.insert(fromDocx.end(), {"--templates", converted});
    ASSERT_EQ(Batch(fromDocx).exitCode, 0);
    ASSERT_EQ(Batch(choices).exitCode, 0);
    const std::string docText = ReadDocumentText((Folder() / "Reports" / (kNorth + ".doc")).string());
    EXPECT_TRUE(Contains(docText, "z1000_001_01:12,5;")) << docText;
    EXPECT_EQ(ReadDocumentText((Folder() / "Reports" / (kNorth + ".docx")).string()), docText);

    run = Batch({"--convert-templates", out.Folder() + "/nothing"});
    EXPECT_EQ(run.exitCode, 2) << run.out << run.err;
}
