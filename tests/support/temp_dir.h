#pragma once
// A folder of its own for one test, removed with everything in it afterwards.

#include <filesystem>
#include <random>
#include <string>

#include "core/paths.h"

namespace tarnfold::testing {

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ =
            std::filesystem::temp_directory_path() / ("tarnfold-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder as text (UTF-8) with a trailing separator, as the program folder reads.
    std::string Folder() const { return PathToUtf8(path_) + PathSeparator(); }
    std::string File(const std::string& name) const { return PathToUtf8(path_ / PathFromUtf8(name)); }

private:
    std::filesystem::path path_;
};

}  // namespace tarnfold::testing
