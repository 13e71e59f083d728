#include "word/libreoffice/office_messages.h"

#include <regex>

#include "word/libreoffice/office_files.h"
#include "word/server_error.h"

namespace tarnfold::word {

namespace {

struct Explanation {
    const char* errorClass;
    const char* text;
};

// The classes the office names in "(Error Area:Io Class:Access Code:7)".
constexpr Explanation kExplanations[] = {
    {"Access", "нет доступа к файлу или папке"},
    {"NotExists", "файл или папка не существует"},
    {"AlreadyExists", "файл уже существует"},
    {"Path", "неверный путь к файлу"},
    {"Locking", "файл заблокирован другой программой"},
    {"Space", "недостаточно места на диске"},
    {"Read", "ошибка чтения файла"},
    {"Write", "ошибка записи файла"},
    {"Format", "неверный формат файла"},
    {"Version", "неподдерживаемая версия формата файла"},
    {"NotSupported", "действие не поддерживается для этого файла"},
};

}  // namespace

std::string OfficeFailureText(std::string_view message, std::string_view fallback) {
    static const std::regex location(R"( at \S+\.[ch]xx:\d+\s*$)");
    static const std::regex errorClass(R"(Class:(\w+))");
    const std::string text(message);
    std::string own = ServerErrorText(std::regex_replace(text, location, ""), "");
    // The office names files by their URLs; the user knows them by their paths.
    static const std::regex url(R"(file://[^\s"'<>]+)");
    std::string named;
    auto from = own.cbegin();
    for (std::sregex_iterator it(own.begin(), own.end(), url), end; it != end; ++it) {
        named.append(from, (*it)[0].first);
        const std::string path = PathFromFileUrl(it->str());
        named += path.empty() ? it->str() : path;
        from = (*it)[0].second;
    }
    named.append(from, own.cend());
    own = std::move(named);
    if (own.empty()) return std::string(fallback);
    std::smatch found;
    if (std::regex_search(own, found, errorClass)) {
        for (const Explanation& explanation : kExplanations)
            if (found[1] == explanation.errorClass) return std::string(explanation.text) + " (" + own + ")";
    }
    return own;
}

}  // namespace tarnfold::word
