#pragma once
// What the fuzz targets share: a scratch folder of their own, whole-file
// reading and writing, and a check that stops the run with a message.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::fuzz {

// A failed invariant is a finding: libFuzzer keeps the input that caused it.
[[noreturn]] inline void Fail(std::string_view what) {
    std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void Check(bool condition, std::string_view what) {
    if (!condition) Fail(what);
}

// One folder per process, on a memory file system where there is one: the
// settings are synced to disk on every write, which a real disk makes slow.
inline const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec) || access(base.c_str(), W_OK) != 0)
            base = std::filesystem::temp_directory_path();
        std::string name = (base / "tarnfold-fuzz-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) Fail("no scratch folder");
        static const std::filesystem::path made = name;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
        return made;
    }();
    return folder;
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) Fail("cannot write a scratch file");
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Empties the scratch folder between inputs, so one input's files never
// reach the next.
inline void ClearScratch() {
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder()))
        std::filesystem::remove_all(entry.path());
}

// The pieces of `bytes` between occurrences of `separator`.
inline std::vector<std::string_view> SplitAt(std::string_view bytes, std::string_view separator) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t at = bytes.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.push_back(bytes.substr(start));
            return pieces;
        }
        pieces.push_back(bytes.substr(start, at - start));
        start = at + separator.size();
    }
}

}  // namespace tarnfold::fuzz
