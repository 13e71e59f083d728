// Through the private server on 127.0.0.1 started by the firebird_server fixture.

#include <filesystem>

#include <gtest/gtest.h>

#include "core/error.h"
#include "db/connect_rules.h"
#include "db/data_module.h"
#include "db_test_support.h"
#include "support/firebird_fixture.h"

namespace tarnfold::db {
namespace {

using tarnfold::testing::CreateDatabase;
using tarnfold::testing::FirebirdServer;
using tarnfold::testing::RunningServer;
using testing::RecordingUi;

// A folder of its own in the server's data folder, removed afterwards.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = RunningServer();
        folder_ = server_.dataFolder + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    ConnectionSettings LocatorSettings(const std::string& file, const std::string& passwordLine) const {
        ConnectionSettings settings;
        settings.DBPath = server_.Locator(folder_ + file);
        settings.DBPassword = passwordLine;
        return settings;
    }

    static std::string ErrorOfConnect(DataModule& module, const ConnectionSettings& settings, RecordingUi& ui) {
        try {
            module.ConnectDatabase(settings, ui);
        } catch (const Error& e) {
            return e.what();
        }
        return "no error";
    }

    // The server makes every fourth failed login from one address wait eight
    // seconds until a login succeeds; the tests that fail on purpose end with one.
    void ForgetFailedLogins() const {
        EXPECT_NO_THROW(testing::Attach(server_.Locator(folder_ + "kvel.gdb"), server_.password));
    }

    FirebirdServer server_;
    std::string folder_;
};

TEST_F(ServerTest, LocatorPasswordLineConnects) {
    CreateDatabase(folder_ + "kvel.gdb", testing::kReferenceSql);
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(LocatorSettings("kvel.gdb", "ISC_DPB_PASSWORD=" + server_.password), ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(module.DatabaseName(), server_.Locator(folder_ + "kvel.gdb"));
    ASSERT_EQ(module.Institutions().size(), 3u);
    EXPECT_EQ(module.Institutions()[2].name, "Велинская область");
    EXPECT_EQ(module.Periods().size(), 3u);
}

TEST_F(ServerTest, FolderAndBarePasswordConnect) {
    CreateDatabase(folder_ + "kvel.gdb", testing::kReferenceSql);
    ConnectionSettings settings;
    settings.DBPath = server_.Locator(folder_.substr(0, folder_.size() - 1));
    settings.DBPassword = server_.password;
    settings.HostIniMissing = true;
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(settings, ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(module.DatabaseName(), server_.Locator(folder_ + "kvel.gdb"));
    EXPECT_EQ(module.Institutions().size(), 3u);
}

TEST_F(ServerTest, WrongPasswordGivesTheMessagesAndTheEndRequest) {
    CreateDatabase(folder_ + "kvel.gdb", testing::kReferenceSql);
    DataModule module("");
    RecordingUi ui;
    const std::string error = ErrorOfConnect(module, LocatorSettings("kvel.gdb", "password=wrong"), ui);
    EXPECT_NE(error.find("Your user name and password are not defined"), std::string::npos) << error;
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], server_.Locator(folder_ + "kvel.gdb") + "\rpassword=***");
    EXPECT_EQ(ui.messages[1], kConnectionFailedMessage);
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_TRUE(module.Institutions().empty());
    ForgetFailedLogins();
}

TEST_F(ServerTest, PasswordLineWithoutEqualsSignSendsNoPassword) {
    CreateDatabase(folder_ + "kvel.gdb", testing::kReferenceSql);
    DataModule module("");
    RecordingUi ui;
    const std::string error = ErrorOfConnect(module, LocatorSettings("kvel.gdb", server_.password), ui);
    EXPECT_NE(error.find("Your user name and password are not defined"), std::string::npos) << error;
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], server_.Locator(folder_ + "kvel.gdb") + "\r***");
    EXPECT_EQ(ui.endRequests, 1);
    ForgetFailedLogins();
}

TEST_F(ServerTest, MissingDatabaseFileGivesTheMessagesAndTheEndRequest) {
    DataModule module("");
    RecordingUi ui;
    ConnectionSettings settings;
    settings.DBPath = server_.Locator(folder_.substr(0, folder_.size() - 1));
    settings.DBPassword = server_.password;
    settings.HostIniMissing = true;
    const std::string error = ErrorOfConnect(module, settings, ui);
    EXPECT_NE(error.find("I/O error during \"open\" operation for file"), std::string::npos) << error;
    // The reason is the server's own strerror, in the server process's
    // language (the server never takes its locale, so English); whichever,
    // it arrives whole, never as UTF-8 bytes read as code page 1251.
    EXPECT_TRUE(error.find("\nNo such file or directory") != std::string::npos ||
                error.find("\nНет такого файла или каталога") != std::string::npos)
        << error;
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], "1 " + server_.Locator(folder_ + "kvel.gdb") + "\r***");
    EXPECT_EQ(ui.messages[1], kConnectionFailedMessage);
    EXPECT_EQ(ui.endRequests, 1);
}

TEST_F(ServerTest, MissingTableKeepsTheProgramRunning) {
    CreateDatabase(folder_ + "kvel.gdb",
                   "create table KODIF (A char(8), A3 varchar(222), B varchar(100), C char(6), RAION char(4));\n"
                   "insert into KODIF values ('01', null, 'Велинская область', '1166', '1');\n"
                   "insert into KODIF values ('02', null, 'Город', '0002', '1');\n");
    DataModule module("");
    RecordingUi ui;
    const std::string error = ErrorOfConnect(module, LocatorSettings("kvel.gdb", "password=" + server_.password), ui);
    EXPECT_NE(error.find("Table unknown"), std::string::npos) << error;
    EXPECT_EQ(ui.endRequests, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(module.Institutions().size(), 2u);
    EXPECT_TRUE(module.Periods().empty());
}

TEST_F(ServerTest, EveryAllowedTypeReadsByItsKind) {
    CreateDatabase(folder_ + "types.fdb", testing::kAllTypesSql);
    testing::CheckAllTypes(testing::Attach(server_.Locator(folder_ + "types.fdb"), server_.password));
}

TEST_F(ServerTest, YearFallbackMappingStatement) {
    CreateDatabase(folder_ + "mapping.fdb", testing::kMappingSql);
    testing::CheckFallbackMapping(testing::Attach(server_.Locator(folder_ + "mapping.fdb"), server_.password));
}

TEST_F(ServerTest, ErrorsOfARemoteStatementArriveAsErrors) {
    CreateDatabase(folder_ + "errors.fdb",
                   "create table texts (t varchar(4), c varchar(10));\n"
                   "insert into texts values ('abc', '12x');\n");
    auto transaction = std::make_shared<Transaction>(
        testing::Attach(server_.Locator(folder_ + "errors.fdb"), server_.password), TransactionMode::ReadOnlySnapshot);
    Statement conversion(transaction, "select cast(c as integer) from texts");
    try {
        conversion.FetchAll();
        FAIL() << "a conversion error went unnoticed";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("conversion error"), std::string::npos) << e.what();
    }
    Statement truncation(transaction, "select t from texts where t = :t");
    truncation.SetText("t", "Слишком длинный");
    EXPECT_THROW(truncation.FetchAll(), Error);
    truncation.SetText("t", "abc");
    EXPECT_EQ(truncation.FetchAll().RowCount(), 1u);
}

TEST_F(ServerTest, FigureChangedByAnotherProgramIsSeenByTheNextSession) {
    const std::string path = folder_ + "kvel.gdb";
    CreateDatabase(path, std::string(testing::kReferenceSql) +
                             "create table svod (lpu varchar(8), n1 numeric(15,2), c1 varchar(20));\n"
                             "insert into svod values ('01', 10.25, 'старое');\n");
    DataModule module("");
    RecordingUi ui;
    module.ConnectDatabase(LocatorSettings("kvel.gdb", "password=" + server_.password), ui);

    auto read = [](Session& session) {
        auto query = session.Prepare("select n1, c1 from svod where lpu = :lpu");
        query->SetText("lpu", "01");
        const ResultSet rs = query->Open();
        return rs.At(0, "n1").AsText() + " " + rs.At(0, "c1").AsText();
    };
    auto first = module.BeginSession();
    EXPECT_EQ(read(*first), "10.25 старое");

    tarnfold::testing::RunSql(server_.Locator(path), "update svod set n1 = 0.01, c1 = 'новое' where lpu = '01';",
                              server_.password);

    EXPECT_EQ(read(*first), "10.25 старое");
    first.reset();
    auto next = module.BeginSession();
    EXPECT_EQ(read(*next), "0.01 новое");
}

}  // namespace
}  // namespace tarnfold::db
