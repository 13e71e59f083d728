#include "core/system_error.h"

#include <windows.h>

#include "core/text.h"

namespace tarnfold {
namespace {

// Windows' own text in the user's language, read wide: the narrow text the
// standard library gives is in the system's code page, not UTF-8.
std::string WindowsErrorText(int code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string wide(reinterpret_cast<const char16_t*>(text), length);
    LocalFree(text);
    while (!wide.empty() &&
           (wide.back() == u'\r' || wide.back() == u'\n' || wide.back() == u' ' || wide.back() == u'.'))
        wide.pop_back();
    if (wide.empty()) return "код ошибки " + std::to_string(code);
    return Utf16ToUtf8(wide) + " (" + std::to_string(code) + ")";
}

}  // namespace

std::string SystemErrorText(const std::error_code& code) {
    if (code.category() == std::generic_category()) return SystemErrorText(code.value());
    if (code.category() == std::system_category()) return WindowsErrorText(code.value());
    return code.message();
}

}  // namespace tarnfold
