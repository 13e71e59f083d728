#pragma once
// Turning the batch options into the choices the window would hold: which
// form, which institutions, which period, and the window's defaults from the
// settings file where an option is absent.

#include <optional>
#include <string>
#include <vector>

#include "batch/batch_options.h"
#include "catalogue/catalogue.h"
#include "db/data_module.h"
#include "export/export_run.h"
#include "settings/settings.h"

namespace tarnfold::batch {

struct FormChoice {
    int theme = -1;
    int position = -1;  // in the form list of the theme
    const ReportForm* form = nullptr;
};

// Forms a text names: its code ("007", or "7" as a number), its template file
// name (with or without the extension) or its caption; letter case ignored.
std::vector<FormChoice> FindForms(const std::string& text);

// The form the option names, or the one the window would select at start:
// the saved caption among the first theme's forms, else that theme's first
// form. Throws UsageError for an unknown or an ambiguous text, listing the
// candidates.
FormChoice ResolveForm(const std::optional<std::string>& option, const std::string& savedCaption);

// The forms a batch writes: every form of the theme with --all-forms (the
// first theme unless one is given), in the order of the window's list; else
// the one ResolveForm finds.
std::vector<FormChoice> ChosenForms(const BatchOptions& options, const std::string& savedCaption);

// Indexes into `institutions`: the records of the given C codes, every record,
// or the one the window would select (the saved entry, else the first).
// Throws UsageError for an unknown code or one that two records share.
std::vector<int> ResolveInstitutions(const BatchOptions& options, const std::vector<db::Institution>& institutions,
                                     const std::string& savedEntry);

// Index of the period of that name (letter case ignored), else the window's
// first entry; -1 when there are no periods. Throws UsageError for an unknown name.
int ResolvePeriod(const std::optional<std::string>& option, const std::vector<db::Period>& periods);

// One document of the batch.
struct BatchJob {
    std::string institutionEntry;  // "C - B", as the window lists it
    ExportChoices choices;
};

// Everything decided before the first document, form by form and within a
// form institution by institution: throws UsageError for any bad
// value, so that nothing is written when one is wrong.
std::vector<BatchJob> PlanBatch(const BatchOptions& options, const ReportSettings& saved,
                                const std::vector<db::Institution>& institutions,
                                const std::vector<db::Period>& periods);

// The lines of --list forms: each theme, then its forms with code and template.
std::vector<std::string> FormListLines();

}  // namespace tarnfold::batch
