#include "export/cell_filling.h"

#include <vector>

#include "core/error.h"
#include "core/integer.h"
#include "core/text.h"
#include "db/host_columns.h"
#include "export/export_rules.h"

namespace tarnfold {

const char* const PlainMappingStatement =
    "select tbl,eng,nstr from columns where (tbl=:ntbl) and (not eng='god') order by 2";
const char* const FallbackMappingStatement =
    "select tbl,eng,god,nstr from columns where (tbl=:ntbl) and (god=:god) and (not eng='god') \n"
    "union select tbl,eng,god,nstr from columns where (not exists (select tbl,eng,god from columns where "
    "(tbl=:ntbl) and (god=:god) and (not eng='god'))) and (tbl=:ntbl) and (god=:god_def) and (not eng='god') "
    "order by 2";
const char* const LatestMappingYearStatement = "select max(god) iGod from columns where (tbl=:ntbl)";

void FillHeaderBookmarks(word::Document& document, ExportJournal& journal, std::int32_t year,
                         const std::string& institutionName, const std::string& periodName) {
    const word::BookmarkFilling filling = document.FillBookmarks(
        {{YearBookmark, std::to_string(year)}, {InstitutionBookmark, institutionName}, {PeriodBookmark, periodName}},
        word::Placement::TypeAt);
    for (const std::string& name : filling.missing) journal.WriteLine(name);
    if (filling.failure) throw *filling.failure;
}

std::int32_t ReadLatestMappingYear(db::Session& session, const db::ResultSet& rows) {
    auto query = session.Prepare(LatestMappingYearStatement);
    query->SetInteger("ntbl", rows.Empty() ? 0 : rows.At(0, db::column::FigureTableNumber).AsInteger());
    const db::ResultSet result = query->Open();
    return result.Empty() ? 0 : result.At(0, db::column::LatestMappingYear).AsInteger();
}

SourceRowFiller::SourceRowFiller(db::Session& session, word::Document& document, ExportObserver& observer,
                                 ExportJournal& journal, const RegionalFormats& formats, bool periodTheme,
                                 std::int32_t latestMappingYear)
    : session_(session),
      document_(document),
      observer_(observer),
      journal_(journal),
      formats_(formats),
      periodTheme_(periodTheme),
      latestMappingYear_(latestMappingYear) {}

const db::ResultSet& SourceRowFiller::Mapping(const db::ResultSet& rows, std::size_t row) {
    // Rows come ordered by table: a table's mapping is fetched once for its run of rows.
    const std::string table = rows.At(row, db::column::FigureTableNumber).AsText();
    if (mappedTable_ == table) return mapping_;
    if (!mappingQuery_)
        mappingQuery_ = session_.Prepare(periodTheme_ ? PlainMappingStatement : FallbackMappingStatement);
    mappingQuery_->SetInteger("ntbl", rows.At(row, db::column::FigureTableNumber).AsInteger());
    if (!periodTheme_) {
        const std::int32_t year = rows.At(row, db::column::FigureYear).AsInteger();
        mappingQuery_->SetInteger("god", year);
        mappingQuery_->SetInteger("god_def", FallbackMappingYear(year, latestMappingYear_));
    }
    mappedTable_.reset();
    mappedColumns_.clear();
    mapping_ = mappingQuery_->Open();
    for (std::size_t m = 0; m < mapping_.RowCount(); ++m)
        mappedColumns_.push_back({mapping_.At(m, db::column::MappingFigureColumn).AsText(),
                                  mapping_.At(m, db::column::MappingColumnNumber).AsText(),
                                  {},
                                  {}});
    resolvedFor_ = nullptr;
    mappedTable_ = table;
    return mapping_;
}

void SourceRowFiller::Journal(const std::string& line) {
    try {
        journal_.WriteLine(line);
    } catch (const Error&) {
        // The journal only reports; a line it cannot take does not stop the run.
    }
}

void SourceRowFiller::Status(const std::string& detail) {
    statusText_.assign(FillingStatus).append(detail);
    observer_.Status(statusText_);
}

void SourceRowFiller::FillSourceRow(const db::ResultSet& rows, std::size_t row) {
    const db::ResultSet& mapping = Mapping(rows, row);
    const std::string tableCode = rows.At(row, db::column::FigureTableCode).AsText();
    const std::string rowText = rows.At(row, db::column::FigureRow).AsText();
    if (mapping.Empty()) {
        // Whole tables left out must show in the result line, journal or not.
        unexportedData_ = true;
        ++unmappedRows_;
        Journal("таблица " + tableCode + "-" + rowText);
    }
    observer_.Status(std::string(FillingStatus) + "Таблица..." + tableCode);
    // The columns a mapping names are looked up once for the source's rows.
    if (resolvedFor_ != &rows) {
        for (MappedColumn& mapped : mappedColumns_) mapped.sourceColumn.reset();
        resolvedFor_ = &rows;
    }
    // The row's figures go to the document in one list, in the mapping's order.
    std::vector<word::BookmarkText> figures;
    std::optional<std::int32_t> tableNumber, rowNumber;
    try {
        for (MappedColumn& mapped : mappedColumns_) {
            const std::string& figureColumn = mapped.figureColumn;
            Status(figureColumn);
            if (figureColumn.find('_') != std::string::npos) continue;
            if (!mapped.sourceColumn) mapped.sourceColumn = rows.ColumnIndex(figureColumn);
            const std::size_t column = *mapped.sourceColumn;
            const db::Kind kind = rows.ColumnKind(column);
            const db::Value& value = rows.At(row, column);
            if (!ShouldWriteValue(kind, value)) continue;
            // The numbers are read in the order the name gives them, so that
            // a text that is no number fails as it would on its own.
            if (!tableNumber) tableNumber = StrToInt(Utf8Mid(tableCode, 2, 4));
            if (!rowNumber) rowNumber = StrToInt(rowText);
            if (!mapped.columnNumber) mapped.columnNumber = StrToInt(mapped.columnNumberText);
            std::string bookmark = CellBookmark(*tableNumber, *rowNumber, *mapped.columnNumber);
            Status(bookmark);
            figures.push_back({std::move(bookmark), CellText(kind, value, formats_.decimalSeparator)});
        }
    } catch (const Error&) {
        // A mapping row the source cannot serve ends the run; the figures
        // before it stand in the document, as they would one at a time.
        Place(figures);
        throw;
    }
    Place(figures);
}

void SourceRowFiller::Place(const std::vector<word::BookmarkText>& figures) {
    const word::BookmarkFilling filling = document_.FillBookmarks(figures, word::Placement::InsertBefore);
    placedFigures_ += filling.placed;
    for (const std::string& bookmark : filling.missing) {
        unexportedData_ = true;
        ++unplacedFigures_;
        Journal(bookmark);
    }
    if (filling.failure) throw *filling.failure;
}

}  // namespace tarnfold
