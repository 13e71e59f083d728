#include "batch/template_check.h"

#include <algorithm>
#include <tuple>

#include "core/text.h"
#include "export/export_rules.h"

namespace tarnfold::batch {

namespace {

// Word keeps bookmarks whose names start with "_" (such as "_GoBack") hidden
// and for itself; no export ever looks for one.
bool HiddenBookmark(const std::string& name) { return StartsWith(name, "_"); }

bool HeaderBookmark(const std::string& folded) {
    return folded == FoldCase(YearBookmark) || folded == FoldCase(InstitutionBookmark) ||
           folded == FoldCase(PeriodBookmark);
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

bool IsError(FindingKind kind) {
    switch (kind) {
        case FindingKind::TemplateMissing:
        case FindingKind::TemplateUnreadable:
        case FindingKind::DataUnreadable:
        case FindingKind::HeaderMissing:
        case FindingKind::CellWithoutBookmark:
            return true;
        case FindingKind::BookmarkUnreachable:
        case FindingKind::BookmarkOtherCase:
        case FindingKind::BookmarkRepeated:
        case FindingKind::RowsWithoutMapping:
            break;
    }
    return false;
}

std::string KindText(FindingKind kind) {
    switch (kind) {
        case FindingKind::TemplateMissing:
            return "нет файла шаблона";
        case FindingKind::TemplateUnreadable:
            return "шаблон не читается как документ Word";
        case FindingKind::DataUnreadable:
            return "выгрузка формы остановится на данных";
        case FindingKind::HeaderMissing:
            return "нет закладки заголовка";
        case FindingKind::CellWithoutBookmark:
            return "ячейка с данными без закладки";
        case FindingKind::BookmarkUnreachable:
            return "закладка, до которой не дойдут данные года";
        case FindingKind::BookmarkOtherCase:
            return "закладки различаются только регистром букв";
        case FindingKind::BookmarkRepeated:
            return "закладка повторена";
        case FindingKind::RowsWithoutMapping:
            return "строки таблицы без описания столбцов за год";
    }
    return {};
}

std::string KindHeading(FindingKind kind) {
    switch (kind) {
        case FindingKind::TemplateMissing:
            return "нет файла шаблона";
        case FindingKind::TemplateUnreadable:
            return "шаблон не читается как документ Word";
        case FindingKind::DataUnreadable:
            return "выгрузка формы остановится на данных";
        case FindingKind::HeaderMissing:
            return "нет закладок заголовка";
        case FindingKind::CellWithoutBookmark:
            return "ячейки с данными без закладки";
        case FindingKind::BookmarkUnreachable:
            return "закладки, до которых не дойдут данные года";
        case FindingKind::BookmarkOtherCase:
            return "закладки, различающиеся только регистром букв";
        case FindingKind::BookmarkRepeated:
            return "повторенные закладки";
        case FindingKind::RowsWithoutMapping:
            return "таблицы, строки которых не описаны в columns за год";
    }
    return {};
}

std::vector<Finding> CompareTemplate(const std::vector<std::string>& bookmarks, const FormCells& cells,
                                     bool periodTheme) {
    // Word finds a bookmark by its name in any letter case: the names are
    // grouped as it would take them, each group under its first spelling.
    std::map<std::string, std::vector<std::string>> spellings;
    std::vector<std::string> order;
    for (const std::string& name : bookmarks) {
        const std::string folded = FoldCase(name);
        std::vector<std::string>& group = spellings[folded];
        if (group.empty()) order.push_back(folded);
        group.push_back(name);
    }

    std::vector<Finding> findings;
    const std::vector<std::pair<const char*, const char*>> headers = {
        {YearBookmark, "год"}, {InstitutionBookmark, "учреждение"}, {PeriodBookmark, "период"}};
    for (const auto& [name, field] : headers) {
        if (name == std::string(PeriodBookmark) && !periodTheme) continue;
        if (!spellings.count(FoldCase(name))) findings.push_back({FindingKind::HeaderMissing, name, {}, 0, field});
    }
    for (const auto& [name, cell] : cells.filled) {
        if (spellings.count(FoldCase(name))) continue;
        const std::vector<std::string> institutions(cell.institutions.begin(), cell.institutions.end());
        findings.push_back({FindingKind::CellWithoutBookmark, name, institutions, cell.figures,
                            "учреждения: " + JoinNames(institutions)});
    }
    for (const auto& [table, rows] : cells.unmapped) {
        const std::vector<std::string> institutions(rows.institutions.begin(), rows.institutions.end());
        findings.push_back({FindingKind::RowsWithoutMapping, table, institutions, 0,
                            "строк: " + std::to_string(rows.figures) + "; учреждения: " + JoinNames(institutions)});
    }
    for (const std::string& folded : order) {
        const std::vector<std::string>& group = spellings[folded];
        const std::string& name = group.front();
        if (HiddenBookmark(name)) continue;
        // A year without any data of the form says nothing of its cells.
        if (cells.hasRows && !HeaderBookmark(folded) && !cells.reachable.count(folded))
            findings.push_back({FindingKind::BookmarkUnreachable, name, {}, 0, {}});
        if (group.size() < 2) continue;
        const bool sameSpelling =
            std::all_of(group.begin(), group.end(), [&](const std::string& each) { return each == name; });
        findings.push_back({sameSpelling ? FindingKind::BookmarkRepeated : FindingKind::BookmarkOtherCase,
                            name,
                            {},
                            0,
                            sameSpelling ? "раз: " + std::to_string(group.size()) : JoinNames(group)});
    }
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::tie(a.kind, a.bookmark) < std::tie(b.kind, b.bookmark);
    });
    return findings;
}

std::size_t FormCheck::Errors() const {
    return static_cast<std::size_t>(
        std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return IsError(f.kind); }));
}

std::size_t FormCheck::Warnings() const { return findings.size() - Errors(); }

int CheckExitCode(const std::vector<FormCheck>& forms) {
    for (const FormCheck& form : forms)
        if (form.Errors()) return 1;
    return 0;
}

}  // namespace tarnfold::batch
