#pragma once
// A document copied by the office into another format, with the bookmarks it
// held as the office lists them, so a caller can tell what the copy kept.

#include <string>
#include <vector>

#include "word/libreoffice/libreoffice.h"

namespace tarnfold::word {

// Opens `source` hidden, lists the names of its bookmarks (the office's own
// spelling and order) and writes the document to `target` in the format that
// name's extension chooses (.docx, .doc, .odt). The source file stays as it
// was and the document is closed again. An existing `target` is replaced, so
// callers write to a name of their own. Fails as Error with the office's
// description, also when the office cannot be started.
std::vector<std::string> CopyDocumentListingBookmarks(LibreOfficeServer& office, const std::string& source,
                                                      const std::string& target);

// Opens `source` hidden and lists the names of its bookmarks, as the office
// spells and orders them; the document is closed unchanged. Fails as
// CopyDocumentListingBookmarks does.
std::vector<std::string> ListDocumentBookmarks(LibreOfficeServer& office, const std::string& source);

}  // namespace tarnfold::word
