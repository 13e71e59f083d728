#pragma once
// The system's loader of shared libraries, behind one set of calls for the
// client library: a handle is an opaque pointer, null when loading failed.

#include <string>
#include <vector>

namespace tarnfold::db {

// The client library's file names on this system, in the order they are tried.
const std::vector<std::string>& ClientLibraryNames();

// Loads the library `name`; on failure returns null and puts the system's
// reason in `reason`.
void* OpenLibrary(const std::string& name, std::string& reason);
void* FindSymbol(void* handle, const char* name);
void CloseLibrary(void* handle);

}  // namespace tarnfold::db
