#pragma once
// A document made from a prepared template: the texts are kept as runs ready
// to splice into the template's markup and the parts are put together when
// the document is saved. A call that splicing cannot do as the parsed
// document would (typing over text, a bookmark in unusual markup) parses the
// template once for this document, repeats the calls made so far there, and
// from then on the parsed document does the work: the result is the same.

#include "word/docx/docx_package.h"
#include "word/docx/open_document.h"
#include "word/docx/template_image.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::word::docx {

class StampedDocument : public OpenDocument {
public:
    explicit StampedDocument(std::shared_ptr<const TemplateImage> image);

    const std::string& Path() const override { return path_; }
    bool Saved() const override { return saved_; }

    bool HasBookmark(std::string_view name) const override;
    void InsertBeforeBookmark(std::string_view name, std::string_view text) override;
    void TypeAtBookmark(std::string_view name, std::string_view text) override;
    void GoToBookmark(std::string_view name) const override;

    void SaveAs(const std::string& pathUtf8) override;
    void Save() override;

    // Whether the template had to be parsed for this document.
    bool Parsed() const { return parsed_ != nullptr; }

private:
    struct Call {
        bool typing = false;
        std::uint32_t name = 0, nameLength = 0, text = 0, textLength = 0;
    };
    struct Written {
        std::int32_t spot = 0;
        bool front = false;
        std::uint32_t offset = 0, length = 0;
    };

    void Place(std::string_view name, std::string_view text, bool typing);
    void Parse();
    std::string PartMarkup(const TemplateImage::Part& part, const std::vector<std::uint32_t>& firstWritten,
                           const std::vector<std::uint32_t>& writtenBySpot) const;

    std::shared_ptr<const TemplateImage> image_;
    std::string path_;
    bool saved_ = false;
    std::unique_ptr<DocxPackage> parsed_;
    // The calls so far, their names and texts in one buffer, for the parsed
    // document to repeat.
    std::vector<Call> calls_;
    std::string callText_;
    // The runs written so far, their markup in one buffer.
    std::vector<Written> written_;
    std::string runs_;
    std::vector<std::uint32_t> runsAtSpot_;
    // The bookmark found last: a filling mostly goes in the template's order.
    mutable std::uint32_t lastFound_ = NameIndex::kMissing;
};

// A template opened for one document, as the window fills one: made from the
// template scanned as text where it can be, else parsed. `scanned`, when
// given, is the template prepared ahead by scanning alone.
std::shared_ptr<OpenDocument> OpenForOneDocument(const std::string& pathUtf8,
                                                 std::shared_ptr<const TemplateImage> scanned = nullptr);

// Appends the run markup for a text to `out`: the spot's opening markup, the
// text's pieces as the part spells them, the end tag; exactly what saving a
// parsed part with that run writes. False, with nothing appended, when the
// text leaves nothing to write.
bool AppendRunMarkup(std::string& out, std::string_view head, const TemplateImage::Part& part, std::string_view utf8);

}  // namespace tarnfold::word::docx
