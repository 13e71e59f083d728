#include "db_test_support.h"

#include <gtest/gtest.h>

#include "db/dpb.h"

namespace tarnfold::db::testing {

std::shared_ptr<const ClientLibrary> SystemLibrary() {
    static const auto library = ClientLibrary::Load(ClientLibrary::Candidates(""));
    return library;
}

std::shared_ptr<Attachment> Attach(const std::string& name, const std::string& password) {
    std::vector<std::string> lines = {"user_name=SYSDBA", "lc_ctype=WIN1251"};
    if (!password.empty()) lines.push_back("password=" + password);
    return std::make_shared<Attachment>(SystemLibrary(), name, BuildDpb(lines));
}

void ExecuteAndCommit(const std::string& name, const std::string& password, const std::string& sql) {
    auto transaction = std::make_shared<Transaction>(Attach(name, password), TransactionMode::ServerDefault);
    {
        Statement statement(transaction, sql);
        statement.Execute();
    }
    transaction->Commit();
}

const char kAllTypesSql[] = R"(
create table figures (
  id integer not null,
  t_char char(6), t_varchar varchar(10),
  s1 numeric(4,1), s4 numeric(4,4),
  i2 numeric(9,2), i3 decimal(5,3),
  b2 numeric(15,2), b4 numeric(18,4), b1 decimal(18,1),
  n_small smallint, n_int integer, n_big bigint,
  n_scale0 numeric(15,0), n_scale5 numeric(15,5),
  n_double double precision, n_date date);
insert into figures values (1, 'ab', 'ab  ', 12.3, 0.1234, 1234567.89, -12.345,
  -0.01, 99999999999999.9999, -99999999999999999.9,
  -32768, 2147483647, 9223372036854775807, 42, 1.23456, 1.5, '2011-01-31');
insert into figures (id) values (2);
insert into figures values (3, 'Ёжик', 'Привет ', -0.1, -0.0001, 0, 0.000,
  0, -99999999999999.9999, 0, 0, -1, -9223372036854775807, 0, 0, 0, null);
)";

namespace {

void ExpectDecimal(const Value& v, std::int64_t units, int scale, const char* text) {
    EXPECT_EQ(v.kind, Kind::Decimal);
    EXPECT_FALSE(v.isNull);
    EXPECT_EQ(v.decimal.units, units);
    EXPECT_EQ(v.decimal.scale, scale);
    EXPECT_EQ(v.AsText(), text);
}

void ExpectInteger(const Value& v, std::int64_t number) {
    EXPECT_EQ(v.kind, Kind::Integer);
    EXPECT_FALSE(v.isNull);
    EXPECT_EQ(v.integer, number);
}

}  // namespace

void CheckAllTypes(const std::shared_ptr<Attachment>& attachment) {
    auto transaction = std::make_shared<Transaction>(attachment, TransactionMode::ReadOnlySnapshot);
    Statement statement(transaction, "select * from figures order by id");
    const ResultSet rs = statement.FetchAll();
    ASSERT_EQ(rs.RowCount(), 3u);

    const std::vector<std::pair<const char*, Kind>> kinds = {
        {"id", Kind::Integer},    {"t_char", Kind::Text},      {"t_varchar", Kind::Text},  {"s1", Kind::Decimal},
        {"s4", Kind::Decimal},    {"i2", Kind::Decimal},       {"i3", Kind::Decimal},      {"b2", Kind::Decimal},
        {"b4", Kind::Decimal},    {"b1", Kind::Decimal},       {"n_small", Kind::Integer}, {"n_int", Kind::Integer},
        {"n_big", Kind::Integer}, {"n_scale0", Kind::Integer}, {"n_scale5", Kind::Other},  {"n_double", Kind::Other},
        {"n_date", Kind::Other},
    };
    for (const auto& [name, kind] : kinds) EXPECT_EQ(rs.ColumnKind(rs.ColumnIndex(name)), kind) << name;

    // Text as stored: CHAR keeps its padding, VARCHAR its own trailing blanks.
    EXPECT_EQ(rs.At(0, "T_CHAR").text, "ab    ");
    EXPECT_EQ(rs.At(0, "t_varchar").text, "ab  ");
    EXPECT_EQ(rs.At(2, "t_char").text, "Ёжик  ");
    EXPECT_EQ(rs.At(2, "t_varchar").text, "Привет ");

    ExpectDecimal(rs.At(0, "s1"), 123, 1, "12.3");
    ExpectDecimal(rs.At(0, "s4"), 1234, 4, "0.1234");
    ExpectDecimal(rs.At(0, "i2"), 123456789, 2, "1234567.89");
    ExpectDecimal(rs.At(0, "i3"), -12345, 3, "-12.345");
    ExpectDecimal(rs.At(0, "b2"), -1, 2, "-0.01");
    ExpectDecimal(rs.At(0, "b4"), 999999999999999999, 4, "99999999999999.9999");
    ExpectDecimal(rs.At(0, "b1"), -999999999999999999, 1, "-99999999999999999.9");
    ExpectDecimal(rs.At(2, "s1"), -1, 1, "-0.1");
    ExpectDecimal(rs.At(2, "s4"), -1, 4, "-0.0001");
    ExpectDecimal(rs.At(2, "i3"), 0, 3, "0.000");
    ExpectDecimal(rs.At(2, "b4"), -999999999999999999, 4, "-99999999999999.9999");

    ExpectInteger(rs.At(0, "id"), 1);
    ExpectInteger(rs.At(0, "n_small"), -32768);
    ExpectInteger(rs.At(0, "n_int"), 2147483647);
    ExpectInteger(rs.At(0, "n_big"), 9223372036854775807);
    ExpectInteger(rs.At(0, "n_scale0"), 42);
    ExpectInteger(rs.At(2, "n_big"), -9223372036854775807);
    EXPECT_EQ(rs.At(0, "n_int").AsInteger(), 2147483647);
    EXPECT_EQ(rs.At(2, "n_int").AsInteger(), -1);

    // Every column of the second row is NULL: empty text, zero, and still its kind.
    for (std::size_t column = 1; column < rs.ColumnNames().size(); ++column) {
        const Value& v = rs.At(1, column);
        EXPECT_TRUE(v.isNull) << rs.ColumnNames()[column];
        EXPECT_EQ(v.kind, rs.ColumnKind(column));
        EXPECT_EQ(v.AsText(), "") << rs.ColumnNames()[column];
        EXPECT_EQ(v.AsInteger(), 0);
    }
    EXPECT_EQ(rs.At(1, "b4").decimal.scale, 4);
}

const char kMappingSql[] = R"(
create table columns (tbl integer, eng varchar(10), god integer, nstr varchar(4));
insert into columns values (1, 'n1', 2010, '1');
insert into columns values (1, 'n2', 2010, '2');
insert into columns values (1, 'god', 2010, '0');
insert into columns values (1, 'n2', 2011, '3');
insert into columns values (1, 'c1', 2011, '4');
insert into columns values (1, 'n_x', 2011, '5');
insert into columns values (1, 'god', 2011, '0');
insert into columns values (2, 'n3', 2010, '6');
insert into columns values (2, 'n1', 2010, '7');
insert into columns values (2, 'god', 2010, '0');
insert into columns values (3, 'n1', 2012, '8');
)";

const char kFallbackMappingStatement[] =
    "select tbl,eng,god,nstr from columns where (tbl=:ntbl) and (god=:god) and (not eng='god') \n"
    "union select tbl,eng,god,nstr from columns where (not exists (select tbl,eng,god from columns where "
    "(tbl=:ntbl) and (god=:god) and (not eng='god'))) and (tbl=:ntbl) and (god=:god_def) and (not eng='god') "
    "order by 2";

namespace {

// "eng:god:nstr" per row, in the statement's order.
std::vector<std::string> MappingRows(Statement& statement, std::int64_t ntbl, std::int64_t god, std::int64_t godDef) {
    statement.SetInteger("ntbl", ntbl);
    statement.SetInteger("god", god);
    statement.SetInteger("god_def", godDef);
    const ResultSet rs = statement.FetchAll();
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < rs.RowCount(); ++i) {
        EXPECT_EQ(rs.At(i, "TBL").AsInteger(), ntbl);
        rows.push_back(rs.At(i, "eng").AsText() + ":" + rs.At(i, "god").AsText() + ":" +
                       std::to_string(rs.At(i, "nstr").AsInteger()));
    }
    return rows;
}

}  // namespace

void CheckFallbackMapping(const std::shared_ptr<Attachment>& attachment) {
    using Rows = std::vector<std::string>;
    auto transaction = std::make_shared<Transaction>(attachment, TransactionMode::ReadOnlySnapshot);
    Statement statement(transaction, kFallbackMappingStatement);
    // The year's own rows when it has any, ordered by eng as text.
    EXPECT_EQ(MappingRows(statement, 1, 2011, 2010), (Rows{"c1:2011:4", "n2:2011:3", "n_x:2011:5"}));
    EXPECT_EQ(MappingRows(statement, 1, 2010, 2011), (Rows{"n1:2010:1", "n2:2010:2"}));
    // No rows for the year: the fallback year's.
    EXPECT_EQ(MappingRows(statement, 2, 2011, 2010), (Rows{"n1:2010:7", "n3:2010:6"}));
    // Neither year: nothing, and the "god" rows never.
    EXPECT_TRUE(MappingRows(statement, 3, 2011, 2010).empty());
    EXPECT_TRUE(MappingRows(statement, 2, 2009, 2008).empty());

    Statement latest(transaction, "select max(god) iGod from columns where (tbl=:ntbl)");
    latest.SetInteger("ntbl", 2);
    const ResultSet rs = latest.FetchAll();
    ASSERT_EQ(rs.RowCount(), 1u);
    EXPECT_EQ(rs.At(0, "iGod").AsInteger(), 2010);
    EXPECT_EQ(rs.ColumnNames()[0], "IGOD");
}

const char kReferenceSql[] = R"(
create table KODIF (A char(8) not null, A3 varchar(222), B varchar(100) not null, C char(6) not null,
  RAION char(4) not null);
insert into KODIF values ('01', null, 'Велинская область', '1166', '1');
insert into KODIF values ('02', 'свод', 'ГБ №2  ', '0002', '2');
insert into KODIF values ('03', '', 'Кировский район', '0300', '3');
create table period (A varchar(2) not null, B varchar(20) not null, N integer);
insert into period values ('03', 'Март', 3);
insert into period values ('01', 'Январь', 1);
insert into period values ('02', 'Февраль', 2);
)";

}  // namespace tarnfold::db::testing
