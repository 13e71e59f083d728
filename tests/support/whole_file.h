#pragma once
// A whole file as bytes, for tests that look at what a program wrote. A file
// that is not there reads as empty: the checks on its content then fail and
// say what was expected.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tarnfold::testing {

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tarnfold::testing
