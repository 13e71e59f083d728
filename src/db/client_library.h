#pragma once
// The InterBase/Firebird client library, loaded at run time so the program
// starts (and reports clearly) on a machine without it, and so a copy placed
// beside the program wins over the system's.

#include <memory>
#include <string>
#include <vector>

#include <ibase.h>

namespace tarnfold::db {

class ClientLibrary {
public:
    // The file names tried, in order: a copy in `programFolder` first, then the
    // system's. A copy that is present but cannot be loaded is an error of its
    // own rather than a silent fall-back, since someone put it there on purpose.
    static std::vector<std::string> Candidates(const std::string& programFolder);

    // Loads the first candidate that exists (or that the system's loader finds
    // by name); throws Error naming the library when none can be loaded.
    static std::shared_ptr<const ClientLibrary> Load(const std::vector<std::string>& candidates);

    ~ClientLibrary();
    ClientLibrary(const ClientLibrary&) = delete;
    ClientLibrary& operator=(const ClientLibrary&) = delete;

    // The name the library was loaded by.
    const std::string& Name() const { return name_; }

    // Throws Error with the client's own text when `status` reports a failure.
    void Check(const ISC_STATUS* status) const;
    // The client's text of a failed status vector, in UTF-8, lines joined by "\n".
    std::string StatusText(const ISC_STATUS* status) const;

    decltype(&::isc_attach_database) attach_database = nullptr;
    decltype(&::isc_detach_database) detach_database = nullptr;
    decltype(&::isc_start_transaction) start_transaction = nullptr;
    decltype(&::isc_commit_transaction) commit_transaction = nullptr;
    decltype(&::isc_rollback_transaction) rollback_transaction = nullptr;
    decltype(&::isc_dsql_allocate_statement) dsql_allocate_statement = nullptr;
    decltype(&::isc_dsql_prepare) dsql_prepare = nullptr;
    decltype(&::isc_dsql_describe) dsql_describe = nullptr;
    decltype(&::isc_dsql_describe_bind) dsql_describe_bind = nullptr;
    decltype(&::isc_dsql_execute) dsql_execute = nullptr;
    decltype(&::isc_dsql_fetch) dsql_fetch = nullptr;
    decltype(&::isc_dsql_free_statement) dsql_free_statement = nullptr;
    decltype(&::fb_interpret) interpret = nullptr;

private:
    ClientLibrary() = default;
    void* Symbol(const char* name, bool required) const;
    void Resolve();

    std::string name_;
    void* handle_ = nullptr;
    // The older message call, used only when fb_interpret is absent (InterBase).
    using LegacyInterprete = ISC_LONG(ISC_EXPORT*)(ISC_SCHAR*, ISC_STATUS**);
    LegacyInterprete legacyInterprete_ = nullptr;
};

}  // namespace tarnfold::db
