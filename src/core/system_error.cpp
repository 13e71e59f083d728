#include "core/system_error.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>
#include <cstring>

#include "core/text.h"

namespace tarnfold {

std::string SystemErrorText(int code) {
    switch (code) {
        case ENOENT: return "нет такого файла или каталога";
        case EACCES: return "нет доступа";
        case EPERM: return "операция не разрешена";
        case EROFS: return "диск доступен только для чтения";
        case ENOSPC: return "на диске нет места";
#ifdef EDQUOT
        case EDQUOT: return "превышена дисковая квота";
#endif
        case ENAMETOOLONG: return "слишком длинное имя файла";
        case ENOTDIR: return "часть пути не является папкой";
        case EISDIR: return "это папка, а не файл";
        case EEXIST: return "файл уже существует";
        case EBUSY: return "файл занят";
#ifdef ETXTBSY
        case ETXTBSY: return "файл занят";
#endif
        case EMFILE:
        case ENFILE: return "открыто слишком много файлов";
        case ENOMEM: return "недостаточно памяти";
        case EIO: return "ошибка ввода-вывода";
        case ENOEXEC: return "файл не является программой";
        case EAGAIN: return "ресурс временно недоступен";
#ifdef ELOOP
        case ELOOP: return "слишком много символических ссылок в пути";
#endif
        case EINVAL: return "недопустимый аргумент";
        default: return std::string(std::strerror(code)) + " (" + std::to_string(code) + ")";
    }
}

#ifdef _WIN32
namespace {

// Windows' own text in the user's language, read wide: the narrow text the
// standard library gives is in the system's code page, not UTF-8.
std::string WindowsErrorText(int code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string wide(reinterpret_cast<const char16_t*>(text), length);
    LocalFree(text);
    while (!wide.empty() && (wide.back() == u'\r' || wide.back() == u'\n' || wide.back() == u' ' || wide.back() == u'.'))
        wide.pop_back();
    if (wide.empty()) return "код ошибки " + std::to_string(code);
    return Utf16ToUtf8(wide) + " (" + std::to_string(code) + ")";
}

}  // namespace
#endif

std::string SystemErrorText(const std::error_code& code) {
    if (code.category() == std::generic_category()) return SystemErrorText(code.value());
#ifdef _WIN32
    if (code.category() == std::system_category()) return WindowsErrorText(code.value());
#else
    // On POSIX the system's codes are errno values too.
    if (code.category() == std::system_category()) return SystemErrorText(code.value());
#endif
    return code.message();
}

}  // namespace tarnfold
