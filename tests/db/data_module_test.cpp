#include "db/data_module.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "db/connect_rules.h"
#include "db_test_support.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"

namespace tarnfold::db {
namespace {

using tarnfold::testing::CreateDatabase;
using tarnfold::testing::TempDir;
using testing::RecordingUi;

// The host layout with the locator file missing: the settings name the
// folder (without its final separator) and the password alone.
ConnectionSettings FolderSettings(const TempDir& dir) {
    ConnectionSettings settings;
    settings.DBPath = dir.Path().string();
    settings.DBPassword = "masterkey";
    settings.HostIniMissing = true;
    return settings;
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

std::string ErrorOfConnect(DataModule& module, const ConnectionSettings& settings, RecordingUi& ui) {
    try {
        module.ConnectDatabase(settings, ui);
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

TEST(DataModule, ReadsTheListsFromTheFolderDatabase) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"), testing::kReferenceSql);
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(FolderSettings(dir), ui);

    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.endRequests, 0);
    EXPECT_EQ(module.DatabaseName(), dir.File("kvel.gdb"));

    const auto& institutions = module.Institutions();
    ASSERT_EQ(institutions.size(), 3u);
    // Ordered by C; CHAR values lose their padding, VARCHAR ones keep their blanks.
    EXPECT_EQ(institutions[0].shownCode, "0002");
    EXPECT_EQ(institutions[0].code, "02");
    EXPECT_EQ(institutions[0].summaryMark, "свод");
    EXPECT_EQ(institutions[0].name, "ГБ №2  ");
    EXPECT_EQ(institutions[0].district, "2");
    EXPECT_EQ(institutions[1].shownCode, "0300");
    EXPECT_EQ(institutions[1].summaryMark, "");
    EXPECT_EQ(institutions[2].shownCode, "1166");
    EXPECT_EQ(institutions[2].name, "Велинская область");
    EXPECT_EQ(InstitutionEntries(institutions),
              (std::vector<std::string>{"0002 - ГБ №2  ", "0300 - Кировский район", "1166 - Велинская область"}));
    EXPECT_EQ(FindEntryIgnoringCase(InstitutionEntries(institutions), "1166 - ВЕЛИНСКАЯ ОБЛАСТЬ"), 2);

    // Periods in the order the server returns them, never re-sorted.
    ASSERT_EQ(module.Periods().size(), 3u);
    EXPECT_EQ(module.Periods()[0].code, "03");
    EXPECT_EQ(module.Periods()[0].name, "Март");
    EXPECT_EQ(PeriodEntries(module.Periods()), (std::vector<std::string>{"Март", "Январь", "Февраль"}));
}

TEST(DataModule, StartUpTransactionEndsAndEachSessionIsItsOwn) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"), testing::kReferenceSql);
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(FolderSettings(dir), ui);

    const auto session = module.BeginSession();
    auto query = session->Prepare("select count(*) from mon$transactions where mon$attachment_id = current_connection");
    const ResultSet rs = query->Open();
    // Only the session's own transaction runs in the connection.
    EXPECT_EQ(rs.At(0, 0).AsInteger(), 1);

    auto readOnly = session->Prepare(
        "select mon$read_only, mon$isolation_mode from mon$transactions "
        "where mon$transaction_id = current_transaction");
    const ResultSet mode = readOnly->Open();
    EXPECT_EQ(mode.At(0, "mon$read_only").AsInteger(), 1);
    EXPECT_EQ(mode.At(0, "mon$isolation_mode").AsInteger(), 1);  // snapshot
}

TEST(DataModule, FigureChangedAfterStartUpIsSeenByTheNextSession) {
    TempDir dir;
    const std::string path = dir.File("kvel.gdb");
    CreateDatabase(path, std::string(testing::kReferenceSql) +
                             "create table svod (lpu varchar(8), n1 numeric(15,2));\n"
                             "insert into svod values ('01', 1.50);\n");
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(FolderSettings(dir), ui);

    auto figure = [](Session& session) {
        auto query = session.Prepare("select n1 from svod where lpu = :lpu");
        query->SetText("lpu", "01");
        return query->Open().At(0, "N1").AsText();
    };
    auto before = module.BeginSession();
    EXPECT_EQ(figure(*before), "1.50");

    // Another connection corrects the figure and commits.
    testing::ExecuteAndCommit(path, "", "update svod set n1 = -0.01 where lpu = '01'");

    EXPECT_EQ(figure(*before), "1.50");  // a running export keeps its picture
    auto after = module.BeginSession();
    EXPECT_EQ(figure(*after), "-0.01");
}

TEST(DataModule, QueryOutlivingItsSessionFailsInsteadOfReadingStaleData) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"), testing::kReferenceSql);
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(FolderSettings(dir), ui);
    auto session = module.BeginSession();
    auto query = session->Prepare("select A from period");
    EXPECT_EQ(query->Open().RowCount(), 3u);
    session.reset();
    EXPECT_THROW(query->Open(), Error);
}

TEST(DataModule, SessionNeedsAConnection) {
    DataModule module("");
    EXPECT_THROW(module.BeginSession(), Error);
}

TEST(DataModule, MissingDatabaseGivesTwoMessagesEndRequestAndSecondFailure) {
    TempDir dir;
    DataModule module("");
    RecordingUi ui;
    const std::string error = ErrorOfConnect(module, FolderSettings(dir), ui);
    EXPECT_NE(error.find("kvel.gdb"), std::string::npos) << error;
    // The system's reason comes in the users' language and encoding, not as
    // UTF-8 bytes taken for code page 1251.
    EXPECT_NE(error.find("Нет такого файла или каталога"), std::string::npos) << error;
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], "1 " + dir.File("kvel.gdb") + "\r***");
    EXPECT_EQ(ui.messages[1], kConnectionFailedMessage);
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_EQ(module.DatabaseName(), dir.File("kvel.gdb"));
    EXPECT_TRUE(module.Institutions().empty());
    EXPECT_THROW(module.BeginSession(), Error);
}

// The database appears while the user reads the first message: the second
// attempt connects, the lists are read, and the end request still stands.
TEST(DataModule, SecondAttemptSucceeds) {
    TempDir dir;
    struct CreatingUi : RecordingUi {
        std::string path;
        void ShowMessage(const std::string& text) override {
            if (messages.empty()) CreateDatabase(path, testing::kReferenceSql);
            RecordingUi::ShowMessage(text);
        }
    } ui;
    ui.path = dir.File("kvel.gdb");
    DataModule module("");
    module.ConnectDatabase(FolderSettings(dir), ui);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_EQ(module.Institutions().size(), 3u);
    EXPECT_EQ(module.Periods().size(), 3u);
}

TEST(DataModule, UnknownParameterLineFailsBothAttempts) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"), testing::kReferenceSql);
    ConnectionSettings settings;
    settings.DBPath = dir.File("kvel.gdb");
    settings.DBPassword = "passwort=geheim";
    DataModule module("");
    RecordingUi ui;
    EXPECT_EQ(ErrorOfConnect(module, settings, ui), "Неизвестный параметр соединения: passwort");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], dir.File("kvel.gdb") + "\rpasswort=***");
    EXPECT_EQ(ui.endRequests, 1);
}

TEST(DataModule, MissingPeriodTableKeepsTheInstitutionsAndRunsOn) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"),
                   "create table KODIF (A char(8), A3 varchar(222), B varchar(100), C char(6), RAION char(4));\n"
                   "insert into KODIF values ('01', null, 'Велинская область', '1166', '1');\n");
    DataModule module("");
    RecordingUi ui;
    const std::string error = ErrorOfConnect(module, FolderSettings(dir), ui);
    EXPECT_NE(error.find("Table unknown"), std::string::npos) << error;
    EXPECT_NE(error.find("PERIOD"), std::string::npos) << error;
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.endRequests, 0);
    ASSERT_EQ(module.Institutions().size(), 1u);
    EXPECT_TRUE(module.Periods().empty());
    // The connection stays usable for exports.
    EXPECT_NO_THROW(module.BeginSession());
}

TEST(DataModule, MissingInstitutionTableLeavesBothListsEmpty) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"),
                   "create table period (A varchar(2), B varchar(20));\n"
                   "insert into period values ('01', 'Январь');\n");
    DataModule module("");
    RecordingUi ui;
    const std::string error = ErrorOfConnect(module, FolderSettings(dir), ui);
    EXPECT_NE(error.find("KODIF"), std::string::npos) << error;
    EXPECT_TRUE(module.Institutions().empty());
    EXPECT_TRUE(module.Periods().empty());
    EXPECT_EQ(ui.endRequests, 0);
}

TEST(DataModule, PeriodWithoutANameColumnFails) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"),
                   "create table KODIF (A char(8), A3 varchar(222), B varchar(100), C char(6), RAION char(4));\n"
                   "insert into KODIF values ('01', null, 'Велинская область', '1166', '1');\n"
                   "create table period (A varchar(2), NAME varchar(20));\n"
                   "insert into period values ('01', 'Январь');\n");
    DataModule module("");
    RecordingUi ui;
    EXPECT_EQ(ErrorOfConnect(module, FolderSettings(dir), ui), "Field 'B' not found");
    EXPECT_EQ(module.Institutions().size(), 1u);
    EXPECT_TRUE(module.Periods().empty());
}

TEST(DataModule, OverlongInstitutionValueFailsAfterTheRecordsBeforeIt) {
    TempDir dir;
    CreateDatabase(
        dir.File("kvel.gdb"),
        "create table KODIF (A varchar(8), A3 varchar(222), B varchar(300), C varchar(6), RAION varchar(4));\n"
        "insert into KODIF values ('01', null, 'Первая', '0001', '1');\n"
        "insert into KODIF values ('02', null, 'Вторая', '0002', '1');\n"
        "insert into KODIF values ('03', null, '" +
            Repeat("Ж", 101) +
            "', '0003', '1');\n"
            "insert into KODIF values ('04', null, 'Четвёртая', '0004', '1');\n"
            "create table period (A varchar(2), B varchar(20));\n");
    DataModule module("");
    RecordingUi ui;
    const std::string error = ErrorOfConnect(module, FolderSettings(dir), ui);
    EXPECT_EQ(error.rfind("Значение поля KODIF.B длиннее 100 символов", 0), 0u) << error;
    ASSERT_EQ(module.Institutions().size(), 2u);
    EXPECT_EQ(module.Institutions()[1].name, "Вторая");
}

TEST(DataModule, InstitutionCodeColumnDeclaredWiderThanItsWidthFails) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"),
                   "create table KODIF (A char(8), A3 varchar(222), B varchar(100), C char(7), RAION char(4));\n"
                   "insert into KODIF values ('01', null, 'Первая', '0001', '1');\n"
                   "create table period (A varchar(2), B varchar(20));\n");
    DataModule module("");
    RecordingUi ui;
    const std::string error = ErrorOfConnect(module, FolderSettings(dir), ui);
    EXPECT_EQ(error.rfind("Значение поля KODIF.C длиннее 6 символов", 0), 0u) << error;
    EXPECT_TRUE(module.Institutions().empty());
}

TEST(DataModule, InstitutionValuesAtTheirFullWidths) {
    TempDir dir;
    const std::string b = Repeat("Щ", 100);
    const std::string a3 = Repeat("я", 222);
    CreateDatabase(dir.File("kvel.gdb"),
                   "create table KODIF (A char(8), A3 varchar(222), B char(100), C char(6), RAION char(4));\n"
                   "insert into KODIF values ('Ф1234567', '" +
                       a3 + "', '" + b +
                       "', 'Ж12345', 'ЮЮЮЮ');\n"
                       "insert into KODIF values (null, null, 'x', '', '');\n"
                       "create table period (A char(2), B char(10));\n"
                       "insert into period values ('1', 'Год');\n");
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(FolderSettings(dir), ui);
    ASSERT_EQ(module.Institutions().size(), 2u);
    EXPECT_EQ(module.Institutions()[0].shownCode, "");
    EXPECT_EQ(module.Institutions()[0].code, "");
    EXPECT_EQ(module.Institutions()[0].name, "x");
    EXPECT_EQ(module.Institutions()[1].code, "Ф1234567");
    EXPECT_EQ(module.Institutions()[1].summaryMark, a3);
    EXPECT_EQ(module.Institutions()[1].name, b);
    EXPECT_EQ(module.Institutions()[1].district, "ЮЮЮЮ");
    // Period text keeps its padding: it is compared as stored.
    ASSERT_EQ(module.Periods().size(), 1u);
    EXPECT_EQ(module.Periods()[0].code, "1 ");
    EXPECT_EQ(module.Periods()[0].name, "Год       ");
}

TEST(DataModule, EmptyTablesGiveEmptyLists) {
    TempDir dir;
    CreateDatabase(dir.File("kvel.gdb"),
                   "create table KODIF (A char(8), A3 varchar(222), B varchar(100), C char(6), RAION char(4));\n"
                   "create table period (A varchar(2), B varchar(20));\n");
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(FolderSettings(dir), ui);
    EXPECT_TRUE(module.Institutions().empty());
    EXPECT_TRUE(module.Periods().empty());
    EXPECT_TRUE(InstitutionEntries(module.Institutions()).empty());
    EXPECT_EQ(FindEntryIgnoringCase(InstitutionEntries(module.Institutions()), "1166 - Велинская область"), -1);
}

}  // namespace
}  // namespace tarnfold::db
