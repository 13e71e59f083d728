#include "db/library_loader.h"

#include <dlfcn.h>

namespace tarnfold::db {

const std::vector<std::string>& ClientLibraryNames() {
    static const std::vector<std::string> names = {"libfbclient.so.2"};
    return names;
}

void* OpenLibrary(const std::string& name, std::string& reason) {
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        reason = text ? text : "";
    }
    return handle;
}

void* FindSymbol(void* handle, const char* name) { return dlsym(handle, name); }

void CloseLibrary(void* handle) { dlclose(handle); }

}  // namespace tarnfold::db
