#pragma once
// The batch program's template conversion: every .doc template of a folder
// written once as .docx through the office, one report line per template.

#include <ostream>
#include <string>

#include "word/conversion/template_conversion.h"

namespace tarnfold::word::conversion {

// Converts every .doc of `folder` into `outFolder` (the same folder when
// empty; created when missing) and prints one line per template, a summary
// and a reminder of when the export uses a .docx. Returns the exit code:
// 0 when every template was converted or skipped (its .docx already there),
// 1 when any was refused (bookmarks lost) or failed, 2 when the folder does
// not exist, holds no .doc or the output folder cannot be made (a message
// names it). Throws Error when the office cannot be started or reached; the
// caller reports that as its own failure (exit code 4).
int RunTemplateConversion(const std::string& folder, const std::string& outFolder, TemplateConverter& office,
                          std::ostream& out);

}  // namespace tarnfold::word::conversion
