#pragma once
// The batch program's command line. Options are in English, like any Unix
// tool's; what it says to the user is in Russian, as the window speaks Russian.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace tarnfold::batch {

// A bad option or value: told with the value named, before anything is written.
class UsageError : public Error {
public:
    using Error::Error;
};

enum class ListKind { None, Forms, Institutions, Periods };

struct BatchOptions {
    bool help = false;
    ListKind list = ListKind::None;
    std::optional<std::string> convertTemplates;  // a folder of .doc templates to convert instead of exporting
    bool checkTemplates = false;                  // check the templates against the data instead of exporting
    std::optional<std::string> report;            // where the check writes its full list (.html or .csv)
    std::optional<std::string> form;              // code, template file name or caption
    bool allForms = false;                        // every form of the theme
    std::optional<int> theme;                     // index in the window's theme list
    std::vector<std::string> institutions;        // C codes, in the order given
    bool allInstitutions = false;
    std::optional<std::string> year;
    std::optional<std::string> section;
    std::optional<std::string> period;     // period name, for the monthly theme
    std::optional<std::string> templates;  // template folder
    std::optional<std::string> out;        // reports folder
    std::optional<bool> journal;
};

// Reads "--name value" and "--name=value". Throws UsageError.
BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments);

// The office is named where the exit codes are told; `officeHelp` (its own
// paragraph, possibly empty) tells where it is looked for.
std::string HelpText(std::string_view officeName, std::string_view officeHelp);

}  // namespace tarnfold::batch
