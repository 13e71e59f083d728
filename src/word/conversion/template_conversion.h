#pragma once
// One .doc template written once as .docx through the office. The .docx is
// kept only when the .docx back-end finds in it every bookmark the office
// found in the .doc; it never replaces a .docx that is already there, and no
// half-written or refused copy is ever left under the template's name.

#include <string>
#include <vector>

#include "word/conversion/bookmark_comparison.h"

namespace tarnfold::word::conversion {

// What converting templates asks of an office.
class TemplateConverter {
public:
    virtual ~TemplateConverter() = default;
    // Starts or reaches the office. Throws Error when it cannot: every
    // template would fail the same way.
    virtual void Reach() = 0;
    // Writes `source` as .docx to `copy` and returns the names of the
    // bookmarks the office found in the source. Throws Error.
    virtual std::vector<std::string> CopyListingBookmarks(const std::string& source, const std::string& copy) = 0;
    // The names of the bookmarks in the written copy. Throws Error.
    virtual std::vector<std::string> BookmarksOfCopy(const std::string& copy) = 0;
};

enum class ConversionOutcome {
    Converted,  // the .docx is in place with every bookmark
    Skipped,    // a .docx of that name was there already and is untouched
    Refused,    // the copy lost or changed bookmarks and was deleted
    Failed,     // the office or the file system failed; nothing was written
};

struct TemplateConversion {
    std::string source;  // the .doc
    std::string target;  // the .docx it becomes
    ConversionOutcome outcome = ConversionOutcome::Failed;
    // Filled once both documents were read.
    BookmarkComparison bookmarks;
    // Why it failed.
    std::string error;
};

// The .doc files of a folder (".doc" in any letter case), sorted by name.
// Word's owner files ("~$name.doc") are locks of an open document, not
// templates, and are left out. Throws Error when the folder cannot be read.
std::vector<std::string> TemplatesToConvert(const std::string& folder);

// The .docx name of a template in the output folder: its name with ".docx" in
// place of its extension.
std::string ConvertedName(const std::string& source, const std::string& outFolder);

// Converts one template into `outFolder` (which must exist). Failures of the
// document or the file system are returned as Failed; only a failure to start
// or reach the office throws Error, since every later template would fail
// the same way.
TemplateConversion ConvertTemplate(TemplateConverter& office, const std::string& source, const std::string& outFolder);

}  // namespace tarnfold::word::conversion
