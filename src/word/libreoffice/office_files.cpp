#include "word/libreoffice/office_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>

#include "core/paths.h"
#include "core/system_error.h"
#include "core/text.h"

namespace tarnfold::word {

std::string FilterForOutput(const std::string& path) {
    const std::string extension = LowerAscii(PathToUtf8(PathFromUtf8(path).extension()));
    if (extension == ".docx") return "MS Word 2007 XML";
    if (extension == ".odt") return "writer8";
    return "MS Word 97";
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (AbsolutePath(a) == AbsolutePath(b)) return true;
    std::error_code ec;
    return std::filesystem::equivalent(PathFromUtf8(a), PathFromUtf8(b), ec) && !ec;
}

std::string StoreObstacle(const std::string& path) {
    const std::filesystem::path target = AbsolutePath(path);
    for (const auto& part : target)
        if (part.native().size() > NAME_MAX) return SystemErrorText(ENAMETOOLONG);
    if (target.native().size() >= PATH_MAX) return SystemErrorText(ENAMETOOLONG);
    std::error_code ec;
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) return "папка " + PathToUtf8(target.parent_path()) + ": " + SystemErrorText(ec);
    // A probe of the size a small document needs, pushed to the disk.
    const std::filesystem::path probe = target.parent_path() / ".~tarnfold-probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return SystemErrorText(errno);
    const std::string block(64 * 1024, '\0');
    int failure = 0;
    const ssize_t written = ::write(fd, block.data(), block.size());
    if (written < 0) {
        failure = errno;
    } else if (written != static_cast<ssize_t>(block.size())) {
        failure = ENOSPC;
    } else if (::fsync(fd) != 0) {
        failure = errno;
    }
    ::close(fd);
    std::filesystem::remove(probe, ec);
    return failure ? SystemErrorText(failure) : std::string();
}

bool NoRoomLeft(const std::string& path) {
    // Less than a small document needs; a store that failed half-way leaves
    // its partial file occupying the rest.
    constexpr std::uintmax_t kSmallDocument = 1 << 20;
    std::error_code ec;
    const std::filesystem::space_info space = std::filesystem::space(AbsolutePath(path).parent_path(), ec);
    return !ec && space.available < kSmallDocument;
}

bool IsWordFilter(const std::string& filterName) {
    return filterName.rfind("MS Word", 0) == 0 || filterName.rfind("MS WinWord", 0) == 0 ||
           filterName == "Office Open XML Text" || filterName == "Rich Text Format";
}

}  // namespace tarnfold::word
