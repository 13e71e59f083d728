#pragma once
// One class per client-library handle: the attachment, a transaction in it and
// a prepared statement. Each ends its handle when destroyed; every failing call
// throws Error with the client's own text.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <cstddef>
#include <variant>
#include <vector>

#include <ibase.h>

#include "db/client_library.h"
#include "db/data_module.h"

namespace tarnfold::db {

// Position of the column called `name`, letter case ignored; throws
// "Field 'NAME' not found" when there is none.
std::size_t FindColumn(const std::vector<std::string>& names, std::string_view name);

class Attachment {
public:
    // `name` goes to the attach call unchanged: a local file (embedded engine)
    // or "host/port:path" on a server. `dpb` as BuildDpb makes it.
    Attachment(std::shared_ptr<const ClientLibrary> library, const std::string& name, const std::string& dpb);
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    const ClientLibrary& Library() const { return *library_; }
    isc_db_handle* Handle() { return &handle_; }

private:
    std::shared_ptr<const ClientLibrary> library_;
    isc_db_handle handle_ = 0;
};

enum class TransactionMode {
    ServerDefault,     // empty parameter block: snapshot, read-write, waiting
    ReadOnlySnapshot,  // what an export reads in: a stable picture, no locks taken
};

class Transaction {
public:
    Transaction(std::shared_ptr<Attachment> attachment, TransactionMode mode);
    // Commits a transaction still running; a failure then is swallowed, as
    // nothing can be reported from here.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit();
    void Rollback();
    bool Active() const { return handle_ != 0; }

    const ClientLibrary& Library() const { return attachment_->Library(); }
    Attachment& Attached() { return *attachment_; }
    // Throws when the transaction has already ended.
    isc_tr_handle* Handle();

private:
    std::shared_ptr<Attachment> attachment_;
    isc_tr_handle handle_ = 0;
};

// A statement handle, dropped when its holder ends: owned from its allocation
// on, so that a prepare that fails still frees it.
class StatementHandle {
public:
    explicit StatementHandle(const ClientLibrary& library) : library_(library) {}
    ~StatementHandle();
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;

    isc_stmt_handle* Get() { return &handle_; }

private:
    const ClientLibrary& library_;
    isc_stmt_handle handle_ = 0;
};

// A statement prepared once in a transaction, with named parameters.
class Statement {
public:
    Statement(std::shared_ptr<Transaction> transaction, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Names ignore letter case; a name the statement lacks throws
    // "Parameter 'NAME' not found".
    void SetInteger(std::string_view name, std::int64_t value);
    void SetText(std::string_view name, std::string_view utf8);
    void SetNull(std::string_view name);

    // Runs the statement, closing a cursor left open by the previous run.
    // Every parameter must have a value.
    void Execute();
    // Moves to the next row of the cursor; false after the last one.
    bool Fetch();
    // A column of the current row, by the reading rules of the program.
    Value Read(std::size_t column) const;
    // Execute, then every row.
    ResultSet FetchAll();

    std::size_t ColumnCount() const { return names_.size(); }
    const std::vector<std::string>& ColumnNames() const { return names_; }
    const std::vector<Kind>& ColumnKinds() const { return kinds_; }
    // Column by name, letter case ignored; "Field 'NAME' not found" otherwise.
    std::size_t ColumnIndex(std::string_view name) const;
    // A CHAR column: its values arrive blank-padded to the declared length.
    bool FixedLength(std::size_t column) const;

private:
    struct Descriptor;
    // monostate: not set yet; nullptr: NULL.
    using ParameterValue = std::variant<std::monostate, std::nullptr_t, std::int64_t, std::string>;

    void Set(std::string_view name, ParameterValue value);
    void BindParameters();
    void CloseCursor();

    std::shared_ptr<Transaction> transaction_;
    // After the transaction, so that it is dropped while the attachment lives.
    StatementHandle handle_;
    std::unique_ptr<Descriptor> output_;
    std::unique_ptr<Descriptor> input_;
    std::vector<std::string> markerNames_;
    std::map<std::string, ParameterValue, std::less<>> values_;
    std::vector<std::string> names_;
    std::vector<Kind> kinds_;
    bool cursorOpen_ = false;
    bool rowReady_ = false;
    bool atEnd_ = false;  // the client refuses a fetch after the last row
};

}  // namespace tarnfold::db
