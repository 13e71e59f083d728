#pragma once
// Building blocks of export tests on real components: the host schema as SQL,
// rows of figures, and template descriptions for make_template.py.

#include <string>
#include <utility>
#include <vector>

namespace tarnfold::testing {

// KODIF, period, tblname, columns, svod and tbl as the host database has them:
// n1 NUMERIC(15,2), n2 and n6 NUMERIC(15,4), n3 INTEGER, n4 DOUBLE PRECISION,
// the other n NUMERIC(15,2); c1 CHAR(6), the other c VARCHAR(40).
std::string HostSchemaSql();

struct FigureRow {
    std::string table;  // "tbl" or "svod"
    int ntbl = 0;
    int god = 0;
    std::string lpu, period, formkod, tblkod, row;
    std::vector<std::pair<std::string, std::string>> values;  // column, SQL literal
};
std::string InsertSql(const FigureRow& row);

// The layout of a generated template: header bookmarks as "Год:<z0001_000_00>;"
// and so on, then one table of cells "<bookmark>:" + bookmark + ";" for the
// given cells.
std::string TemplateLayout(const std::vector<std::string>& headerBookmarks,
                           const std::vector<std::string>& cellBookmarks);

}  // namespace tarnfold::testing
