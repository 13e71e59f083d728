#pragma once
// Reading a whole file into memory, for the small files the program reads:
// settings, lock files, what the system tells about processes.

#include <cstddef>
#include <string>

namespace tarnfold {

// The file's bytes; with maxLines > 0 reading stops once that many line feeds
// have been read. Throws Error with the system's text for the failure and the
// file's name.
std::string ReadFileBytes(const std::string& fileName, std::size_t maxLines = 0);

}  // namespace tarnfold
