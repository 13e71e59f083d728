#pragma once
// A private-profile (INI) file read and written by the rules the Windows
// profile functions follow: code page 1251 on disk, CR LF line ends, section
// and key names matched without regard to letter case, values read trimmed and
// without one pair of enclosing quotation marks. A file a desktop editor saved
// in UTF-8 or with other line ends reads as well (SettingsLines); a file that
// would hold a character the code page lacks, or whose code-page bytes would
// read as UTF-8, is written in UTF-8 instead, and
// a value that reading would trim or unquote is written within quotation marks.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnfold {

class ProfileFile {
public:
    // Reads the file now. A missing file reads as empty and is created by the
    // first commit; a file that exists but cannot be read also reads as empty,
    // and a commit then fails instead of replacing what it holds.
    explicit ProfileFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    // A section counts as present only when it holds at least one key.
    bool SectionExists(std::string_view section) const;
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;

    // A key written again keeps its place; a new key goes to the end of its
    // section, a new section to the end of the file. Nothing reaches the disk
    // before Commit.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Puts the changes on disk in one piece; a file whose content would not
    // change is left alone. Throws Error("Unable to write to <file name>").
    void Commit();

private:
    struct Span {
        std::size_t header;  // index of the "[name]" line
        std::size_t end;     // index of the next section's header, or the line count
    };
    std::optional<Span> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(const Span& span, std::string_view key) const;
    std::string Render() const;

    std::string fileName_;
    bool readable_ = true;
    std::string original_;            // the bytes on disk when read
    std::vector<std::string> lines_;  // UTF-8, without line ends
};

}  // namespace tarnfold
