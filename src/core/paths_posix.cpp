#include "core/paths.h"

#include <filesystem>
#include <system_error>

namespace tarnfold {

char PathSeparator() { return '/'; }

std::string ProgramFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    return FolderPart(PathToUtf8(exe));
}

}  // namespace tarnfold
