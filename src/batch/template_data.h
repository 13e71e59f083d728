#pragma once
// What the data of a year can put into a form's template: every export of
// the year that the window could make (each institution, section and, for
// the monthly forms, period) worked out at once from the figures of all
// institutions and the column mapping, as the export picks rows, mapping and
// figures. Reads only.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "batch/template_check.h"
#include "catalogue/catalogue.h"
#include "db/data_module.h"

namespace tarnfold::batch {

// Every row of `columns`, read once for all forms.
extern const char* const WholeMappingStatement;

struct MappingRow {
    std::string figureColumn;  // the source column it places
    std::optional<std::int32_t> year;
    std::string columnNumberText;  // as stored; converted where a bookmark is built
};

class MappingTable {
public:
    // The rows of WholeMappingStatement.
    explicit MappingTable(const db::ResultSet& columns);

    // The greatest year of the table's rows, "god" rows included; 0 when none.
    std::int32_t LatestYear(std::int32_t table) const;
    // The rows the year-fallback statement gives: the year's placing rows, or
    // those of the fallback year when the year has none.
    std::vector<const MappingRow*> ForYear(std::int32_t table, std::int32_t year, std::int32_t fallbackYear) const;
    // The rows the plain statement gives: every year's placing rows.
    std::vector<const MappingRow*> AllYears(std::int32_t table) const;

private:
    struct Table {
        std::vector<MappingRow> placing;  // rows other than "god"
        std::optional<std::int32_t> latestYear;
    };
    std::map<std::int32_t, Table> tables_;
};

// The statement that reads a form's rows of a year from one data table, for
// all institutions, sections and periods at once: :god, and the code of the
// form's sections as :formcode.
std::string FormRowsStatement(const char* sourceTable, const std::string& themeCode, const std::string& extraCondition);

// The cells the year's exports of the form fill and can reach. Throws Error
// where an export would fail on the data (a mapped column the data lacks, a
// row or column number that is no whole number).
FormCells ReadFormCells(db::Session& session, const MappingTable& mapping, int theme, const ReportForm& form,
                        std::int32_t year, const std::vector<db::Institution>& institutions,
                        const std::vector<db::Period>& periods);

}  // namespace tarnfold::batch
