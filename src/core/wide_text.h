#pragma once
// The Windows API speaks UTF-16 in wchar_t; the program holds UTF-8.

#include <string>
#include <string_view>

#include "core/text.h"

namespace tarnfold::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline std::wstring Wide(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

inline std::string Narrow(std::wstring_view wide) { return Utf16ToUtf8(std::u16string(wide.begin(), wide.end())); }

}  // namespace tarnfold::win32
