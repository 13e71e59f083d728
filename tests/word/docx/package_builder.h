#pragma once
// Hand-made .docx packages for the tests, and a look at what a package holds
// entry by entry, compressed bytes included.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnfold::testing {

inline constexpr std::string_view kWordNamespace = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

struct PackageEntry {
    std::string name;
    std::string data;
    bool stored = false;  // written without compression, as pictures often are
};

// Writes the entries, in their order, as a zip archive.
void WriteZip(const std::string& path, const std::vector<PackageEntry>& entries);

// A main document part whose body holds `body`, with the main namespace bound
// to `prefix` (the elements in `body` must use it).
std::string DocumentXml(std::string_view body, std::string_view prefix = "w");
// A header ("hdr") or footer ("ftr") part holding `content`.
std::string StoryXml(std::string_view kind, std::string_view content, std::string_view prefix = "w");

struct MiniDocx {
    std::string document;
    std::vector<std::string> headers;  // parts word/header1.xml, ...
    std::vector<std::string> footers;  // parts word/footer1.xml, ...
    std::vector<PackageEntry> extra;   // further entries, written last
};

// A package whose main document is its only story.
MiniDocx OnlyDocument(std::string documentXml);

// A complete package: content types, relationships, the parts given, a style
// part and an uncompressed picture, so that untouched entries of both kinds
// can be compared after a save.
void WriteDocx(const std::string& path, const MiniDocx& docx);

struct RawEntry {
    std::string name;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::string compressed;  // the entry's bytes as stored in the archive
};

// What the zip directory says of an entry: its sizes and where its local
// header lies in the file.
struct DirectoryRecord {
    std::uint32_t compressed = 0;
    std::uint32_t size = 0;
    std::uint32_t localHeader = 0;
};

// Rewrites what the zip directory says of entry `name`, as a damaged or
// hostile package may misstate it; the entry's bytes stay as they are.
void PatchDirectoryRecord(const std::string& path, const std::string& name,
                          const std::function<void(DirectoryRecord&)>& change);

std::vector<RawEntry> ReadRawEntries(const std::string& path);
// Every entry's name and contents, uncompressed, in the package's order.
std::vector<std::pair<std::string, std::string>> ReadAllEntries(const std::string& path);
// An entry's contents, uncompressed; fails the test when it is missing.
std::string ReadEntry(const std::string& path, const std::string& name);

}  // namespace tarnfold::testing
