#include "word/conversion/template_conversion.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/files.h"
#include "core/system_error.h"
#include "core/paths.h"
#include "core/text.h"

namespace tarnfold::word::conversion {

namespace {

namespace fs = std::filesystem;

bool IsTemplateName(const std::string& name) { return EndsWith(LowerAscii(name), ".doc") && !StartsWith(name, "~$"); }

std::string Stem(const std::string& name) { return name.substr(0, name.rfind('.')); }

// The copy in the making: a hidden name of its own beside the final one (so
// the final rename stays inside one file system), deleted unless it was moved
// into place.
class PendingCopy {
public:
    PendingCopy(const std::string& outFolder, const std::string& stem)
        : path_(PathToUtf8(PathFromUtf8(outFolder) /
                           ("." + stem + ".converting-" + std::to_string(CurrentProcessId()) + ".docx"))) {
        Remove();
    }
    ~PendingCopy() {
        if (!placed_) Remove();
    }
    PendingCopy(const PendingCopy&) = delete;
    PendingCopy& operator=(const PendingCopy&) = delete;

    const std::string& Path() const { return path_; }

    // Moves the copy to `target` unless a file of that name appeared in the
    // meantime; false then, and the copy is deleted.
    bool MoveTo(const std::string& target) {
        placed_ = RenameWithoutReplacing(path_, target);
        return placed_;
    }

private:
    void Remove() {
        std::error_code ec;
        fs::remove(PathFromUtf8(path_), ec);
    }

    std::string path_;
    bool placed_ = false;
};

}  // namespace

std::vector<std::string> TemplatesToConvert(const std::string& folder) {
    std::vector<std::string> templates;
    std::error_code ec;
    for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        std::error_code typeError;
        if (IsTemplateName(name) && it->is_regular_file(typeError)) templates.push_back(PathToUtf8(it->path()));
    }
    if (ec) throw Error("Не удалось прочитать папку " + folder + ": " + SystemErrorText(ec));
    std::sort(templates.begin(), templates.end());
    return templates;
}

std::string ConvertedName(const std::string& source, const std::string& outFolder) {
    const std::string stem = Stem(PathToUtf8(PathFromUtf8(source).filename()));
    return PathToUtf8(PathFromUtf8(outFolder) / (stem + ".docx"));
}

TemplateConversion ConvertTemplate(TemplateConverter& office, const std::string& source, const std::string& outFolder) {
    TemplateConversion result;
    result.source = source;
    result.target = ConvertedName(source, outFolder);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(PathFromUtf8(result.target), ec))) {
        result.outcome = ConversionOutcome::Skipped;
        return result;
    }
    office.Reach();
    try {
        PendingCopy copy(outFolder, Stem(PathToUtf8(PathFromUtf8(source).filename())));
        const std::vector<std::string> original = office.CopyListingBookmarks(source, copy.Path());
        result.bookmarks = CompareBookmarks(original, office.BookmarksOfCopy(copy.Path()));
        if (!result.bookmarks.Survived()) {
            result.outcome = ConversionOutcome::Refused;
        } else {
            result.outcome = copy.MoveTo(result.target) ? ConversionOutcome::Converted : ConversionOutcome::Skipped;
        }
    } catch (const Error& failure) {
        result.outcome = ConversionOutcome::Failed;
        result.error = failure.what();
    }
    return result;
}

}  // namespace tarnfold::word::conversion
