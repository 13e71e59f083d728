#include "batch/template_data.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "core/text.h"
#include "db/host_columns.h"
#include "export/export_rules.h"

namespace tarnfold::batch {

const char* const WholeMappingStatement = "select tbl,eng,god,nstr from columns";

namespace {

// The server compares texts without their trailing blanks; so do the
// groupings here that stand for its comparisons.
std::string Compared(const db::Value& value) { return TrimRight(value.AsText()); }

// "god" rows mark a mapped year; they place no figure. A row without a name
// is never selected by the mapping statements.
bool Placing(const db::Value& figureColumn) { return !figureColumn.isNull && TrimRight(figureColumn.text) != "god"; }

// A section code of the form: its three-character code, two digits of the
// section, "00".
bool SectionCodeOfForm(const std::string& formSectionCode, const std::string& formCode) {
    return formSectionCode.size() == formCode.size() + 4 && StartsWith(formSectionCode, formCode) &&
           EndsWith(formSectionCode, "00") &&
           std::isdigit(static_cast<unsigned char>(formSectionCode[formCode.size()])) &&
           std::isdigit(static_cast<unsigned char>(formSectionCode[formCode.size() + 1]));
}

// The rows one export reads: an institution, a period and a section.
struct ExportRows {
    std::string institutionCode, period, formSectionCode;
    std::vector<std::size_t> rows;  // in the export's order
};

// Cells of one export's rows, in the order the export fills them.
void AddExport(const db::ResultSet& rows, const ExportRows& exportRows, const MappingTable& mapping, bool periodTheme,
               const std::vector<std::string>& institutionCodes, FormCells& cells) {
    const std::int32_t latestYear =
        mapping.LatestYear(rows.At(exportRows.rows.front(), db::column::FigureTableNumber).AsInteger());
    for (std::size_t row : exportRows.rows) {
        const std::int32_t table = rows.At(row, db::column::FigureTableNumber).AsInteger();
        const std::int32_t year = rows.At(row, db::column::FigureYear).AsInteger();
        const std::vector<const MappingRow*> mapped =
            periodTheme ? mapping.AllYears(table) : mapping.ForYear(table, year, FallbackMappingYear(year, latestYear));
        const std::string tableCode = rows.At(row, db::column::FigureTableCode).AsText();
        const std::string rowText = rows.At(row, db::column::FigureRow).AsText();
        if (mapped.empty()) {
            // The export journals such a row ("таблица …") and places none of its figures.
            FilledCell& unmapped = cells.unmapped[tableCode];
            unmapped.institutions.insert(institutionCodes.begin(), institutionCodes.end());
            unmapped.figures += institutionCodes.size();
        }
        for (const MappingRow* each : mapped) {
            if (each->figureColumn.find('_') != std::string::npos) continue;
            const std::size_t column = rows.ColumnIndex(each->figureColumn);
            const db::Kind kind = rows.ColumnKind(column);
            if (kind != db::Kind::Decimal && kind != db::Kind::Text) continue;
            const std::string bookmark = CellBookmark(tableCode, rowText, each->columnNumberText);
            cells.reachable.insert(FoldCase(bookmark));
            if (!ShouldWriteValue(kind, rows.At(row, column))) continue;
            FilledCell& filled = cells.filled[bookmark];
            filled.institutions.insert(institutionCodes.begin(), institutionCodes.end());
            filled.figures += institutionCodes.size();
        }
    }
}

}  // namespace

MappingTable::MappingTable(const db::ResultSet& columns) {
    for (std::size_t i = 0; i < columns.RowCount(); ++i) {
        const db::Value& tableNumber = columns.At(i, db::column::MappingTableNumber);
        if (tableNumber.isNull) continue;
        Table& table = tables_[tableNumber.AsInteger()];
        const db::Value& mappingYear = columns.At(i, db::column::MappingYear);
        std::optional<std::int32_t> year;
        if (!mappingYear.isNull) {
            year = mappingYear.AsInteger();
            table.latestYear = std::max(table.latestYear.value_or(*year), *year);
        }
        const db::Value& figureColumn = columns.At(i, db::column::MappingFigureColumn);
        if (Placing(figureColumn))
            table.placing.push_back(
                {figureColumn.AsText(), year, columns.At(i, db::column::MappingColumnNumber).AsText()});
    }
}

std::int32_t MappingTable::LatestYear(std::int32_t table) const {
    const auto found = tables_.find(table);
    return found == tables_.end() ? 0 : found->second.latestYear.value_or(0);
}

std::vector<const MappingRow*> MappingTable::ForYear(std::int32_t table, std::int32_t year,
                                                     std::int32_t fallbackYear) const {
    std::vector<const MappingRow*> rows;
    const auto found = tables_.find(table);
    if (found == tables_.end()) return rows;
    for (const std::int32_t wanted : {year, fallbackYear}) {
        for (const MappingRow& row : found->second.placing) {
            // The statement is a union: a row written twice in columns comes once.
            const auto same = [&](const MappingRow* other) {
                return other->figureColumn == row.figureColumn && other->columnNumberText == row.columnNumberText;
            };
            if (row.year == wanted && std::none_of(rows.begin(), rows.end(), same)) rows.push_back(&row);
        }
        if (!rows.empty()) break;
    }
    return rows;
}

std::vector<const MappingRow*> MappingTable::AllYears(std::int32_t table) const {
    std::vector<const MappingRow*> rows;
    if (const auto found = tables_.find(table); found != tables_.end())
        for (const MappingRow& row : found->second.placing) rows.push_back(&row);
    return rows;
}

std::string FormRowsStatement(const char* sourceTable, const std::string& themeCode,
                              const std::string& extraCondition) {
    const std::string name = sourceTable;
    return "select " + name + ".* from " + name + ",tblname where (tblname.tblname='" + themeCode +
           "') and (god=:god) and (" + name +
           ".ntbl=tblname.ntbl) and (formkod starting with CAST(:formcode AS VARCHAR(255))) " + extraCondition +
           " order by LPU, period, formkod, tblname.ntbl, tblkod,\"ROW\"";
}

FormCells ReadFormCells(db::Session& session, const MappingTable& mapping, int theme, const ReportForm& form,
                        std::int32_t year, const std::vector<db::Institution>& institutions,
                        const std::vector<db::Period>& periods) {
    const ReportTheme& themeRow = Themes.at(static_cast<std::size_t>(theme));
    const bool periodTheme = PeriodApplies(theme);
    // The codes of every section start as the form's own (form 307 keeps its
    // figures under another form's code): the section code without its
    // section and its closing "00".
    const SectionCode code = MakeSectionCode(form.formCode, "");
    const std::string formCode = code.formSectionCode.substr(0, code.formSectionCode.size() - 2);
    FormCells cells;
    for (const SourceTable table : {SourceTable::Primary, SourceTable::Summary}) {
        auto query = session.Prepare(FormRowsStatement(SourceTableName(table), themeRow.code, code.extraCondition));
        query->SetInteger("god", year);
        query->SetText("formcode", formCode);
        const db::ResultSet rows = query->Open();

        std::vector<ExportRows> exports;
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            const std::string institutionCode = Compared(rows.At(row, db::column::FigureInstitution));
            const std::string period = Compared(rows.At(row, db::column::FigurePeriod));
            const std::string formSectionCode = Compared(rows.At(row, db::column::FigureFormSection));
            if (!SectionCodeOfForm(formSectionCode, formCode)) continue;
            if (exports.empty() ||
                std::tie(exports.back().institutionCode, exports.back().period, exports.back().formSectionCode) !=
                    std::tie(institutionCode, period, formSectionCode))
                exports.push_back({institutionCode, period, formSectionCode, {}});
            exports.back().rows.push_back(row);
        }

        for (const ExportRows& rowsOfOne : exports) {
            // The period the window would choose for these rows, and whether
            // its export reads this data table for each institution of that code.
            std::optional<std::string> periodCode;
            if (!periodTheme) {
                if (rowsOfOne.period == "год") periodCode = "год";
            } else {
                for (const db::Period& period : periods)
                    if (TrimRight(period.code) == rowsOfOne.period) {
                        periodCode = period.code;
                        break;
                    }
            }
            if (!periodCode) continue;
            std::vector<std::string> readers;
            for (const db::Institution& institution : institutions)
                if (TrimRight(institution.code) == rowsOfOne.institutionCode &&
                    ChooseSourceTable(institution.summaryMark, themeRow.periodicity, *periodCode) == table)
                    readers.push_back(Trim(institution.shownCode));
            if (readers.empty()) continue;
            cells.hasRows = true;
            AddExport(rows, rowsOfOne, mapping, periodTheme, readers, cells);
        }
    }
    return cells;
}

}  // namespace tarnfold::batch
