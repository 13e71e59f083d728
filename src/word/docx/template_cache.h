#pragma once
// The template prepared last, kept while its file stays as it was: a batch
// fills one form's template for institution after institution.

#include "word/docx/template_image.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace tarnfold::word::docx {

class TemplateCache {
public:
    // The prepared template of the file, prepared again when the file's time
    // or size has changed since; one template is kept at a time.
    std::shared_ptr<const TemplateImage> Get(const std::string& pathUtf8);

private:
    std::string path_;
    std::filesystem::file_time_type time_{};
    std::uintmax_t size_ = 0;
    std::shared_ptr<const TemplateImage> image_;
};

}  // namespace tarnfold::word::docx
