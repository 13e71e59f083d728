#include "batch_stand_in_rows.h"

#include <cstdio>
#include <map>
#include <utility>

#include "batch/batch_scenario.h"

namespace tarnfold::testing {

namespace {

using Row = std::vector<db::Value>;

// One source row of table 1000 (bookmarks z1000_…) of form 7 for 2011.
Row SourceRow(const std::string& institution, int row, db::Value n1, db::Value n2) {
    return {Int(1000),       Int(2011),      Text(institution),         Text("год"),
            Text("0070100"), Text("tb1000"), Text(std::to_string(row)), std::move(n1),
            std::move(n2)};
}

db::Value Null(db::Kind kind) {
    db::Value value;
    value.kind = kind;
    return value;
}

// "12.50" as 1250 with two decimals; "" as NULL.
db::Value Figure(const std::string& text) {
    if (text.empty()) return Null(db::Kind::Decimal);
    const std::size_t point = text.find('.');
    if (point == std::string::npos) return Dec(std::stoll(text), 0);
    return Dec(std::stoll(text.substr(0, point) + text.substr(point + 1)), static_cast<int>(text.size() - point - 1));
}

std::map<std::string, std::vector<Row>> RowsByInstitution() {
    std::map<std::string, std::vector<Row>> rows;
    for (const BatchFigures& f : kBatchFigures)
        rows[f.institution].push_back(SourceRow(f.institution, f.row, Figure(f.n1), Figure(f.n2)));
    // Its rows alternate between two tables of the same bookmarks, so that
    // each row's mapping is read anew: the tests' hook for "after row N".
    std::vector<Row>& large = rows[kLargeFormInstitution];
    for (int r = 1; r <= kLargeFormRows; ++r) {
        large.push_back(SourceRow(kLargeFormInstitution, r, Dec(r, 0), Null(db::Kind::Decimal)));
        large.back()[0] = Int(1000 + r % 2);
    }
    return rows;
}

std::vector<db::Institution> Institutions() {
    std::vector<db::Institution> institutions;
    for (const BatchInstitution& i : kBatchInstitutions)
        institutions.push_back({i.code, "", i.name, i.code, i.district});
    return institutions;
}

}  // namespace

StandInFigures::StandInFigures() : institutions_(Institutions()), periods_{{"01", "Январь"}, {"13", "Год"}} {
    database_.answer = [this, rows = RowsByInstitution()](const std::string& sql, const Parameters& parameters) {
        if (sql.rfind("select max(god)", 0) == 0) return db::ResultSet({"IGOD"}, {db::Kind::Integer}, {{Int(2011)}});
        if (sql.find(".NTBL,GOD,LPU") != std::string::npos) {
            const auto found = rows.find(parameters.texts.at("lpu"));
            return db::ResultSet({"NTBL", "GOD", "LPU", "PERIOD", "FORMKOD", "TBLKOD", "ROW", "N1", "N2"},
                                 {db::Kind::Integer, db::Kind::Integer, db::Kind::Text, db::Kind::Text, db::Kind::Text,
                                  db::Kind::Text, db::Kind::Text, db::Kind::Decimal, db::Kind::Decimal},
                                 found == rows.end() ? std::vector<Row>{} : found->second);
        }
        db::ResultSet mapping(
            {"TBL", "ENG", "GOD", "NSTR"}, {db::Kind::Integer, db::Kind::Text, db::Kind::Integer, db::Kind::Text},
            {{Int(1000), Text("n1"), Int(2011), Text("1")}, {Int(1000), Text("n2"), Int(2011), Text("2")}});
        ++rowsRead_;
        if (afterRow) afterRow(rowsRead_);
        return mapping;
    };
}

RowSource StandInFigures::Rows() {
    return {[this] {
                rowsRead_ = 0;
                return std::make_unique<FakeSession>(database_);
            },
            institutions_, periods_};
}

std::string StandInTemplate(int rows) {
    std::string text = "Год: {z0001_000_00}\r\nУчреждение: {z0002_000_00}\r\n";
    for (int r = 1; r <= rows; ++r) {
        char line[80];
        std::snprintf(line, sizeof line, "Строка %d: {z1000_%03d_01} {z1000_%03d_02}\r\n", r, r, r);
        text += line;
    }
    return text;
}

}  // namespace tarnfold::testing
