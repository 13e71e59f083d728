#include "word/docx/template_cache.h"

#include "core/paths.h"

#include <exception>
#include <system_error>

namespace tarnfold::word::docx {

std::optional<FileStamp> StampOf(const std::string& pathUtf8) {
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(pathUtf8);
    FileStamp stamp;
    stamp.time = std::filesystem::last_write_time(path, error);
    if (error) return std::nullopt;
    stamp.size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return stamp;
}

bool TemplateCache::Holds(const std::string& pathUtf8) const {
    return image_ && pathUtf8 == path_ && StampOf(pathUtf8) == stamp_;
}

std::shared_ptr<const TemplateImage> TemplateCache::Get(const std::string& pathUtf8,
                                                        std::shared_ptr<const TemplateImage> prepared) {
    const std::optional<FileStamp> stamp = StampOf(pathUtf8);
    if (!prepared && image_ && pathUtf8 == path_ && stamp == stamp_) {
        return image_;
    }
    // The template kept so far goes before the next is read: a batch needs
    // one at a time, and large forms take much memory.
    image_.reset();
    std::shared_ptr<const TemplateImage> image =
        prepared ? std::move(prepared) : std::make_shared<const TemplateImage>(pathUtf8);
    if (stamp) {
        path_ = pathUtf8;
        stamp_ = *stamp;
        image_ = image;
    }
    return image;
}

void TemplateAhead::Begin(const std::string& pathUtf8, TemplateImage::Preparation preparation) {
    image_ = {};
    path_ = pathUtf8;
    stamp_ = StampOf(pathUtf8);
    if (!stamp_) return;
    try {
        image_ = std::async(std::launch::async, [pathUtf8, preparation] {
            return std::make_shared<const TemplateImage>(pathUtf8, preparation);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the open prepares the template itself.
    }
}

std::shared_ptr<const TemplateImage> TemplateAhead::Take(const std::string& pathUtf8) {
    if (!image_.valid() || pathUtf8 != path_) return nullptr;
    std::future<std::shared_ptr<const TemplateImage>> image = std::move(image_);
    try {
        std::shared_ptr<const TemplateImage> prepared = image.get();
        return StampOf(pathUtf8) == stamp_ ? prepared : nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace tarnfold::word::docx
