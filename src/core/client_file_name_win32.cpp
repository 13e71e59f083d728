#include "core/client_file_name.h"

#include <windows.h>

#include "core/text.h"

namespace tarnfold {

ClientFileName FileNameForClient(std::string_view utf8) {
    const unsigned codePage = GetACP();
    if (codePage == CP_UTF8) return {std::string(utf8), false, codePage};
    const std::u16string wide = Utf8ToUtf16(utf8);
    const auto* text = reinterpret_cast<const wchar_t*>(wide.c_str());
    const int length = static_cast<int>(wide.size());
    if (length == 0) return {{}, false, codePage};
    // No best fit: "é" must not quietly become "e" and name another file.
    BOOL lacking = FALSE;
    const int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, &lacking);
    if (size <= 0 || lacking) return {std::string(utf8), true, codePage};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, length, bytes.data(), size, nullptr, nullptr);
    return {std::move(bytes), false, codePage};
}

}  // namespace tarnfold
