#pragma once
// What both .docx targets do with a package: open it, fill a few of its
// bookmarks as an export does, save it under a new name and open that again.
// A package the reader refuses must be refused with an Error naming the file;
// a package it took must be filled, saved and read back without one, and the
// same calls on the template prepared for a batch must write the same parts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "fuzz_support.h"
#include "word/docx/docx_package.h"
#include "word/docx/stamped_document.h"
#include "word/docx/template_image.h"
#include "word/docx/zip_archive.h"

namespace tarnfold::fuzz {

inline void FillSaveAndReopen(const std::string& path) {
    using word::docx::DocxPackage;
    std::optional<DocxPackage> document;
    try {
        document.emplace(path);
    } catch (const Error& e) {
        Check(std::string_view(e.what()).find(path) != std::string_view::npos, "a refused package is named");
        return;
    }
    // Figures and texts as the export writes them, with the characters that
    // need care in a run: tabs, line breaks, controls and markup.
    static const std::string_view kTexts[] = {"12,5", "Отчёт\tитог\r\nстрока\vконец", "\x01<&>\"'\x7F", "",
                                              "  два  пробела  ", "\xEF\xBF\xBE\xC0\xAF"};
    std::vector<std::string> filled;
    for (const std::string& name : document->BookmarkNames()) {
        if (filled.size() == 8) break;
        filled.push_back(name);
    }
    std::optional<word::docx::StampedDocument> stamped;
    try {
        stamped.emplace(std::make_shared<const word::docx::TemplateImage>(path));
    } catch (const Error& e) {
        Fail(std::string("a package that opens can be prepared: ") + e.what());
    }
    for (std::size_t i = 0; i < filled.size(); ++i) {
        Check(document->HasBookmark(filled[i]), "a listed bookmark is found");
        Check(stamped->HasBookmark(filled[i]), "a listed bookmark is found in the prepared template");
        const std::string_view text = kTexts[i % std::size(kTexts)];
        if (i % 2 == 0) {
            document->TypeAtBookmark(filled[i], text);
            stamped->TypeAtBookmark(filled[i], text);
        } else {
            document->InsertBeforeBookmark(filled[i], text);
            stamped->InsertBeforeBookmark(filled[i], text);
        }
    }
    const std::string saved = (ScratchFolder() / "filled.docx").string();
    document->SaveAs(saved);
    const std::string savedStamped = (ScratchFolder() / "stamped.docx").string();
    stamped->SaveAs(savedStamped);
    {
        const word::docx::ZipReader a(saved);
        const word::docx::ZipReader b(savedStamped);
        // Entries copied as they were may be as damaged as in the template:
        // then both ways copied the same damage.
        const auto contents = [](const word::docx::ZipReader& zip, std::uint64_t i) -> std::optional<std::string> {
            try {
                return zip.Read(i);
            } catch (const Error&) {
                return std::nullopt;
            }
        };
        Check(a.Count() == b.Count(), "both ways write the same entries");
        for (std::uint64_t i = 0; i < a.Count(); ++i)
            Check(a.Name(i) == b.Name(i) && contents(a, i) == contents(b, i), "both ways write the same parts");
    }
    std::optional<DocxPackage> back;
    try {
        back.emplace(saved);
    } catch (const Error& e) {
        Fail(std::string("a saved package reads back: ") + e.what());
    }
    for (const std::string& name : filled) Check(back->HasBookmark(name), "a filled bookmark is still there");
    back->SaveAs((ScratchFolder() / "again.docx").string());
}

}  // namespace tarnfold::fuzz
