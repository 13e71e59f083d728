#pragma once
// A .docx document held in memory: its package, its parsed story parts (body,
// headers, footers, footnotes, endnotes) and one index of their bookmarks.

#include "word/docx/bookmark_index.h"
#include "word/docx/open_document.h"
#include "word/docx/xml_part.h"
#include "word/docx/zip_archive.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::word::docx {

class TemplateImage;

class DocxPackage : public OpenDocument {
public:
    // Reads and indexes the package; every failure is an Error naming the file.
    explicit DocxPackage(const std::string& pathUtf8);

    const std::string& Path() const override { return path_; }
    bool Saved() const override { return saved_; }

    bool HasBookmark(std::string_view name) const override;
    void InsertBeforeBookmark(std::string_view name, std::string_view text) override;
    void TypeAtBookmark(std::string_view name, std::string_view text) override;
    void GoToBookmark(std::string_view name) const override;

    void SaveAs(const std::string& pathUtf8) override;
    void Save() override;

    std::size_t BookmarkCount() const { return index_.Size(); }
    // The names the document's bookmarks are found by, one per bookmark as
    // the look-up counts them (where a name occurs twice, letter case aside,
    // the first spelling).
    const std::vector<std::string>& BookmarkNames() const { return index_.Names(); }
    // Every bookmark as the document spells it (see BookmarkIndex::Spellings).
    std::vector<std::string> BookmarkSpellings() const { return index_.Spellings(); }

private:
    // Prepares its splicing from the parsed parts and keeps the package open.
    friend class TemplateImage;

    void LoadPart(const std::string& name, std::uint64_t entry);
    const BookmarkRef& Require(std::string_view name) const;

    std::string path_;
    bool saved_ = false;
    ZipReader zip_;
    std::vector<std::unique_ptr<XmlPart>> parts_;
    BookmarkIndex index_;
};

// The parts of a package that can hold bookmarks, in the order a document
// reads them: the main part, then its headers, footers, footnotes and
// endnotes. A package without its main part is an Error.
struct StoryPart {
    std::string name;
    std::uint64_t entry = 0;
};
std::vector<StoryPart> StoryParts(const ZipReader& zip);

// The part's markup as a save writes it: UTF-8, no indentation added.
void SavePart(const XmlPart& part, std::string& out);

// Resolves a relationship's target against the folder of the part that names
// it, as package entry names are written ("word/media/../header1.xml" gives
// "word/header1.xml"; a target starting with "/" is from the package root).
std::string ResolvePartName(std::string_view sourcePart, std::string_view target);

}  // namespace tarnfold::word::docx
