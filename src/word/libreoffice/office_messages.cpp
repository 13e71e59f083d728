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
    // The office puts it after its message, or alone when it has none; Basic ends it with a full stop.
    static const std::regex location(R"((^|\s)at \S+\.[ch]xx:\d+[.\s]*$)");
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

BasicError ReadBasicError(std::string_view basicText) {
    constexpr std::string_view label = "\nMessage: ";
    const std::size_t at = basicText.find(label);
    BasicError error;
    error.message = std::string(at == std::string_view::npos ? basicText : basicText.substr(at + label.size()));
    error.disposed = basicText.find("\nType: com.sun.star.lang.DisposedException\n") != std::string_view::npos;
    return error;
}

}  // namespace tarnfold::word
