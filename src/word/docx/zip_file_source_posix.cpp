#include "word/docx/zip_file_source.h"

namespace tarnfold::word::docx {

zip_source_t* FileSource(const std::string& pathUtf8, zip_error_t* error) {
    return zip_source_file_create(pathUtf8.c_str(), 0, -1, error);
}

}  // namespace tarnfold::word::docx
