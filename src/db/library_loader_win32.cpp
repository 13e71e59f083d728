#include "db/library_loader.h"

#include <windows.h>

#include <system_error>

#include "core/system_error.h"
#include "core/text.h"

namespace tarnfold::db {

const std::vector<std::string>& ClientLibraryNames() {
    static const std::vector<std::string> names = {"gds32.dll", "fbclient.dll"};
    return names;
}

void* OpenLibrary(const std::string& name, std::string& reason) {
    const std::u16string wide = Utf8ToUtf16(name);
    HMODULE module = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
    if (!module) reason = SystemErrorText(std::error_code(static_cast<int>(GetLastError()), std::system_category()));
    return reinterpret_cast<void*>(module);
}

void* FindSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

}  // namespace tarnfold::db
