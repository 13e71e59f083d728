// The .docx reader, filling and writing, on the XML of the parts: the input
// is the main document part, then optionally "\n--part--\n" and a header
// part, then "\n--part--\n" and the main part's relationships (by default
// they name the header). The package around them is built here, so every
// mutation reaches the XML instead of breaking the zip's checksums.

#include <zip.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "docx_fill.h"

namespace tarnfold::fuzz {
namespace {

constexpr std::string_view kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
    R"(</Types>)";
constexpr std::string_view kPackageRelationships =
    R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)"
    R"(</Relationships>)";
constexpr std::string_view kHeaderRelationships =
    R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/header" Target="header1.xml"/>)"
    R"(</Relationships>)";

void BuildPackage(const std::string& path, const std::vector<std::pair<std::string, std::string_view>>& entries) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    Check(zip != nullptr, "the package can be created");
    for (const auto& [name, data] : entries) {
        zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
        const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        Check(index >= 0, "an entry can be added");
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    Check(zip_close(zip) == 0, "the package can be written");
}

}  // namespace
}  // namespace tarnfold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnfold::fuzz;
    const auto parts = SplitAt(std::string_view(reinterpret_cast<const char*>(data), size), "\n--part--\n");
    ClearScratch();
    std::vector<std::pair<std::string, std::string_view>> entries = {{"[Content_Types].xml", kContentTypes},
                                                                     {"_rels/.rels", kPackageRelationships},
                                                                     {"word/document.xml", parts[0]}};
    if (parts.size() > 1) {
        entries.emplace_back("word/header1.xml", parts[1]);
        entries.emplace_back("word/_rels/document.xml.rels", parts.size() > 2 ? parts[2] : kHeaderRelationships);
    }
    const std::string path = (ScratchFolder() / "template.docx").string();
    BuildPackage(path, entries);
    FillSaveAndReopen(path);
    return 0;
}
