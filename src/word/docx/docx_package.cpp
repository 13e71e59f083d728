#include "word/docx/docx_package.h"

#include "core/error.h"
#include "core/text.h"
#include "word/docx/bookmark_edit.h"
#include "word/docx/part_encoding.h"

#include <pugixml.hpp>

#include <map>

namespace tarnfold::word::docx {

namespace {

constexpr std::string_view kMainPart = "word/document.xml";

// Relationship types whose targets are stories that can hold bookmarks.
constexpr std::string_view kStoryTypes[] = {"/header", "/footer", "/footnotes", "/endnotes"};

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The relationships part of a part: "word/document.xml" has
// "word/_rels/document.xml.rels".
std::string RelationshipsOf(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
    const std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
    return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

struct Relationship {
    std::string type;
    std::string target;
};

// The internal relationships of a part; a missing or unreadable relationships
// part has none.
std::vector<Relationship> ReadRelationships(const ZipReader& zip, std::string_view part) {
    std::vector<Relationship> relationships;
    const auto entry = zip.Find(RelationshipsOf(part));
    if (!entry) {
        return relationships;
    }
    std::string data = zip.Read(*entry);
    const auto encoding = DecodePart(data);
    pugi::xml_document xml;
    if (!encoding || !xml.load_buffer_inplace(data.data(), data.size(), pugi::parse_default, *encoding)) {
        return relationships;
    }
    for (pugi::xml_node r : xml.document_element().children()) {
        if (std::string_view(r.attribute("TargetMode").value()) == "External") {
            continue;
        }
        relationships.push_back({r.attribute("Type").value(), r.attribute("Target").value()});
    }
    return relationships;
}

// The main document part named by the package's relationships, or the usual
// name when the package does not say.
std::string MainPartName(const ZipReader& zip) {
    for (const Relationship& r : ReadRelationships(zip, "")) {
        if (EndsWith(r.type, "/officeDocument")) {
            return ResolvePartName("", r.target);
        }
    }
    return std::string(kMainPart);
}

// An encoding name from a file, fit to be quoted in a message.
std::string Shown(std::string_view name) {
    constexpr std::size_t kLongest = 40;
    std::string shown;
    for (const char c : name.substr(0, kLongest)) {
        shown += c > ' ' && c < '\x7F' ? c : '?';
    }
    return name.size() > kLongest ? shown + "..." : shown;
}

// Parts are written back in UTF-8 whatever they were read in, so a
// declaration that names another encoding is made to say so.
void DeclareUtf8(pugi::xml_document& xml) {
    const pugi::xml_node declaration = xml.first_child();
    if (declaration.type() != pugi::node_declaration) {
        return;
    }
    pugi::xml_attribute encoding = declaration.attribute("encoding");
    if (encoding && LowerAscii(encoding.value()) != "utf-8") {
        encoding.set_value("UTF-8");
    }
}

}  // namespace

std::string ResolvePartName(std::string_view sourcePart, std::string_view target) {
    std::string joined;
    if (!target.empty() && target.front() == '/') {
        joined = target.substr(1);
    } else {
        const std::size_t slash = sourcePart.rfind('/');
        if (slash != std::string_view::npos) {
            joined = sourcePart.substr(0, slash + 1);
        }
        joined += target;
    }
    std::vector<std::string> segments;
    std::size_t begin = 0;
    while (begin <= joined.size()) {
        std::size_t slash = joined.find('/', begin);
        if (slash == std::string::npos) {
            slash = joined.size();
        }
        const std::string segment = joined.substr(begin, slash - begin);
        if (segment == "..") {
            if (!segments.empty()) {
                segments.pop_back();
            }
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        begin = slash + 1;
    }
    std::string name;
    for (const std::string& segment : segments) {
        if (!name.empty()) {
            name += '/';
        }
        name += segment;
    }
    return name;
}

std::vector<StoryPart> StoryParts(const ZipReader& zip) {
    const std::string main = MainPartName(zip);
    const auto mainEntry = zip.Find(main);
    if (!mainEntry) {
        throw Error("Файл " + Quoted(zip.Path()) + " не является документом Word: в нём нет части " + main);
    }
    std::vector<StoryPart> parts{{main, *mainEntry}};
    for (const Relationship& r : ReadRelationships(zip, main)) {
        bool story = false;
        for (std::string_view type : kStoryTypes) {
            story = story || EndsWith(r.type, type);
        }
        if (!story) {
            continue;
        }
        std::string name = ResolvePartName(main, r.target);
        const auto entry = zip.Find(name);
        bool known = false;
        for (const StoryPart& part : parts) {
            known = known || part.entry == entry;
        }
        if (entry && !known) {
            parts.push_back({std::move(name), *entry});
        }
    }
    return parts;
}

DocxPackage::DocxPackage(const std::string& pathUtf8) : path_(pathUtf8), zip_(pathUtf8) {
    for (const StoryPart& part : StoryParts(zip_)) {
        LoadPart(part.name, part.entry);
    }
    zip_.CheckCopyable();
}

void DocxPackage::LoadPart(const std::string& name, std::uint64_t entry) {
    auto part = std::make_unique<XmlPart>();
    part->name = name;
    part->entry = entry;
    part->source = zip_.Read(entry);
    const auto encoding = DecodePart(part->source);
    if (!encoding) {
        throw Error("Файл " + Quoted(path_) + " не удаётся прочитать: часть " + name +
                    " записана в неподдерживаемой кодировке " + Quoted(Shown(DeclaredEncoding(part->source))));
    }
    // Blank-only text is content in WordprocessingML (a w:t holding one blank),
    // and the declaration and comments are kept so unchanged markup stays as it was.
    const pugi::xml_parse_result result = part->xml.load_buffer_inplace(
        part->source.data(), part->source.size(), pugi::parse_full | pugi::parse_ws_pcdata, *encoding);
    if (!result) {
        throw Error("Файл " + Quoted(path_) + " повреждён: часть " + name + " не читается как XML (позиция " +
                    std::to_string(result.offset) + ")");
    }
    DeclareUtf8(part->xml);
    const pugi::xml_node root = part->xml.document_element();
    part->names.emplace(root);
    if (!part->names->Known()) {
        throw Error("Файл " + Quoted(path_) + " не является документом Word: часть " + name +
                    " не содержит разметки WordprocessingML");
    }
    index_.AddPart(*part);
    parts_.push_back(std::move(part));
}

void SavePart(const XmlPart& part, std::string& out) {
    // Filled text adds little to a part: room for a tenth more spares the
    // copies of a growing string.
    out.reserve(part.source.size() + part.source.size() / 10);
    StringWriter writer(out);
    part.xml.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
}

bool DocxPackage::HasBookmark(std::string_view name) const { return index_.Find(name) != nullptr; }

const BookmarkRef& DocxPackage::Require(std::string_view name) const {
    const BookmarkRef* bookmark = index_.Find(name);
    if (bookmark == nullptr) {
        throw Error("В документе нет закладки " + Quoted(name));
    }
    return *bookmark;
}

void DocxPackage::InsertBeforeBookmark(std::string_view name, std::string_view text) {
    docx::InsertBeforeBookmark(Require(name), text);
}

void DocxPackage::TypeAtBookmark(std::string_view name, std::string_view text) {
    docx::TypeAtBookmark(Require(name), text);
}

void DocxPackage::GoToBookmark(std::string_view name) const { Require(name); }

void DocxPackage::SaveAs(const std::string& pathUtf8) {
    std::map<std::uint64_t, std::string> replaced;
    for (const auto& part : parts_) {
        if (!part->changed) {
            continue;
        }
        SavePart(*part, replaced[part->entry]);
    }
    WritePackage(zip_, pathUtf8, replaced);
    path_ = pathUtf8;
    saved_ = true;
}

void DocxPackage::Save() { SaveAs(path_); }

}  // namespace tarnfold::word::docx
