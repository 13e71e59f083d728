#pragma once
// The rules of an export that depend on nothing but their inputs: names, codes,
// the choice of data table, which figures are written and how they read.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "core/decimal.h"
#include "db/data_module.h"

namespace tarnfold {

// Header bookmarks: year, institution, period.
inline constexpr const char* YearBookmark = "z0001_000_00";
inline constexpr const char* InstitutionBookmark = "z0002_000_00";
inline constexpr const char* PeriodBookmark = "z0003_000_00";

// "z" + table (4 digits) + "_" + row (3) + "_" + column (2), zero-padded; a
// wider number keeps all its digits.
std::string CellBookmark(std::int32_t table, std::int32_t row, std::int32_t column);
// The same from the texts as the database gives them: characters 3 to 6 of
// the table code, the row and the column number, each converted strictly ("'%s' is not a valid integer value").
std::string CellBookmark(std::string_view tableCode, std::string_view rowText, std::string_view columnNumberText);

// The section number of the section field: leading blanks skipped, anything
// that is not a decimal whole number gives 0; written with at least two digits.
std::string SectionText(std::string_view sectionField);

struct SectionCode {
    std::string formSectionCode;  // the form code, the section in two digits, "00"
    std::string extraCondition;   // empty, or the fixed table list of form 307
};
SectionCode MakeSectionCode(const std::string& formCode, const std::string& sectionText);

// The figures of an export are in svod (summaries) or in tbl (primary figures).
enum class SourceTable { Summary, Primary };
const char* SourceTableName(SourceTable table);
// Summary whenever the institution has a summary mark; otherwise the theme's periodicity and
// the period code decide.
SourceTable ChooseSourceTable(const std::string& summaryMark, const std::string& periodicity,
                              const std::string& periodCode);

// The year of the mapping to fall back on for a source row's year.
std::int32_t FallbackMappingYear(std::int32_t rowYear, std::int32_t latestMappingYear);

// Whether a source value is written: an exact decimal that is not zero at two
// places (halves to even), or a non-empty text. Other kinds never.
bool ShouldWriteValue(db::Kind kind, const db::Value& value);
// The text written for a value that passes the rule above.
std::string CellText(db::Kind kind, const db::Value& value, const std::string& decimalSeparator);

// The year field as a whole number; an Error naming the text otherwise.
std::int32_t ReadYear(std::string_view yearText);

// Form codes are numbered without leading zeros; 0 when the code is no number.
std::int32_t FormNumber(const std::string& formCode);

// The institution's name fit for a file name: \ / : * ? " < > | and control
// characters become "_".
std::string MendFileNamePart(std::string_view name);

// What the output file name is made of.
struct OutputNameParts {
    std::string formCode;
    std::string sectionText;
    std::string institutionName;
    std::string yearText;
    std::string periodName;  // empty for a form reported by the year
    bool emptyForm = false;
    std::string extension = ".doc";
};

struct OutputName {
    std::string fileName;
    bool institutionShortened = false;
};

// The output file name inside the reports folder. A form reported by period
// names its period after the year, so that the months of one year do not
// replace each other. When the name would be longer than `longestName` bytes,
// the institution's part is cut at a character and ends in "…".
OutputName OutputFileName(const OutputNameParts& parts, std::size_t longestName = std::string::npos);

// The journal line that tells why the document's name does not hold the
// institution's whole name.
std::string ShortenedNameLine(const std::string& institutionName);

// The form's template in the template folder: the .doc the catalogue names;
// where the folder holds no such .doc but a .docx of the same name, and the
// run can fill .docx, that one. A template found nowhere keeps the .doc path
// so that the message names the file the catalogue expects.
struct TemplateChoice {
    std::string path;
    bool docx = false;
};
TemplateChoice ChooseTemplate(const std::string& folder, const std::string& templateFile, bool docxAllowed,
                              const std::function<bool(const std::string&)>& fileExists);

// The message that names a template found nowhere.
std::string TemplateMissingMessage(const std::string& templatePath);

// Gauge position after `done` of `total` rows, halves to even.
int GaugePercent(std::size_t done, std::size_t total);

std::string FinishedResultText(bool aborted, bool unexportedData, bool logFile);
// Where the document of a run that did not finish was kept, and whether it
// holds anything filled (a run may fail before it fills anything).
std::string UnfinishedResultText(const std::string& keptPath, bool filled);

// Texts of the result line and the status bar.
inline constexpr const char* TemplateMissingResult = "Выгрузка не завершена: не найден файл шаблона...";
inline constexpr const char* NoDataResult = "Выгрузка не завершена: нет данных для выгрузки...";
inline constexpr const char* WordFailedResult = "Выгрузка не завершена: не удалось запустить Word...";
inline constexpr const char* OutputRefusedResult = "Выгрузка не выполнена: прежний отчёт нельзя заменить...";
inline constexpr const char* OutputBusyResult = "Выгрузка не выполнена: документ записывает другая выгрузка...";
inline constexpr const char* UnfinishedNothingKeptResult = "Выгрузка не завершена; прежний отчёт не тронут...";
inline constexpr const char* SearchingStatus = "Идет поиск бланка...";
inline constexpr const char* PreparingDataStatus = "Идет подготовка данных...";
inline constexpr const char* PreparingTemplateStatus = "Подготовка шаблона...";
inline constexpr const char* FillingStatus = "Идет заполнение бланка...";

}  // namespace tarnfold
