#include <gtest/gtest.h>

#include "core/error.h"
#include "db/data_module.h"

namespace tarnfold::db {
namespace {

Value Text(std::string text) {
    Value v;
    v.kind = Kind::Text;
    v.isNull = false;
    v.text = std::move(text);
    return v;
}

Value Integer(std::int64_t number) {
    Value v;
    v.kind = Kind::Integer;
    v.isNull = false;
    v.integer = number;
    return v;
}

Value Exact(std::int64_t units, int scale) {
    Value v;
    v.kind = Kind::Decimal;
    v.isNull = false;
    v.decimal = {units, scale};
    return v;
}

TEST(Value, AsTextWritesNumbersInDecimalNotation) {
    EXPECT_EQ(Exact(-1, 2).AsText(), "-0.01");
    EXPECT_EQ(Exact(1250, 2).AsText(), "12.50");
    EXPECT_EQ(Exact(5, 4).AsText(), "0.0005");
    EXPECT_EQ(Exact(0, 1).AsText(), "0.0");
    EXPECT_EQ(Exact(999999999999999999, 4).AsText(), "99999999999999.9999");
    EXPECT_EQ(Exact(INT64_MIN, 4).AsText(), "-922337203685477.5808");
    EXPECT_EQ(Integer(-42).AsText(), "-42");
    EXPECT_EQ(Text("  a  ").AsText(), "  a  ");
}

TEST(Value, NullReadsAsEmptyTextAndZero) {
    for (Kind kind : {Kind::Text, Kind::Integer, Kind::Decimal, Kind::Other}) {
        Value v;
        v.kind = kind;
        EXPECT_EQ(v.AsText(), "");
        EXPECT_EQ(v.AsInteger(), 0);
    }
}

TEST(Value, AsIntegerIsStrict) {
    EXPECT_EQ(Text("17").AsInteger(), 17);
    EXPECT_EQ(Text("-3").AsInteger(), -3);
    EXPECT_EQ(Integer(2147483647).AsInteger(), 2147483647);
    try {
        (void)Text("17 ").AsInteger();
        FAIL() << "trailing blank accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'17 ' is not a valid integer value");
    }
    EXPECT_THROW((void)Text("").AsInteger(), Error);
    EXPECT_THROW((void)Integer(2147483648).AsInteger(), Error);
    EXPECT_THROW((void)Exact(150, 2).AsInteger(), Error);
}

TEST(ResultSet, ColumnsFoundByNameIgnoringCase) {
    const ResultSet rs({"NTBL", "ROW", "C1"}, {Kind::Integer, Kind::Integer, Kind::Text},
                       {{Integer(1), Integer(7), Text("x")}});
    EXPECT_EQ(rs.ColumnIndex("row"), 1u);
    EXPECT_EQ(rs.ColumnIndex("Row"), 1u);
    EXPECT_EQ(rs.At(0, "c1").text, "x");
    try {
        (void)rs.ColumnIndex("n1");
        FAIL() << "a missing column was found";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Field 'n1' not found");
    }
}

}  // namespace
}  // namespace tarnfold::db
