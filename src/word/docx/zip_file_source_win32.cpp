#include "word/docx/zip_file_source.h"

#include "core/paths.h"

namespace tarnfold::word::docx {

zip_source_t* FileSource(const std::string& pathUtf8, zip_error_t* error) {
    const std::wstring wide = PathFromUtf8(pathUtf8).wstring();
    return zip_source_win32w_create(wide.c_str(), 0, -1, error);
}

}  // namespace tarnfold::word::docx
