#pragma once
// A template held against what the data of a year can put into it, before
// any export: which cells get figures and have no bookmark (what the journal
// would list after the exports), which bookmarks no figure of the year can
// reach, which header fields are missing, and which bookmark names Word would
// take for one. Pure rules: the bookmark names and the year's cells come in.

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace tarnfold::batch {

// A cell the data fills in some institution's document.
struct FilledCell {
    std::set<std::string> institutions;  // C codes of the institutions whose documents get a figure here
    std::size_t figures = 0;             // over all those documents (sections, periods)
};

// What a year's data does to one form.
struct FormCells {
    bool hasRows = false;  // some export of the year would read rows of the form
    // Bookmark name (as the export builds it) -> who fills it.
    std::map<std::string, FilledCell> filled;
    // Case-folded names of every cell a mapped figure of the year can go to,
    // whatever its value this year.
    std::set<std::string> reachable;
    // Table code (tblkod) -> who has rows of it that no mapping of the year
    // places; `figures` counts the rows.
    std::map<std::string, FilledCell> unmapped;
};

enum class FindingKind {
    TemplateMissing,      // error: no template file
    TemplateUnreadable,   // error: the file is no Word document the tool can read
    DataUnreadable,       // error: the export of the form would fail on the data
    HeaderMissing,        // error: a header field has no bookmark
    CellWithoutBookmark,  // error: figures that every export would leave out
    BookmarkUnreachable,  // warning: no figure of the year goes there
    BookmarkOtherCase,    // warning: names that differ only in letter case
    BookmarkRepeated,     // warning: the same name more than once
    RowsWithoutMapping,   // warning: figures of a table the year's mapping does not place at all
};

bool IsError(FindingKind kind);
// The kind as the report names it, for a row and in the plural for a heading.
std::string KindText(FindingKind kind);
std::string KindHeading(FindingKind kind);

struct Finding {
    FindingKind kind = FindingKind::TemplateMissing;
    std::string bookmark;                   // the name concerned; empty for a finding on the whole template
    std::vector<std::string> institutions;  // C codes of the documents concerned
    std::size_t figures = 0;
    std::string detail;
};

// Findings on a template's bookmarks, in their order of kind and then name.
// `bookmarks` are the names as the document lists them, every occurrence.
// Without any rows of the year no bookmark counts as unreachable.
std::vector<Finding> CompareTemplate(const std::vector<std::string>& bookmarks, const FormCells& cells,
                                     bool periodTheme);

// One form's outcome.
struct FormCheck {
    const ReportForm* form = nullptr;
    std::string templatePath;
    // No template and no data that year: nobody exports the form, nothing to check.
    bool notReported = false;
    std::vector<Finding> findings;
    // Nobody has data of the form that year: its cells were not held against any.
    bool withoutData = false;

    std::size_t Errors() const;
    std::size_t Warnings() const;
};

// 0 when no form has an error, 1 otherwise.
int CheckExitCode(const std::vector<FormCheck>& forms);

}  // namespace tarnfold::batch
