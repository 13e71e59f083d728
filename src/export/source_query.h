#pragma once
// The statement that fetches the figures of one form for one institution,
// year, section and period, and what it is built from.

#include <memory>
#include <string>

#include "catalogue/catalogue.h"
#include "db/data_module.h"
#include "export/export_rules.h"

namespace tarnfold {

struct SourceChoice {
    const ReportTheme* theme = nullptr;
    std::string formCode;         // FormCode of the template row
    db::Institution institution;  // the chosen record; empty texts when none is chosen
    db::Period period;            // likewise
    std::string sectionField;     // text of the section field
    std::string yearText;         // text of the year field
};

// The source statement for a data table, the theme's table code and the extra
// condition. The chosen values are parameters: :period, :lpu and :formkod as
// texts, :god as an integer.
std::string SourceStatement(SourceTable table, const std::string& themeCode, const std::string& extraCondition);

struct SourceRows {
    SourceTable table = SourceTable::Primary;
    std::string periodCode;
    std::string sectionText;
    SectionCode code;
    std::int32_t year = 0;
    db::ResultSet rows;
};

// Works out the table, the period code and the section code, and fetches the
// rows through the run's snapshot. A year that is no whole number fails here,
// before the statement is run.
SourceRows OpenSourceQuery(db::Session& session, const SourceChoice& choice);

}  // namespace tarnfold
