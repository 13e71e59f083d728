#pragma once
// Writing a run's figures into its document: the header fields, then every
// mapped figure of every source row in front of its cell bookmark.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/regional.h"
#include "db/data_module.h"
#include "export/export_observer.h"
#include "journal/journal.h"
#include "word/word.h"

namespace tarnfold {

// Types the year, the institution's name and the period's name at their
// header bookmarks; a missing one is journalled (writing it may fail the run).
void FillHeaderBookmarks(word::Document& document, ExportJournal& journal, std::int32_t year,
                         const std::string& institutionName, const std::string& periodName);

// The latest mapping year of the table of the first source row; 0 when the
// table has no mapping or there is no row.
std::int32_t ReadLatestMappingYear(db::Session& session, const db::ResultSet& rows);

// Fills source rows one at a time, keeping the mapping of the last table met.
class SourceRowFiller {
public:
    SourceRowFiller(db::Session& session, word::Document& document, ExportObserver& observer, ExportJournal& journal,
                    const RegionalFormats& formats, bool periodTheme, std::int32_t latestMappingYear);

    void FillSourceRow(const db::ResultSet& rows, std::size_t row);

    // A figure had no bookmark, or a row had no mapping.
    bool UnexportedData() const { return unexportedData_; }
    std::size_t PlacedFigures() const { return placedFigures_; }
    std::size_t UnplacedFigures() const { return unplacedFigures_; }
    std::size_t UnmappedRows() const { return unmappedRows_; }

private:
    const db::ResultSet& Mapping(const db::ResultSet& rows, std::size_t row);
    void Journal(const std::string& line);
    // The filling status with the column or cell at hand, told twice for every
    // figure: its text is built in one buffer kept from call to call.
    void Status(const std::string& detail);
    // Puts a row's figures in front of their bookmarks; journals and counts
    // the missing ones. Throws the word processor's failure.
    void Place(const std::vector<word::BookmarkText>& figures);

    db::Session& session_;
    word::Document& document_;
    ExportObserver& observer_;
    ExportJournal& journal_;
    const RegionalFormats& formats_;
    const bool periodTheme_;
    const std::int32_t latestMappingYear_;

    std::unique_ptr<db::Query> mappingQuery_;  // prepared once per run
    std::optional<std::string> mappedTable_;   // NTBL text of the mapping held
    db::ResultSet mapping_;
    // Each mapping row's column and cell number, and where the source holds
    // that column, found at their first use.
    struct MappedColumn {
        std::string figureColumn;      // the source column it places
        std::string columnNumberText;  // as stored; converted at its first use
        std::optional<std::size_t> sourceColumn;
        std::optional<std::int32_t> columnNumber;
    };
    std::vector<MappedColumn> mappedColumns_;
    const db::ResultSet* resolvedFor_ = nullptr;
    bool unexportedData_ = false;
    std::size_t placedFigures_ = 0;
    std::size_t unplacedFigures_ = 0;
    std::size_t unmappedRows_ = 0;
    std::string statusText_;
};

// The two mapping statements: every year's rows of a table (themes with
// periods), and the rows of a year with a fallback year.
extern const char* const PlainMappingStatement;
extern const char* const FallbackMappingStatement;
extern const char* const LatestMappingYearStatement;

}  // namespace tarnfold
