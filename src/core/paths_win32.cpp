#include "core/paths.h"

#include <windows.h>

#include "core/text.h"

namespace tarnfold {

char PathSeparator() { return '\\'; }

std::string ProgramFolder() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    std::u16string wide(buffer.begin(), buffer.end());
    return FolderPart(Utf16ToUtf8(wide));
}

}  // namespace tarnfold
