#include "package_builder.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace tarnfold::testing {

namespace {

std::string Namespaces(std::string_view prefix) {
    const std::string p(prefix);
    return " xmlns:" + p + "=\"" + std::string(kWordNamespace) +
           "\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
}

std::uint32_t Little32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(at + i))) << (8 * i);
    }
    return value;
}

std::uint16_t Little16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(Little32(bytes, at) & 0xFFFF);
}

void SetLittle32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes.at(at + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

}  // namespace

void WriteZip(const std::string& path, const std::vector<PackageEntry>& entries) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (zip == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    for (const PackageEntry& e : entries) {
        zip_source_t* source = zip_source_buffer(zip, e.data.data(), e.data.size(), 0);
        const zip_int64_t index = zip_file_add(zip, e.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(zip);
            throw std::runtime_error("cannot add " + e.name);
        }
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), e.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        throw std::runtime_error("cannot write " + path);
    }
}

std::string DocumentXml(std::string_view body, std::string_view prefix) {
    const std::string p(prefix);
    return std::string(kDeclaration) + "<" + p + ":document" + Namespaces(prefix) + "><" + p + ":body>" +
           std::string(body) + "<" + p + ":sectPr/></" + p + ":body></" + p + ":document>";
}

std::string StoryXml(std::string_view kind, std::string_view content, std::string_view prefix) {
    const std::string p(prefix);
    const std::string k(kind);
    return std::string(kDeclaration) + "<" + p + ":" + k + Namespaces(prefix) + ">" + std::string(content) + "</" + p +
           ":" + k + ">";
}

MiniDocx OnlyDocument(std::string documentXml) {
    MiniDocx docx;
    docx.document = std::move(documentXml);
    return docx;
}

void WriteDocx(const std::string& path, const MiniDocx& docx) {
    std::string types =
        std::string(kDeclaration) +
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "<Override PartName=\"/word/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>";
    std::string rels = std::string(kDeclaration) +
                       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                       "<Relationship Id=\"rIdS\" "
                       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
                       "Target=\"styles.xml\"/>"
                       "<Relationship Id=\"rIdI\" "
                       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" "
                       "Target=\"media/image1.png\"/>"
                       "<Relationship Id=\"rIdX\" "
                       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink\" "
                       "Target=\"http://example.org/\" TargetMode=\"External\"/>";
    std::vector<PackageEntry> stories;
    auto addStories = [&](const std::vector<std::string>& parts, const std::string& kind) {
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const std::string file = kind + std::to_string(i + 1) + ".xml";
            types += "<Override PartName=\"/word/" + file +
                     "\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml." + kind +
                     "+xml\"/>";
            // Headers are named from the package root, footers relative to the
            // document, as both forms occur.
            const std::string target = kind == "header" ? "/word/" + file : file;
            rels += "<Relationship Id=\"rId" + kind + std::to_string(i + 1) +
                    "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + kind +
                    "\" Target=\"" + target + "\"/>";
            stories.push_back({"word/" + file, parts[i]});
        }
    };
    addStories(docx.headers, "header");
    addStories(docx.footers, "footer");
    types += "</Types>";
    rels += "</Relationships>";

    std::vector<PackageEntry> entries = {
        {"[Content_Types].xml", types},
        {"_rels/.rels",
         std::string(kDeclaration) +
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" "
             "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
             "Target=\"word/document.xml\"/></Relationships>"},
        {"word/document.xml", docx.document},
        {"word/_rels/document.xml.rels", rels},
        {"word/styles.xml", StoryXml("styles", "<w:docDefaults/>")},
        {"word/media/image1.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR not really a picture", 33), true},
    };
    entries.insert(entries.end(), stories.begin(), stories.end());
    entries.insert(entries.end(), docx.extra.begin(), docx.extra.end());
    WriteZip(path, entries);
}

void PatchDirectoryRecord(const std::string& path, const std::string& name,
                          const std::function<void(DirectoryRecord&)>& change) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos) {
        throw std::runtime_error("no end of directory in " + path);
    }
    std::size_t at = Little32(bytes, end + 16);
    for (std::uint16_t i = Little16(bytes, end + 10); i > 0; --i) {
        const std::size_t nameLength = Little16(bytes, at + 28);
        if (bytes.compare(at + 46, nameLength, name) == 0 && nameLength == name.size()) {
            DirectoryRecord record{Little32(bytes, at + 20), Little32(bytes, at + 24), Little32(bytes, at + 42)};
            change(record);
            SetLittle32(bytes, at + 20, record.compressed);
            SetLittle32(bytes, at + 24, record.size);
            SetLittle32(bytes, at + 42, record.localHeader);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
            return;
        }
        at += 46 + nameLength + Little16(bytes, at + 30) + Little16(bytes, at + 32);
    }
    throw std::runtime_error(name + " not in the directory of " + path);
}

std::vector<RawEntry> ReadRawEntries(const std::string& path) {
    int error = 0;
    std::unique_ptr<zip_t, void (*)(zip_t*)> zip(zip_open(path.c_str(), ZIP_RDONLY, &error), zip_discard);
    if (!zip) {
        throw std::runtime_error("cannot open " + path);
    }
    std::vector<RawEntry> entries;
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_index(zip.get(), static_cast<zip_uint64_t>(i), 0, &st);
        RawEntry entry;
        entry.name = st.name;
        entry.method = st.comp_method;
        entry.crc = st.crc;
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
            zip_fopen_index(zip.get(), static_cast<zip_uint64_t>(i), ZIP_FL_COMPRESSED), zip_fclose);
        entry.compressed.resize(st.comp_size);
        if (!file ||
            zip_fread(file.get(), entry.compressed.data(), st.comp_size) != static_cast<zip_int64_t>(st.comp_size)) {
            throw std::runtime_error("cannot read " + entry.name + " of " + path);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string ReadEntry(const std::string& path, const std::string& name) {
    int error = 0;
    std::unique_ptr<zip_t, void (*)(zip_t*)> zip(zip_open(path.c_str(), ZIP_RDONLY, &error), zip_discard);
    if (!zip) {
        ADD_FAILURE() << "cannot open " << path;
        return {};
    }
    zip_stat_t st;
    if (zip_stat(zip.get(), name.c_str(), 0, &st) != 0) {
        ADD_FAILURE() << name << " missing in " << path;
        return {};
    }
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen(zip.get(), name.c_str(), 0), zip_fclose);
    std::string data(st.size, '\0');
    if (!file || zip_fread(file.get(), data.data(), st.size) != static_cast<zip_int64_t>(st.size)) {
        ADD_FAILURE() << "cannot read " << name << " of " << path;
        return {};
    }
    return data;
}

std::vector<std::pair<std::string, std::string>> ReadAllEntries(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> contents;
    for (const RawEntry& entry : ReadRawEntries(path)) {
        contents.emplace_back(entry.name, ReadEntry(path, entry.name));
    }
    return contents;
}

}  // namespace tarnfold::testing
