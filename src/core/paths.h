#pragma once
// Folder and file names as the system builds them. Windows names use "\"; on
// Linux a name that holds no backslash is joined with "/".

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnfold {

// Empty stays empty; a text ending in ":", "\" or "/" is unchanged; a single
// letter gets ":\"; any other text gets a separator: "\" when it holds a
// backslash (or on Windows), "/" otherwise on Linux.
std::string FolderWithTrailingSeparator(std::string_view folder);

// Position of the last "\", "/" or ":" in a path, or npos.
std::size_t LastSeparator(std::string_view path);
// Everything up to and including the last separator ("" when there is none).
std::string FolderPart(std::string_view path);
// The name after the last separator.
std::string FileNamePart(std::string_view path);

// The folder of the running program, with a trailing separator.
std::string ProgramFolder();

// The separator used between a folder text and a file name on this platform.
char PathSeparator();

// A UTF-8 name as a file-system path on every platform.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// A UTF-8 path made absolute and normal (the path itself when that fails).
std::filesystem::path AbsolutePath(const std::string& path);
// A UTF-8 path, made absolute, as a file URL with its bytes percent-encoded.
std::string FileUrl(const std::string& path);
// The path a file URL names (escapes decoded); empty for other URLs.
std::string PathFromFileUrl(const std::string& url);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

}  // namespace tarnfold
