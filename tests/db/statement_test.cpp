#include <gtest/gtest.h>

#include <fstream>

#include <unistd.h>

#include "core/error.h"
#include "db_test_support.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"

namespace tarnfold::db {
namespace {

using tarnfold::testing::CreateDatabase;
using tarnfold::testing::TempDir;

// The memory this process holds in RAM, in KiB.
long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class StatementTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("statements.fdb");
        CreateDatabase(path_, std::string(testing::kReferenceSql) + testing::kMappingSql +
                                  "create table texts (id integer, t varchar(4), c varchar(10));\n"
                                  "insert into texts values (1, 'abc', '12x');\n");
        transaction_ = std::make_shared<Transaction>(testing::Attach(path_), TransactionMode::ReadOnlySnapshot);
    }

    std::string ErrorOf(const std::string& sql) {
        try {
            Statement statement(transaction_, sql);
            statement.FetchAll();
        } catch (const Error& e) {
            return e.what();
        }
        return "no error";
    }

    TempDir dir_;
    std::string path_;
    std::shared_ptr<Transaction> transaction_;
};

TEST_F(StatementTest, CyrillicTextParameterFindsItsRow) {
    Statement statement(transaction_, "select A, B, C from KODIF where B = :name");
    statement.SetText("NAME", "Велинская область");
    const ResultSet rs = statement.FetchAll();
    ASSERT_EQ(rs.RowCount(), 1u);
    EXPECT_EQ(rs.At(0, "c").text, "1166  ");
    EXPECT_EQ(rs.At(0, "b").text, "Велинская область");

    statement.SetText("name", "ГБ №2  ");
    const ResultSet second = statement.FetchAll();
    ASSERT_EQ(second.RowCount(), 1u);
    EXPECT_EQ(second.At(0, "A").text, "02      ");
}

TEST_F(StatementTest, RerunWithoutReadingToTheEndAndAfterIt) {
    Statement statement(transaction_, "select B from period where A >= :a order by A");
    statement.SetText("a", "01");
    statement.Execute();
    ASSERT_TRUE(statement.Fetch());
    EXPECT_EQ(statement.Read(0).text, "Январь");
    // Cursor still open in the middle of the rows.
    statement.SetText("a", "02");
    EXPECT_EQ(statement.FetchAll().RowCount(), 2u);
    // And once more after every row was read.
    statement.SetText("a", "03");
    const ResultSet rs = statement.FetchAll();
    ASSERT_EQ(rs.RowCount(), 1u);
    EXPECT_EQ(rs.At(0, "b").text, "Март");
    EXPECT_FALSE(statement.Fetch());
}

TEST_F(StatementTest, IntegerParameterForATextColumn) {
    Statement statement(transaction_, "select nstr from columns where tbl = :t and nstr = :n");
    statement.SetInteger("t", 2);
    statement.SetInteger("n", 7);
    const ResultSet rs = statement.FetchAll();
    ASSERT_EQ(rs.RowCount(), 1u);
    EXPECT_EQ(rs.At(0, "NSTR").AsInteger(), 7);
}

TEST_F(StatementTest, ParameterMistakes) {
    Statement statement(transaction_, "select tbl from columns where tbl = :ntbl");
    try {
        statement.SetInteger("god", 1);
        FAIL() << "an unknown parameter was accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Parameter 'god' not found");
    }
    EXPECT_THROW(statement.Execute(), Error);  // no value for :ntbl
    statement.SetInteger("ntbl", 3);
    EXPECT_EQ(statement.FetchAll().RowCount(), 1u);
    statement.SetNull("ntbl");
    EXPECT_EQ(statement.FetchAll().RowCount(), 0u);
}

TEST_F(StatementTest, MarkerCountCheckedAgainstTheServer) {
    // A bare "?" is no named parameter: the server sees one more than the text names.
    const std::string error = ErrorOf("select tbl from columns where tbl = :ntbl and god = ?");
    EXPECT_NE(error.find("не совпадает"), std::string::npos) << error;
}

TEST_F(StatementTest, ErrorsCarryTheClientText) {
    const std::string missing = ErrorOf("select * from NOSUCHTABLE");
    EXPECT_NE(missing.find("Table unknown"), std::string::npos) << missing;
    EXPECT_NE(missing.find("NOSUCHTABLE"), std::string::npos) << missing;
    const std::string column = ErrorOf("select nosuchcolumn from period");
    EXPECT_NE(column.find("Column unknown"), std::string::npos) << column;
    const std::string conversion = ErrorOf("select cast(c as integer) from texts");
    EXPECT_NE(conversion.find("conversion error"), std::string::npos) << conversion;
}

TEST_F(StatementTest, AFailingPrepareLeavesNoHandleBehind) {
    // A statement handle left allocated costs the client library some 200
    // bytes, so twenty thousand failures would hold megabytes.
    const auto periods = [&] { return Statement(transaction_, "select A from period").FetchAll().RowCount(); };
    const std::size_t expected = periods();
    for (int i = 0; i < 1000; ++i) ErrorOf("select * from NOSUCHTABLE");
    const long before = ResidentKiB();
    for (int i = 0; i < 20000; ++i) ErrorOf("select * from NOSUCHTABLE");
    EXPECT_LT(ResidentKiB() - before, 1024);
    EXPECT_EQ(periods(), expected) << "the attachment works on";
}

TEST_F(StatementTest, TextParameterLongerThanTheColumn) {
    Statement statement(transaction_, "select id from texts where t = :t");
    statement.SetText("t", "abcdefgh");
    try {
        statement.FetchAll();
        FAIL() << "an over-long text parameter went through";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("truncation"), std::string::npos) << e.what();
    }
    statement.SetText("t", "abc");
    EXPECT_EQ(statement.FetchAll().RowCount(), 1u);
}

TEST_F(StatementTest, EndedTransactionRefusesNewRuns) {
    Statement statement(transaction_, "select A from period");
    transaction_->Commit();
    EXPECT_FALSE(transaction_->Active());
    EXPECT_THROW(statement.FetchAll(), Error);
}

}  // namespace
}  // namespace tarnfold::db
