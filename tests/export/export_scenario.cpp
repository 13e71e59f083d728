#include "export_scenario.h"

#include "support/host_tables.h"

namespace tarnfold::testing {

namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string Marked(const std::string& label, const std::string& bookmark) {
    return "{\"text\": " + JsonString(label + ":") + ", \"bookmark\": " + JsonString(bookmark) + ", \"after\": \";\"}";
}

}  // namespace

std::string HostSchemaSql() {
    std::string figures;
    for (int i = 1; i <= 30; ++i) {
        const char* type = i == 2 || i == 6 ? "NUMERIC(15,4)"
                           : i == 3         ? "INTEGER"
                           : i == 4         ? "DOUBLE PRECISION"
                                            : "NUMERIC(15,2)";
        figures += ", n" + std::to_string(i) + " " + type;
    }
    for (int i = 1; i <= 12; ++i) figures += ", c" + std::to_string(i) + (i == 1 ? " CHAR(6)" : " VARCHAR(40)");
    const std::string data =
        "(NTBL INTEGER, GOD INTEGER, LPU VARCHAR(8), period VARCHAR(10), formkod VARCHAR(10), "
        "tblkod VARCHAR(10), \"ROW\" VARCHAR(10)" +
        figures + ");\n";
    return std::string(kInstitutionTableSql) + kPeriodTableSql +
           "CREATE TABLE tblname (ntbl INTEGER, tblname VARCHAR(10));\n"
           "CREATE TABLE columns (tbl INTEGER, eng VARCHAR(10), god INTEGER, nstr VARCHAR(4));\n"
           "CREATE TABLE svod " +
           data + "CREATE TABLE tbl " + data + "COMMIT;\n";
}

std::string InsertSql(const FigureRow& row) {
    std::string names = "NTBL, GOD, LPU, period, formkod, tblkod, \"ROW\"";
    std::string values = std::to_string(row.ntbl) + ", " + std::to_string(row.god) + ", '" + row.lpu + "', '" +
                         row.period + "', '" + row.formkod + "', '" + row.tblkod + "', '" + row.row + "'";
    for (const auto& [column, literal] : row.values) {
        names += ", " + column;
        values += ", " + literal;
    }
    return "INSERT INTO " + row.table + " (" + names + ") VALUES (" + values + ");\n";
}

std::string TemplateLayout(const std::vector<std::string>& headerBookmarks,
                           const std::vector<std::string>& cellBookmarks) {
    std::string body;
    const char* labels[] = {"Год", "Учреждение", "Период"};
    const char* names[] = {"z0001_000_00", "z0002_000_00", "z0003_000_00"};
    for (int i = 0; i < 3; ++i) {
        bool present = false;
        for (const std::string& b : headerBookmarks) present = present || b == names[i];
        if (!body.empty()) body += ", ";
        body += present ? Marked(labels[i], names[i]) : JsonString(std::string(labels[i]) + ":;");
    }
    if (!cellBookmarks.empty()) {
        body += ", {\"table\": [";
        for (std::size_t i = 0; i < cellBookmarks.size(); ++i) {
            if (i != 0) body += ", ";
            body += "[" + Marked(cellBookmarks[i], cellBookmarks[i]) + "]";
        }
        body += "]}";
    }
    return "{\"body\": [" + body + "]}";
}

}  // namespace tarnfold::testing
