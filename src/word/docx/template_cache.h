#pragma once
// The template prepared last, kept while its file stays as it was: a batch
// fills one form's template for institution after institution. And the
// template a run is about to open, prepared on a thread of its own while the
// run reads its figures.

#include "word/docx/template_image.h"

#include <cstdint>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>

namespace tarnfold::word::docx {

// What tells that a file is still the one read: its time and size.
struct FileStamp {
    std::filesystem::file_time_type time{};
    std::uintmax_t size = 0;
    bool operator==(const FileStamp&) const = default;
};

// Nothing when the file cannot be looked at.
std::optional<FileStamp> StampOf(const std::string& pathUtf8);

class TemplateCache {
public:
    // The prepared template of the file, prepared again when the file's time
    // or size has changed since; one template is kept at a time. `prepared`,
    // when given, is the file's template prepared ahead (see TemplateAhead).
    std::shared_ptr<const TemplateImage> Get(const std::string& pathUtf8,
                                             std::shared_ptr<const TemplateImage> prepared = nullptr);
    // Whether the file's template is kept and the file unchanged.
    bool Holds(const std::string& pathUtf8) const;
    void Clear() { image_.reset(); }

private:
    std::string path_;
    FileStamp stamp_;
    std::shared_ptr<const TemplateImage> image_;
};

// One template prepared ahead at a time, taken by the open of its file.
class TemplateAhead {
public:
    // Begins preparing the template; what was begun before and not taken is
    // dropped (once its preparation has ended).
    void Begin(const std::string& pathUtf8, TemplateImage::Preparation preparation);
    // The template begun for the file, once it is prepared, if the file is
    // still as it was; nothing otherwise, and when the preparation failed: the
    // open then prepares it itself and fails as it always does.
    std::shared_ptr<const TemplateImage> Take(const std::string& pathUtf8);

private:
    std::string path_;
    std::optional<FileStamp> stamp_;
    std::future<std::shared_ptr<const TemplateImage>> image_;
};

}  // namespace tarnfold::word::docx
