#pragma once
// A libzip source on a named file, read from or written to through the
// platform's own file names.

#include <zip.h>

#include <string>

namespace tarnfold::word::docx {

zip_source_t* FileSource(const std::string& pathUtf8, zip_error_t* error);

}  // namespace tarnfold::word::docx
