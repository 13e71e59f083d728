#pragma once
// Writing text at a bookmark of a parsed part, as Word's insertion in front of
// a bookmark's range and Word's typing at a bookmark do.

#include "word/docx/bookmark_index.h"

#include <string_view>

namespace tarnfold::word::docx {

// Puts the text in front of the bookmark as a new run that takes the
// formatting of the neighbouring text. Returns whether the part changed.
bool InsertBeforeBookmark(const BookmarkRef& bookmark, std::string_view text);

// Replaces the text a range bookmark spans with the typed text, keeping both
// of the bookmark's marks around it; at a point bookmark the text goes right
// after the point. Returns whether the part changed.
bool TypeAtBookmark(const BookmarkRef& bookmark, std::string_view text);

}  // namespace tarnfold::word::docx
