#pragma once
// The host system's reference tables: institutions (KODIF) and periods
// (PERIOD), empty, for the test databases of the window, the export and the
// batch to fill. The database layer's own tests vary them on purpose.

namespace tarnfold::testing {

inline constexpr const char* kInstitutionTableSql =
    "CREATE TABLE KODIF (A VARCHAR(8) NOT NULL, A3 VARCHAR(222), B VARCHAR(100) NOT NULL,"
    " C CHAR(6) NOT NULL, RAION VARCHAR(4) NOT NULL);\n";
inline constexpr const char* kPeriodTableSql = "CREATE TABLE PERIOD (A VARCHAR(2), B VARCHAR(30));\n";

}  // namespace tarnfold::testing
