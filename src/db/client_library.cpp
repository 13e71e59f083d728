#include "db/client_library.h"

#include <array>

#include "core/error.h"
#include "core/library_bitness.h"
#include "core/system_error.h"
#include "core/paths.h"
#include "core/text.h"
#include "db/library_loader.h"

namespace tarnfold::db {
namespace {

// A name with a folder in it is a file beside the program: try it only when it exists.
bool IsBareName(const std::string& name) { return LastSeparator(name) == std::string::npos; }

}  // namespace

std::vector<std::string> ClientLibrary::Candidates(const std::string& programFolder) {
    std::vector<std::string> names;
    if (!programFolder.empty())
        for (const auto& name : ClientLibraryNames())
            names.push_back(FolderWithTrailingSeparator(programFolder) + name);
    for (const auto& name : ClientLibraryNames()) names.push_back(name);
    return names;
}

std::shared_ptr<const ClientLibrary> ClientLibrary::Load(const std::vector<std::string>& candidates) {
    std::string tried;
    std::string lastReason;
    for (const auto& name : candidates) {
        if (!IsBareName(name) && !FileExists(name)) continue;
        std::string reason;
        void* handle = OpenLibrary(name, reason);
        if (!handle) {
            if (!IsBareName(name)) {
                const std::string advice = OtherBuildAdvice(name);
                throw Error("Не удалось загрузить клиентскую библиотеку базы данных " + name + ": " + reason +
                            (advice.empty() ? "" : "\n" + advice));
            }
            tried += (tried.empty() ? "" : ", ") + name;
            lastReason = reason;
            continue;
        }
        std::shared_ptr<ClientLibrary> library(new ClientLibrary);
        library->handle_ = handle;
        library->name_ = name;
        library->Resolve();
        return library;
    }
    std::string message = "Не найдена клиентская библиотека базы данных";
    if (!tried.empty()) message += " (" + tried + ")";
    if (!lastReason.empty()) message += ": " + lastReason;
    throw Error(message);
}

ClientLibrary::~ClientLibrary() {
    if (handle_) CloseLibrary(handle_);
}

void* ClientLibrary::Symbol(const char* name, bool required) const {
    void* address = FindSymbol(handle_, name);
    if (!address && required) throw Error("В клиентской библиотеке базы данных " + name_ + " нет функции " + name);
    return address;
}

void ClientLibrary::Resolve() {
    // Resolving through a data pointer is how both loaders hand symbols out.
    auto bind = [this](auto& pointer, const char* name, bool required = true) {
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(Symbol(name, required));
    };
    bind(attach_database, "isc_attach_database");
    bind(detach_database, "isc_detach_database");
    bind(start_transaction, "isc_start_transaction");
    bind(commit_transaction, "isc_commit_transaction");
    bind(rollback_transaction, "isc_rollback_transaction");
    bind(dsql_allocate_statement, "isc_dsql_allocate_statement");
    bind(dsql_prepare, "isc_dsql_prepare");
    bind(dsql_describe, "isc_dsql_describe");
    bind(dsql_describe_bind, "isc_dsql_describe_bind");
    bind(dsql_execute, "isc_dsql_execute");
    bind(dsql_fetch, "isc_dsql_fetch");
    bind(dsql_free_statement, "isc_dsql_free_statement");
    bind(interpret, "fb_interpret", false);
    bind(legacyInterprete_, "isc_interprete", false);
    if (!interpret && !legacyInterprete_)
        throw Error("В клиентской библиотеке базы данных " + name_ + " нет функции fb_interpret");
}

std::string ClientLibrary::StatusText(const ISC_STATUS* status) const {
    // A shorter buffer makes fb_interpret return nothing for a long line.
    std::array<char, 1024> buffer{};
    std::string text;
    // Most of a line is the engine's own text in the connection's code page
    // 1251; the reason of a failed system call comes from the C library in
    // the process's language and encoding, UTF-8 on these desktops. Each line
    // is taken as UTF-8 where it is valid UTF-8, else as CP1251.
    auto append = [&] {
        if (!text.empty()) text += '\n';
        text += DecodeUtf8OrCp1251(buffer.data());
    };
    if (interpret) {
        const ISC_STATUS* vector = status;
        while (interpret(buffer.data(), buffer.size(), &vector) > 0) append();
    } else {
        // The old call writes without a bound; its lines are short by design.
        std::array<ISC_STATUS, ISC_STATUS_LENGTH> copy{};
        for (std::size_t i = 0; i < copy.size(); ++i) copy[i] = status[i];
        ISC_STATUS* vector = copy.data();
        while (legacyInterprete_(buffer.data(), &vector) > 0) append();
    }
    if (text.empty()) text = "Ошибка базы данных, код " + std::to_string(status[1]);
    return text;
}

void ClientLibrary::Check(const ISC_STATUS* status) const {
    if (status[0] == 1 && status[1] != 0) throw Error(StatusText(status));
}

}  // namespace tarnfold::db
