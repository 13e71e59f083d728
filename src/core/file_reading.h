#pragma once
// Reading a whole file into memory, for the small files the program reads:
// settings, lock files, what the system tells about processes.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace tarnfold {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file by its path (wide on Windows, so any name opens) in a C
// library mode such as "rb" or "wb"; empty on failure, errno telling why.
FileHandle OpenFile(const std::filesystem::path& path, const char* mode);

// The file's bytes; with maxLines > 0 reading stops once that many line feeds
// have been read. Throws Error with the system's text for the failure and the
// file's name.
std::string ReadFileBytes(const std::string& fileName, std::size_t maxLines = 0);

}  // namespace tarnfold
