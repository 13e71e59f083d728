#pragma once
// The built-in report catalogue: two report themes and the 46 report forms with
// their Word templates. It never changes while the program runs.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/integer.h"

namespace tarnfold {

struct TThemeRec {
    std::string Caption;
    std::string TableName;    // matched against tblname.tblname by the source query
    std::string PeriodFlag;   // non-empty: reported by period, the period list applies
    std::string Periodicity;  // "гд" yearly, "мс" monthly ("кв", "пг" known to the query)
};

struct TFormRec {
    std::string TemplateFile;  // file name inside the template folder
    std::string Caption;       // shown in the form list and kept as the setting Forma
    std::string FormCode;      // three digits; not unique ("008" twice)
    std::string Theme;         // index of the theme, as decimal text
};

extern const std::array<TThemeRec, 2> Themes;
extern const std::array<TFormRec, 46> Forms;

// Rows of Forms that belong to a theme, in table order: position k of the form
// list stands for the k-th of them.
std::vector<std::size_t> FormsOfTheme(int theme);
std::vector<std::string> FormCaptionsOfTheme(int theme);

// The row of the chosen form, found by walking the table and counting the rows
// of the chosen theme up to the chosen position; nullptr when none qualifies.
const TFormRec* TemplateRow(int theme, int formPosition);

bool PeriodApplies(int theme);

}  // namespace tarnfold
