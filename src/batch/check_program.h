#pragma once
// --check-templates: every chosen form's template held against the data of
// the year before any export; reads the database, the templates and
// Tarnfold.ini, writes nothing but the report file asked for.

#include <ostream>

#include "batch/batch_options.h"
#include "export/export_run.h"
#include "settings/settings.h"

namespace tarnfold::batch {

// Returns the exit code: 0 when no template has an error, 1 when one has,
// 2 for a bad value or a report that cannot be written, 3 when the data
// cannot be read, 4 when the office cannot be started.
int RunTemplateCheck(const BatchOptions& options, const Settings& settings, const RowSource& rows, std::ostream& out,
                     std::ostream& err, std::ostream& progress, bool liveProgress);

}  // namespace tarnfold::batch
