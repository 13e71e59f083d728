#include "core/file_reading.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/error.h"
#include "core/paths.h"
#include "core/system_error.h"

namespace tarnfold {
namespace {

[[noreturn]] void ThrowSystemError(int code, const std::string& fileName) {
    throw Error(SystemErrorText(code) + ": " + fileName);
}

}  // namespace

std::string ReadFileBytes(const std::string& fileName, std::size_t maxLines) {
    errno = 0;
    FileHandle file = OpenFile(PathFromUtf8(fileName), "rb");
    if (!file) ThrowSystemError(errno ? errno : EIO, fileName);
    std::string bytes;
    std::size_t lines = 0;
    char buffer[4096];
    while (maxLines == 0 || lines < maxLines) {
        errno = 0;
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        if (n == 0) {
            if (std::ferror(file.get())) ThrowSystemError(errno ? errno : EIO, fileName);
            break;
        }
        for (std::size_t i = 0; i < n && (maxLines == 0 || lines < maxLines); ++i) {
            bytes.push_back(buffer[i]);
            if (buffer[i] == '\n') ++lines;
        }
    }
    return bytes;
}

}  // namespace tarnfold
