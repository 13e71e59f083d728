#pragma once
// The small text files the settings live in: their lines as any editor may
// have saved them, and replacing one without ever leaving half a file.

#include <string>
#include <string_view>
#include <vector>

namespace tarnfold {

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
