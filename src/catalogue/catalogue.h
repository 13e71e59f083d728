#pragma once
// The built-in report catalogue: two report themes and the 46 report forms with
// their Word templates. It never changes while the program runs.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tarnfold {

struct ReportTheme {
    std::string caption;
    std::string code;         // what tblname.tblname holds for the theme's tables
    std::string periodFlag;   // non-empty: reported by period, the period list applies
    std::string periodicity;  // "гд" yearly, "мс" monthly ("кв", "пг" known to the query)
};

struct ReportForm {
    std::string templateFile;  // file name inside the template folder
    std::string caption;       // shown in the form list and kept as the setting Forma
    std::string formCode;      // three digits; not unique ("008" twice)
    int theme = 0;             // index of the theme
};

extern const std::array<ReportTheme, 2> Themes;
extern const std::array<ReportForm, 46> Forms;

// Rows of Forms that belong to a theme, in table order: position k of the form
// list stands for the k-th of them.
std::vector<std::size_t> FormsOfTheme(int theme);
std::vector<std::string> FormCaptionsOfTheme(int theme);

// The row of the chosen form, found by walking the table and counting the rows
// of the chosen theme up to the chosen position; nullptr when none qualifies.
const ReportForm* TemplateRow(int theme, int formPosition);

bool PeriodApplies(int theme);

}  // namespace tarnfold
