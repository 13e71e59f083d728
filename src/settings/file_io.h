#pragma once
// Whole-file reading and replacing for the small text files the settings live in.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnfold {

// The file's bytes; with maxLines > 0 reading stops once that many line feeds
// have been read. Throws Error with the system's text for the failure and the
// file's name.
std::string ReadFileBytes(const std::string& fileName, std::size_t maxLines = 0);

// A settings file's bytes as UTF-8 lines without their ends, however a desktop
// editor saved it: the encoding as DecodeUtf8OrCp1251 tells it; lines ending in
// LF or CR LF, or, in a text without any LF, in CR alone (old Mac style). Any
// other CR stays part of its line.
std::vector<std::string> SettingsLines(std::string_view bytes);

// Writes the bytes to a new file beside the old one and then puts it in the
// old one's place, so a failure leaves the old file as it was. Throws
// Error("Unable to write to " + fileName).
void ReplaceFileAtomically(const std::string& fileName, std::string_view bytes);

}  // namespace tarnfold
