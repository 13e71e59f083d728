#pragma once
// Names the office understands for files on disk.

#include <string>

#include "core/paths.h"

namespace tarnfold::word {

// The office's export filter for an output name, chosen by its extension
// (.doc, .docx, .odt, any case). Any other name gets a Word 97 document, as
// Word writes its own format whatever the name says.
std::string FilterForOutput(const std::string& path);

// Whether two names denote the same file: the same absolute path, or the
// same file on disk.
bool SameFile(const std::string& a, const std::string& b);

// Why a document cannot be stored at `path`, as the file system tells it
// ("слишком длинное имя файла", "на диске нет места", …), found by trying
// what a store needs: the folder, a file in it, a few kilobytes written. The
// office itself names all of these "no access", and on a full disk it may
// hang instead of failing. Empty when nothing stands in the way.
std::string StoreObstacle(const std::string& path);

// Whether the disk that would hold `path` has next to no room left: after a
// failed store, the reason.
bool NoRoomLeft(const std::string& path);

// Whether the office read a file with one of its Word filters ("MS Word 97",
// "MS Word 2007 XML", …) rather than as text or another format.
bool IsWordFilter(const std::string& filterName);

}  // namespace tarnfold::word
