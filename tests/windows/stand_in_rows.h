#pragma once
// The rows of a small form 7 for the Windows tests, where no database client
// can be had: a stand-in of the database session answers the run's
// statements, and the template is written in the stand-in word processor's
// text format (text_document.h).

#include <string>
#include <vector>

#include "support/fake_database.h"

namespace tarnfold::testing {

inline db::ResultSet StandInAnswer(const std::string& sql, const Parameters& parameters) {
    if (sql.rfind("select max(god)", 0) == 0) return db::ResultSet({"IGOD"}, {db::Kind::Integer}, {{Int(2011)}});
    if (sql.find(".NTBL,GOD,LPU") != std::string::npos)
        return db::ResultSet({"NTBL", "GOD", "LPU", "PERIOD", "FORMKOD", "TBLKOD", "ROW", "N1", "N2"},
                             {db::Kind::Integer, db::Kind::Integer, db::Kind::Text, db::Kind::Text, db::Kind::Text,
                              db::Kind::Text, db::Kind::Text, db::Kind::Decimal, db::Kind::Decimal},
                             {{Int(7), Int(2011), Text("0101"), Text("год"), Text("0070100"), Text("tb1000"), Text("1"),
                               Dec(1250, 2), Dec(31415, 4)}});
    std::vector<std::vector<db::Value>> mapping;
    if (parameters.integers.at("ntbl") == 7)
        mapping = {{Int(7), Text("n1"), Int(2011), Text("1")}, {Int(7), Text("n2"), Int(2011), Text("2")}};
    return db::ResultSet({"TBL", "ENG", "GOD", "NSTR"},
                         {db::Kind::Integer, db::Kind::Text, db::Kind::Integer, db::Kind::Text}, mapping);
}

inline const std::vector<db::Institution> StandInInstitutions{{"0101", "", "ЦРБ", "0101", "01"},
                                                              {"0202", "", "Больница № 2", "0202", "02"}};
inline const std::vector<db::Period> StandInPeriods{{"01", "Январь"}, {"13", "Год"}};

// Form 7's template ("7.doc") and the document the stand-in rows make of it
// for the first period, with the figures written in the user's decimal comma.
inline constexpr char StandInTemplate[] =
    "Год: {z0001_000_00}\r\n"
    "Период: {Z0003_000_00}\r\n"
    "Строка 1: {z1000_001_01} {z1000_001_02}\r\n";
inline constexpr char StandInDocument[] =
    "Год: 2011{z0001_000_00}\r\n"
    "Период: Январь{Z0003_000_00}\r\n"
    "Строка 1: {z1000_001_01:12,5} {z1000_001_02:3,1415}\r\n";

}  // namespace tarnfold::testing
