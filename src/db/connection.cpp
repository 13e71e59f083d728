#include "db/connection.h"

#include <cstring>

#include "core/error.h"
#include "core/text.h"
#include "db/named_parameters.h"

namespace tarnfold::db {
namespace {

constexpr unsigned short kDialect = SQL_DIALECT_V6;
constexpr ISC_STATUS kEndOfCursor = 100;

int BaseType(const XSQLVAR& var) { return var.sqltype & ~1; }

Kind KindOf(const XSQLVAR& var) {
    switch (BaseType(var)) {
        case SQL_TEXT:
        case SQL_VARYING:
            return Kind::Text;
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            if (var.sqlscale == 0) return Kind::Integer;
            if (var.sqlscale >= -4 && var.sqlscale < 0) return Kind::Decimal;
            return Kind::Other;
        default:
            return Kind::Other;
    }
}

std::int64_t ReadScaledInteger(const XSQLVAR& var) {
    switch (BaseType(var)) {
        case SQL_SHORT: {
            std::int16_t v;
            std::memcpy(&v, var.sqldata, sizeof v);
            return v;
        }
        case SQL_LONG: {
            std::int32_t v;
            std::memcpy(&v, var.sqldata, sizeof v);
            return v;
        }
        default: {
            std::int64_t v;
            std::memcpy(&v, var.sqldata, sizeof v);
            return v;
        }
    }
}

}  // namespace

std::size_t FindColumn(const std::vector<std::string>& names, std::string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (EqualsIgnoreCase(names[i], name)) return i;
    throw Error("Field '" + std::string(name) + "' not found");
}

// The XSQLDA the client library reads and writes, with the buffers its
// variables point into.
struct Statement::Descriptor {
    explicit Descriptor(short count) { Resize(count); }

    XSQLDA* Get() { return reinterpret_cast<XSQLDA*>(memory.get()); }
    const XSQLDA* Get() const { return reinterpret_cast<const XSQLDA*>(memory.get()); }
    XSQLVAR& Var(std::size_t i) { return Get()->sqlvar[i]; }
    const XSQLVAR& Var(std::size_t i) const { return Get()->sqlvar[i]; }
    std::size_t Count() const { return static_cast<std::size_t>(Get()->sqld); }

    void Resize(short count) {
        const short slots = count > 0 ? count : 1;
        memory = std::make_unique<char[]>(XSQLDA_LENGTH(slots));
        Get()->version = SQLDA_VERSION1;
        Get()->sqln = slots;
        Get()->sqld = 0;
    }

    // Room for every column as described, and a null indicator for each.
    void AllocateForOutput() {
        buffers.assign(Count(), {});
        indicators.assign(Count(), 0);
        for (std::size_t i = 0; i < Count(); ++i) {
            XSQLVAR& var = Var(i);
            std::size_t size = static_cast<std::size_t>(var.sqllen);
            if (BaseType(var) == SQL_VARYING) size += sizeof(short);
            buffers[i].assign(size + 1, 0);
            var.sqldata = buffers[i].data();
            var.sqlind = &indicators[i];
        }
    }

    std::unique_ptr<char[]> memory;
    std::vector<std::vector<char>> buffers;
    std::vector<short> indicators;
};

Attachment::Attachment(std::shared_ptr<const ClientLibrary> library, const std::string& name, const std::string& dpb)
    : library_(std::move(library)) {
    ISC_STATUS_ARRAY status{};
    library_->attach_database(status, 0, name.c_str(), &handle_, static_cast<short>(dpb.size()), dpb.data());
    if (status[0] == 1 && status[1] != 0) {
        handle_ = 0;
        library_->Check(status);
    }
}

Attachment::~Attachment() {
    if (!handle_) return;
    ISC_STATUS_ARRAY status{};
    library_->detach_database(status, &handle_);
}

Transaction::Transaction(std::shared_ptr<Attachment> attachment, TransactionMode mode)
    : attachment_(std::move(attachment)) {
    static const char kReadOnlySnapshot[] = {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_read, isc_tpb_wait};
    const char* tpb = nullptr;
    int length = 0;
    if (mode == TransactionMode::ReadOnlySnapshot) {
        tpb = kReadOnlySnapshot;
        length = sizeof kReadOnlySnapshot;
    }
    ISC_STATUS_ARRAY status{};
    Library().start_transaction(status, &handle_, 1, attachment_->Handle(), length, tpb);
    if (status[0] == 1 && status[1] != 0) {
        handle_ = 0;
        Library().Check(status);
    }
}

Transaction::~Transaction() {
    if (!handle_) return;
    ISC_STATUS_ARRAY status{};
    Library().commit_transaction(status, &handle_);
    if (handle_) Library().rollback_transaction(status, &handle_);
}

isc_tr_handle* Transaction::Handle() {
    if (!handle_) throw Error("Транзакция базы данных уже завершена");
    return &handle_;
}

void Transaction::Commit() {
    ISC_STATUS_ARRAY status{};
    Library().commit_transaction(status, Handle());
    Library().Check(status);
}

void Transaction::Rollback() {
    ISC_STATUS_ARRAY status{};
    Library().rollback_transaction(status, Handle());
    Library().Check(status);
}

StatementHandle::~StatementHandle() {
    if (!handle_) return;
    ISC_STATUS_ARRAY status{};
    library_.dsql_free_statement(status, &handle_, DSQL_drop);
}

Statement::Statement(std::shared_ptr<Transaction> transaction, std::string_view sql)
    : transaction_(std::move(transaction)),
      handle_(transaction_->Library()),
      output_(std::make_unique<Descriptor>(1)),
      input_(std::make_unique<Descriptor>(1)) {
    const ClientLibrary& library = transaction_->Library();
    PositionalStatement positional = ToPositional(sql);
    markerNames_ = std::move(positional.names);
    for (const auto& name : markerNames_) values_.emplace(name, std::monostate{});
    const std::string text = Utf8ToCp1251(positional.sql);

    ISC_STATUS_ARRAY status{};
    library.dsql_allocate_statement(status, transaction_->Attached().Handle(), handle_.Get());
    library.Check(status);
    library.dsql_prepare(status, transaction_->Handle(), handle_.Get(), 0, text.c_str(), kDialect, output_->Get());
    library.Check(status);
    if (output_->Get()->sqld > output_->Get()->sqln) {
        output_->Resize(output_->Get()->sqld);
        library.dsql_describe(status, handle_.Get(), kDialect, output_->Get());
        library.Check(status);
    }
    output_->AllocateForOutput();

    library.dsql_describe_bind(status, handle_.Get(), kDialect, input_->Get());
    library.Check(status);
    if (input_->Get()->sqld > input_->Get()->sqln) {
        input_->Resize(input_->Get()->sqld);
        library.dsql_describe_bind(status, handle_.Get(), kDialect, input_->Get());
        library.Check(status);
    }
    if (input_->Count() != markerNames_.size())
        throw Error("Число параметров запроса (" + std::to_string(markerNames_.size()) +
                    ") не совпадает с числом, которое видит сервер (" + std::to_string(input_->Count()) + ")");
    input_->buffers.assign(input_->Count(), {});
    input_->indicators.assign(input_->Count(), 0);

    for (std::size_t i = 0; i < output_->Count(); ++i) {
        const XSQLVAR& var = output_->Var(i);
        names_.push_back(Cp1251ToUtf8(std::string_view(var.aliasname, static_cast<std::size_t>(var.aliasname_length))));
        kinds_.push_back(KindOf(var));
    }
}

Statement::~Statement() = default;

void Statement::Set(std::string_view name, ParameterValue value) {
    const auto found = values_.find(LowerAscii(name));
    if (found == values_.end()) throw Error("Parameter '" + std::string(name) + "' not found");
    found->second = std::move(value);
}

void Statement::SetInteger(std::string_view name, std::int64_t value) { Set(name, value); }
void Statement::SetText(std::string_view name, std::string_view utf8) { Set(name, Utf8ToCp1251(utf8)); }
void Statement::SetNull(std::string_view name) { Set(name, nullptr); }

void Statement::BindParameters() {
    for (std::size_t i = 0; i < markerNames_.size(); ++i) {
        const ParameterValue& value = values_.at(markerNames_[i]);
        XSQLVAR& var = input_->Var(i);
        std::vector<char>& buffer = input_->buffers[i];
        short& indicator = input_->indicators[i];
        var.sqlind = &indicator;
        var.sqlscale = 0;
        if (const auto* number = std::get_if<std::int64_t>(&value)) {
            var.sqltype = SQL_INT64 + 1;
            var.sqlsubtype = 0;
            var.sqllen = sizeof(std::int64_t);
            buffer.resize(sizeof(std::int64_t));
            std::memcpy(buffer.data(), number, sizeof(std::int64_t));
            indicator = 0;
        } else if (const auto* text = std::get_if<std::string>(&value)) {
            if (text->size() > 32765) throw Error("Значение параметра " + markerNames_[i] + " слишком длинное");
            const int described = BaseType(var);
            if (described != SQL_TEXT && described != SQL_VARYING) var.sqlsubtype = 0;
            var.sqltype = SQL_TEXT + 1;
            var.sqllen = static_cast<short>(text->size());
            buffer.assign(text->begin(), text->end());
            buffer.push_back('\0');
            indicator = 0;
        } else {
            // A NULL still needs a type the server accepts; the described one is kept.
            var.sqltype |= 1;
            buffer.assign(static_cast<std::size_t>(var.sqllen) + sizeof(short) + 1, 0);
            indicator = -1;
        }
        var.sqldata = buffer.data();
    }
}

void Statement::CloseCursor() {
    if (!cursorOpen_) return;
    cursorOpen_ = false;
    rowReady_ = false;
    ISC_STATUS_ARRAY status{};
    transaction_->Library().dsql_free_statement(status, handle_.Get(), DSQL_close);
    transaction_->Library().Check(status);
}

void Statement::Execute() {
    for (const auto& [name, value] : values_)
        if (std::holds_alternative<std::monostate>(value))
            throw Error("Не задано значение параметра " + name + " запроса");
    CloseCursor();
    BindParameters();
    const ClientLibrary& library = transaction_->Library();
    ISC_STATUS_ARRAY status{};
    library.dsql_execute(status, transaction_->Handle(), handle_.Get(), kDialect,
                         markerNames_.empty() ? nullptr : input_->Get());
    library.Check(status);
    cursorOpen_ = output_->Count() > 0;
    atEnd_ = false;
}

bool Statement::Fetch() {
    if (!cursorOpen_) throw Error("Запрос не открыт");
    if (atEnd_) return false;
    ISC_STATUS_ARRAY status{};
    const ISC_STATUS result = transaction_->Library().dsql_fetch(status, handle_.Get(), kDialect, output_->Get());
    if (result == kEndOfCursor) {
        rowReady_ = false;
        atEnd_ = true;
        return false;
    }
    // Conversion and truncation errors of a remote statement arrive here, not at execute.
    transaction_->Library().Check(status);
    rowReady_ = true;
    return true;
}

Value Statement::Read(std::size_t column) const {
    if (!rowReady_) throw Error("Нет текущей записи");
    const XSQLVAR& var = output_->Var(column);
    Value value;
    value.kind = kinds_.at(column);
    value.isNull = (var.sqltype & 1) && *var.sqlind == -1;
    if (value.kind == Kind::Decimal) value.decimal.scale = -var.sqlscale;
    if (value.isNull) return value;
    switch (value.kind) {
        case Kind::Text:
            if (BaseType(var) == SQL_VARYING) {
                short length;
                std::memcpy(&length, var.sqldata, sizeof length);
                value.text =
                    Cp1251ToUtf8(std::string_view(var.sqldata + sizeof(short), static_cast<std::size_t>(length)));
            } else {
                value.text = Cp1251ToUtf8(std::string_view(var.sqldata, static_cast<std::size_t>(var.sqllen)));
            }
            break;
        case Kind::Integer:
            value.integer = ReadScaledInteger(var);
            break;
        case Kind::Decimal:
            value.decimal.units = ReadScaledInteger(var);
            break;
        case Kind::Other:
            break;
    }
    return value;
}

ResultSet Statement::FetchAll() {
    Execute();
    std::vector<std::vector<Value>> rows;
    while (Fetch()) {
        std::vector<Value> row;
        row.reserve(ColumnCount());
        for (std::size_t i = 0; i < ColumnCount(); ++i) row.push_back(Read(i));
        rows.push_back(std::move(row));
    }
    return ResultSet(names_, kinds_, std::move(rows));
}

std::size_t Statement::ColumnIndex(std::string_view name) const { return FindColumn(names_, name); }

bool Statement::FixedLength(std::size_t column) const { return BaseType(output_->Var(column)) == SQL_TEXT; }

}  // namespace tarnfold::db
