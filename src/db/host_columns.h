#pragma once
// The names of the host database's columns that the tool reads from results,
// as the statements and the server name them.

namespace tarnfold::db::column {

// KODIF, the institutions.
inline constexpr const char* InstitutionCode = "A";
inline constexpr const char* InstitutionSummaryMark = "A3";
inline constexpr const char* InstitutionName = "B";
inline constexpr const char* InstitutionShownCode = "C";
inline constexpr const char* InstitutionDistrict = "RAION";

// period, the report periods.
inline constexpr const char* PeriodCode = "A";
inline constexpr const char* PeriodName = "B";

// svod and tbl, the figures: one row of one report table per row.
inline constexpr const char* FigureTableNumber = "NTBL";
inline constexpr const char* FigureYear = "GOD";
inline constexpr const char* FigureInstitution = "LPU";
inline constexpr const char* FigurePeriod = "period";
inline constexpr const char* FigureFormSection = "formkod";
inline constexpr const char* FigureTableCode = "tblkod";
inline constexpr const char* FigureRow = "ROW";

// columns, the mapping of figure columns to the template's cells.
inline constexpr const char* MappingTableNumber = "tbl";
inline constexpr const char* MappingYear = "god";
inline constexpr const char* MappingFigureColumn = "eng";
inline constexpr const char* MappingColumnNumber = "nstr";
// The latest mapping year of a table, as the statement that takes it names it.
inline constexpr const char* LatestMappingYear = "iGod";

}  // namespace tarnfold::db::column
