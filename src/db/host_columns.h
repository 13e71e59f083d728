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

}  // namespace tarnfold::db::column
