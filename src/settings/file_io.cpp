#include "settings/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "core/error.h"
#include "core/file_reading.h"
#include "core/paths.h"
#include "core/text.h"

namespace tarnfold {
namespace {

// Pushes the bytes to the disk before the rename makes them the settings.
bool SyncToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// A file marked read-only stays as it is, even where its folder would let a
// new file take its place.
bool MayReplace(const std::filesystem::path& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
#else
    return access(path.c_str(), W_OK) == 0 || errno == ENOENT;
#endif
}

bool MoveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
#endif
}

}  // namespace

std::vector<std::string> SettingsLines(std::string_view bytes) {
    const std::string text = DecodeUtf8OrCp1251(bytes);
    const bool crOnly = text.find('\n') == std::string::npos;
    const char end = crOnly ? '\r' : '\n';
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t stop = std::min(text.find(end, start), text.size());
        std::string line = text.substr(start, stop - start);
        if (!crOnly && !line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = stop + 1;
    }
    return lines;
}

void ReplaceFileAtomically(const std::string& fileName, std::string_view bytes) {
    const std::filesystem::path target = PathFromUtf8(fileName);
    std::filesystem::path temporary = target;
    temporary += ".tmp" + std::to_string(std::random_device{}() % 1000000);
    if (!MayReplace(target)) throw Error("Unable to write to " + fileName);
    std::error_code ec;

    bool written = false;
    if (FileHandle file = OpenFile(temporary, "wb")) {
        written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() && SyncToDisk(file.get());
        written = std::fclose(file.release()) == 0 && written;
    }
    if (written) {
        const auto oldStatus = std::filesystem::status(target, ec);
        if (!ec && std::filesystem::is_regular_file(oldStatus))
            std::filesystem::permissions(temporary, oldStatus.permissions(), ec);
        written = MoveIntoPlace(temporary, target);
    }
    if (!written) {
        std::filesystem::remove(temporary, ec);
        throw Error("Unable to write to " + fileName);
    }
}

}  // namespace tarnfold
