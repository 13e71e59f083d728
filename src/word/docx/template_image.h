#pragma once
// A .docx template read, parsed and indexed once, from which many documents
// are made without parsing it again: the template's parts are kept as the
// save writes them, with the places where each bookmark's text goes, so that
// a document is its texts spliced into that markup. The result is the one
// the parsed document gives for the same calls; a call that splicing cannot
// do as that one would is left to it (see StampedDocument).

#include "word/docx/name_index.h"
#include "word/docx/zip_archive.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::word::docx {

class DocxPackage;

class TemplateImage {
public:
    // Scanning reads the markup as text; parsing builds its tree, for the
    // markup scanning refuses (or, when only scanning is asked for, leaves
    // the image without parts and bookmarks: see Scanned).
    enum class Preparation { ScanOrParse, ScanOnly };

    // Reads and indexes the template; fails with the Errors opening it as a
    // document gives.
    explicit TemplateImage(const std::string& pathUtf8, Preparation preparation = Preparation::ScanOrParse);

    // Whether the template was prepared by scanning.
    bool Scanned() const { return scanned_; }

    // A place between two nodes of a part where runs are spliced.
    struct Spot {
        std::size_t offset = 0;  // in the part's markup
        std::uint32_t head = 0;  // the run's opening markup, with its formatting
        // The spot is all an element holds: without a run there the element
        // is written empty ("<w:p/>"), and `closing` is the length of its end tag.
        bool only = false;
        std::uint32_t closing = 0;
    };

    struct Part {
        std::uint64_t entry = 0;
        std::string markup;
        std::size_t firstSpot = 0;
        std::size_t spotCount = 0;
        // The part's own spelling of the elements a run holds.
        std::string runEnd, text, tab, lineBreak;
    };

    // What each operation does at a bookmark. A spot of -1: the operation is
    // left to the parsed document.
    struct Bookmark {
        std::int32_t insertSpot = -1;
        bool insertFront = false;
        std::int32_t typeSpot = -1;
        bool typeFront = false;
        // The spots inside the stretch the bookmark spans, [first, last]:
        // typing clears them, so they must still be empty when it comes.
        std::int32_t spanFirst = 0;
        std::int32_t spanLast = -1;
    };

    const std::string& Path() const { return path_; }
    // The bookmark of the name, or none. Bookmarks are looked up mostly in
    // the order of the template: `last` is the caller's note of the bookmark
    // found last (see NameIndex).
    const Bookmark* Find(std::string_view name, std::uint32_t& last) const;
    const std::vector<Part>& Parts() const { return parts_; }
    const std::vector<Spot>& Spots() const { return spots_; }
    std::size_t PartOfSpot(std::size_t spot) const;
    const std::string& Head(std::uint32_t head) const { return heads_[head]; }
    // The template's package, whose untouched entries every document copies.
    const ZipReader& Zip() const { return *zip_; }

private:
    // Finds the spots in the parts scanned as text; false when the markup
    // needs the parser.
    bool Scan();
    // Finds the spots in the parsed parts; false when the markup defeats splicing.
    bool Prepare(DocxPackage& package);
    void Clear();

    std::string path_;
    bool scanned_ = false;
    std::optional<ZipReader> zip_;
    std::vector<Part> parts_;
    std::vector<Spot> spots_;
    std::vector<std::string> heads_;
    // Bookmarks by their folded names' numbers.
    NameIndex bookmarkNames_;
    std::vector<Bookmark> bookmarks_;
};

}  // namespace tarnfold::word::docx
