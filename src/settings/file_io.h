#pragma once
// Whole-file reading and replacing for the small text files the settings live in.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnfold {

// The file's bytes; with maxLines > 0 reading stops once that many line feeds
// have been read. Throws Error with the system's text for the failure and the
// file's name.
std::string ReadFileBytes(const std::string& fileName, std::size_t maxLines = 0);

// Writes the bytes to a new file beside the old one and then puts it in the
// old one's place, so a failure leaves the old file as it was. Throws
// Error("Unable to write to " + fileName).
void ReplaceFileAtomically(const std::string& fileName, std::string_view bytes);

}  // namespace tarnfold
