#include "word/office_lock.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/paths.h"
#include "core/text.h"

namespace tarnfold::word {

namespace {

// A lock file is a few dozen bytes; anything longer is not one of an office.
constexpr std::size_t kLongestLock = 4096;
constexpr std::size_t kLongestField = 200;

std::vector<std::string> Fields(std::string_view text) {
    std::vector<std::string> fields(1);
    for (const char c : text) {
        if (c == ';' || c == '\n' || c == '\r') break;
        if (c == ',') {
            fields.emplace_back();
        } else if (fields.back().size() < kLongestField && static_cast<unsigned char>(c) >= 0x20) {
            fields.back() += c;
        }
    }
    return fields;
}

}  // namespace

std::string OfficeLockPath(const std::string& documentPath) {
    return FolderPart(documentPath) + ".~lock." + FileNamePart(documentPath) + "#";
}

OfficeLock ParseOfficeLock(std::string_view text) {
    const std::vector<std::string> fields = Fields(text.substr(0, kLongestLock));
    const auto field = [&](std::size_t i) {
        return i < fields.size() ? ReplaceBrokenUtf8(Trim(fields[i])) : std::string();
    };
    OfficeLock lock;
    lock.user = field(0).empty() ? field(1) : field(0);
    lock.host = field(2);
    lock.since = field(3);
    lock.profileUrl = field(4);
    return lock;
}

std::optional<OfficeLock> ReadOfficeLock(const std::string& documentPath) {
    const std::string path = OfficeLockPath(documentPath);
    if (!FileExists(path)) return std::nullopt;
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    std::string text(kLongestLock, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    OfficeLock lock = ParseOfficeLock(text);
    lock.path = path;
    return lock;
}

std::string DescribeOfficeLock(const OfficeLock& lock) {
    std::string text = "LibreOffice";
    if (!lock.user.empty()) text += ": пользователь " + lock.user;
    if (!lock.host.empty()) text += (lock.user.empty() ? ": компьютер " : " на компьютере ") + lock.host;
    if (!lock.since.empty()) text += " с " + lock.since;
    return text + "; файл блокировки " + lock.path;
}

void RemoveOfficeLeftovers(const std::string& folder, const std::string& profileUrl,
                           std::filesystem::file_time_type since) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        std::error_code ignored;
        if (name.size() > 8 && name.rfind(".~lock.", 0) == 0 && name.back() == '#') {
            const std::string document =
                PathToUtf8(it->path().parent_path() / PathFromUtf8(name.substr(7, name.size() - 8)));
            const std::optional<OfficeLock> lock = ReadOfficeLock(document);
            if (lock && !lock->profileUrl.empty() && lock->profileUrl == profileUrl)
                std::filesystem::remove(it->path(), ignored);
        } else if (name.size() > 6 && name.rfind("lu", 0) == 0 && name.compare(name.size() - 4, 4, ".tmp") == 0) {
            const auto written = std::filesystem::last_write_time(it->path(), ignored);
            if (!ignored && written >= since) std::filesystem::remove(it->path(), ignored);
        }
    }
}

}  // namespace tarnfold::word
