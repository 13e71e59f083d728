#include "word/conversion/template_conversion.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/system_error.h"
#include "core/paths.h"
#include "core/text.h"

namespace tarnfold::word::conversion {

namespace {

namespace fs = std::filesystem;

bool IsTemplateName(const std::string& name) {
    return EndsWith(LowerAscii(name), ".doc") && !StartsWith(name, "~$");
}

std::string Stem(const std::string& name) {
    return name.substr(0, name.rfind('.'));
}

#ifdef _WIN32
unsigned long ProcessId() { return GetCurrentProcessId(); }

// Moves `from` to `to` unless a file of that name is there; false then.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (MoveFileExW(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str(), MOVEFILE_COPY_ALLOWED) != FALSE) return true;
    const DWORD failure = GetLastError();
    if (failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS) return false;
    throw Error("Не удалось переименовать " + from + " в " + to + ": " +
                SystemErrorText(std::error_code(static_cast<int>(failure), std::system_category())));
}
#else
unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    const int failure = errno;
    if (failure == EEXIST) return false;
    // Network shares may not know the exclusive rename: the existence check
    // right before the plain one is as close as they allow.
    if (failure != EINVAL && failure != ENOSYS && failure != ENOTSUP) {
        throw Error("Не удалось переименовать " + from + " в " + to + ": " + SystemErrorText(failure));
    }
    std::error_code ec;
    if (fs::exists(fs::symlink_status(PathFromUtf8(to), ec))) return false;
    fs::rename(PathFromUtf8(from), PathFromUtf8(to), ec);
    if (ec) throw Error("Не удалось переименовать " + from + " в " + to + ": " + SystemErrorText(ec));
    return true;
}
#endif

// The copy in the making: a hidden name of its own beside the final one (so
// the final rename stays inside one file system), deleted unless it was moved
// into place.
class PendingCopy {
public:
    PendingCopy(const std::string& outFolder, const std::string& stem)
        : path_(PathToUtf8(PathFromUtf8(outFolder) / ("." + stem + ".converting-" + std::to_string(ProcessId()) +
                                                       ".docx"))) {
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

TemplateConversion ConvertTemplate(TemplateConverter& office, const std::string& source,
                                   const std::string& outFolder) {
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
