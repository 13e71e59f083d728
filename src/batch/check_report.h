#pragma once
// What the template check tells: a summary per form on the terminal, and the
// full list as a page a browser opens offline or as a table a spreadsheet
// opens. Pure texts.

#include <cstddef>
#include <string>
#include <vector>

#include "batch/template_check.h"

namespace tarnfold::batch {

// What the check looked at, for the headings.
struct CheckScope {
    std::int32_t year = 0;
    std::string database;
    std::string templateFolder;
};

// Per form its counts, then per kind the first `namesShown` names; then the
// totals and the forms nobody reports that year.
std::vector<std::string> CheckSummaryLines(const std::vector<FormCheck>& forms, const CheckScope& scope,
                                           std::size_t namesShown = 5);

// An HTML page without scripts: the totals, then a section per form with a
// row per finding.
std::string CheckReportHtml(const std::vector<FormCheck>& forms, const CheckScope& scope);

// A row per finding, separated by ";" as a Russian spreadsheet expects; UTF-8
// with its byte-order mark so that Cyrillic opens right; CR LF line ends.
std::string CheckReportCsv(const std::vector<FormCheck>& forms);

// Whether a report file name asks for CSV (".csv" in any letter case).
bool CsvReportName(const std::string& fileName);

}  // namespace tarnfold::batch
