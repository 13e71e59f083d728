#pragma once
// What both .docx targets do with a package: open it, fill a few of its
// bookmarks as an export does, save it under a new name and open that again.
// A package the reader refuses must be refused with an Error naming the file;
// a package it took must be filled, saved and read back without one.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "fuzz_support.h"
#include "word/docx/docx_package.h"

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
    for (std::size_t i = 0; i < filled.size(); ++i) {
        Check(document->HasBookmark(filled[i]), "a listed bookmark is found");
        const std::string_view text = kTexts[i % std::size(kTexts)];
        if (i % 2 == 0)
            document->TypeAtBookmark(filled[i], text);
        else
            document->InsertBeforeBookmark(filled[i], text);
    }
    const std::string saved = (ScratchFolder() / "filled.docx").string();
    document->SaveAs(saved);
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
