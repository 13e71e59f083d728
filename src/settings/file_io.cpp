#include "settings/file_io.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#include "core/error.h"
#include "core/file_reading.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/text.h"

namespace tarnfold {

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
    if (!MayReplaceFile(target)) throw Error("Unable to write to " + fileName);
    std::error_code ec;

    bool written = false;
    if (FileHandle file = OpenFile(temporary, "wb")) {
        written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() && SyncStream(file.get());
        written = std::fclose(file.release()) == 0 && written;
    }
    if (written) {
        const auto oldStatus = std::filesystem::status(target, ec);
        if (!ec && std::filesystem::is_regular_file(oldStatus))
            std::filesystem::permissions(temporary, oldStatus.permissions(), ec);
        written = MoveReplacing(temporary, target);
    }
    if (!written) {
        std::filesystem::remove(temporary, ec);
        throw Error("Unable to write to " + fileName);
    }
}

}  // namespace tarnfold
