#include "word/docx/template_cache.h"

#include "core/paths.h"

namespace tarnfold::word::docx {

std::shared_ptr<const TemplateImage> TemplateCache::Get(const std::string& pathUtf8) {
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(pathUtf8);
    const auto time = std::filesystem::last_write_time(path, error);
    const auto size = error ? 0 : std::filesystem::file_size(path, error);
    if (!error && image_ && pathUtf8 == path_ && time == time_ && size == size_) {
        return image_;
    }
    // The template kept so far goes before the next is read: a batch needs
    // one at a time, and large forms take much memory.
    image_.reset();
    auto image = std::make_shared<const TemplateImage>(pathUtf8);
    if (!error) {
        path_ = pathUtf8;
        time_ = time;
        size_ = size;
        image_ = image;
    }
    return image;
}

}  // namespace tarnfold::word::docx
