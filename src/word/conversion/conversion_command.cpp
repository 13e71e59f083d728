#include "word/conversion/conversion_command.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "core/error.h"
#include "core/system_error.h"
#include "core/paths.h"
#include "word/conversion/template_conversion.h"

namespace tarnfold::word::conversion {

namespace {

std::string FileName(const std::string& path) { return PathToUtf8(PathFromUtf8(path).filename()); }

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

std::string ReportLine(const TemplateConversion& result) {
    const std::string source = FileName(result.source);
    const std::string target = FileName(result.target);
    const BookmarkComparison& bookmarks = result.bookmarks;
    switch (result.outcome) {
        case ConversionOutcome::Converted:
            return source + " → " + target + ": закладок " + std::to_string(bookmarks.originalCount) +
                   ", все закладки сохранены";
        case ConversionOutcome::Skipped:
            return source + ": пропущен, " + target + " уже есть";
        case ConversionOutcome::Refused: {
            std::string line = source + ": закладок " + std::to_string(bookmarks.originalCount) + ", в .docx " +
                               std::to_string(bookmarks.convertedCount) + "; " + target + " не записан";
            if (!bookmarks.lost.empty()) line += ", потеряны закладки: " + Joined(bookmarks.lost);
            if (!bookmarks.added.empty()) line += ", появились закладки: " + Joined(bookmarks.added);
            if (bookmarks.lost.empty() && bookmarks.added.empty()) line += ", число закладок не совпадает";
            return line;
        }
        case ConversionOutcome::Failed:
            break;
    }
    return source + ": ошибка: " + result.error;
}

}  // namespace

int RunTemplateConversion(const std::string& folder, const std::string& outFolder, TemplateConverter& office,
                          std::ostream& out) {
    if (!DirectoryExists(folder)) {
        out << "Папка шаблонов не найдена: " << folder << std::endl;
        return 2;
    }
    std::vector<std::string> templates;
    try {
        templates = TemplatesToConvert(folder);
    } catch (const Error& failure) {
        out << failure.what() << std::endl;
        return 2;
    }
    if (templates.empty()) {
        out << "В папке " << folder << " нет шаблонов .doc" << std::endl;
        return 2;
    }
    const std::string target = outFolder.empty() ? folder : outFolder;
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(target), ec);
    if (ec || !DirectoryExists(target)) {
        out << "Не удалось создать папку " << target << (ec ? ": " + SystemErrorText(ec) : std::string()) << std::endl;
        return 2;
    }

    out << "Перевод шаблонов .doc из папки " << folder << " в .docx в папке " << target << std::endl;
    int converted = 0;
    int skipped = 0;
    int refused = 0;
    int failed = 0;
    for (const std::string& source : templates) {
        const TemplateConversion result = ConvertTemplate(office, source, target);
        switch (result.outcome) {
            case ConversionOutcome::Converted:
                ++converted;
                break;
            case ConversionOutcome::Skipped:
                ++skipped;
                break;
            case ConversionOutcome::Refused:
                ++refused;
                break;
            case ConversionOutcome::Failed:
                ++failed;
                break;
        }
        // Each template takes the office seconds: the line shows as soon as it is done.
        out << ReportLine(result) << std::endl;
    }
    out << "Шаблонов: " << templates.size() << "; преобразовано: " << converted << ", пропущено: " << skipped
        << ", отказано: " << refused << ", ошибок: " << failed << std::endl;
    out << "Выгрузка берёт шаблон .docx только там, где рядом с ним нет шаблона .doc с тем же именем: "
           "чтобы выгрузка перешла на .docx, уберите .doc из папки шаблонов."
        << std::endl;
    return refused + failed == 0 ? 0 : 1;
}

}  // namespace tarnfold::word::conversion
