#include "db/data_module.h"

#include "core/client_file_name.h"
#include "core/error.h"
#include "core/text.h"
#include "db/client_library.h"
#include "db/connect_rules.h"
#include "db/connection.h"
#include "db/dpb.h"
#include "db/host_columns.h"

namespace tarnfold::db {
namespace {

constexpr char kInstitutionStatement[] = "select A, A3, B, C, RAION from KODIF order by C";
constexpr char kPeriodStatement[] = "select * from period";

// An institution text as the lists and the export read it: a CHAR value loses
// the blanks that pad it, after its width is checked on the value as delivered
// (a CHAR column declared wider than the width fails even for short values).
std::string InstitutionText(const Statement& statement, std::size_t column, const char* field, std::size_t width) {
    const Value value = statement.Read(column);
    std::string text = value.AsText();
    if (Utf8Length(text) > width)
        throw Error("Значение поля KODIF." + std::string(field) + " длиннее " + std::to_string(width) + " символов: '" +
                    text + "'");
    if (statement.FixedLength(column)) text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

class StatementQuery : public Query {
public:
    StatementQuery(std::shared_ptr<Transaction> transaction, std::string_view sql)
        : statement_(std::move(transaction), sql) {}
    void SetInteger(std::string_view name, std::int64_t value) override { statement_.SetInteger(name, value); }
    void SetText(std::string_view name, std::string_view utf8) override { statement_.SetText(name, utf8); }
    ResultSet Open() override { return statement_.FetchAll(); }

private:
    Statement statement_;
};

class ReadSession : public Session {
public:
    explicit ReadSession(std::shared_ptr<Attachment> attachment)
        : transaction_(std::make_shared<Transaction>(std::move(attachment), TransactionMode::ReadOnlySnapshot)) {}
    // Ends the snapshot even while a query prepared in it is still held; such a
    // query then fails when opened instead of reading a stale picture.
    ~ReadSession() override {
        try {
            if (transaction_->Active()) transaction_->Commit();
        } catch (const Error&) {
            // A read-only transaction has nothing to lose; the handle is released with the object.
        }
    }
    std::unique_ptr<Query> Prepare(std::string_view sql) override {
        return std::make_unique<StatementQuery>(transaction_, sql);
    }

private:
    std::shared_ptr<Transaction> transaction_;
};

}  // namespace

struct DataModule::Impl {
    std::shared_ptr<const ClientLibrary> library;
    std::string databaseName;
    std::shared_ptr<Attachment> attachment;
    std::vector<Institution> institutions;
    std::vector<Period> periods;

    // The name goes in the code page the client reads it in; one that the
    // code page cannot hold goes as UTF-8, and a failure then says so, since an
    // old client reads it as garbled letters.
    std::shared_ptr<Attachment> Attach(const std::vector<std::string>& lines) const {
        const ClientFileName name = FileNameForClient(databaseName);
        if (!name.utf8) return std::make_shared<Attachment>(library, name.bytes, BuildDpb(lines));
        try {
            return std::make_shared<Attachment>(library, name.bytes, WithUtf8FileName(BuildDpb(lines)));
        } catch (const Error& error) {
            throw Error(std::string(error.what()) + "\nИмя базы данных передано клиенту " + library->Name() +
                        " в UTF-8: в кодовой странице " + std::to_string(name.codePage) +
                        " нет некоторых его букв. Клиенты Firebird до версии 2.5 такое имя не читают.");
        }
    }

    void ReadInstitutions(const std::shared_ptr<Transaction>& transaction) {
        Statement statement(transaction, kInstitutionStatement);
        const std::size_t code = statement.ColumnIndex(column::InstitutionCode),
                          summaryMark = statement.ColumnIndex(column::InstitutionSummaryMark),
                          name = statement.ColumnIndex(column::InstitutionName),
                          shownCode = statement.ColumnIndex(column::InstitutionShownCode),
                          district = statement.ColumnIndex(column::InstitutionDistrict);
        statement.Execute();
        while (statement.Fetch()) {
            Institution record;
            record.code = InstitutionText(statement, code, column::InstitutionCode, 8);
            record.summaryMark = InstitutionText(statement, summaryMark, column::InstitutionSummaryMark, 222);
            record.name = InstitutionText(statement, name, column::InstitutionName, 100);
            record.shownCode = InstitutionText(statement, shownCode, column::InstitutionShownCode, 6);
            record.district = InstitutionText(statement, district, column::InstitutionDistrict, 4);
            institutions.push_back(std::move(record));
        }
    }

    void ReadPeriods(const std::shared_ptr<Transaction>& transaction) {
        Statement statement(transaction, kPeriodStatement);
        const std::size_t name = statement.ColumnIndex(column::PeriodName);
        const std::size_t code = statement.ColumnIndex(column::PeriodCode);
        statement.Execute();
        while (statement.Fetch()) periods.push_back({statement.Read(code).AsText(), statement.Read(name).AsText()});
    }
};

DataModule::DataModule(const std::string& programFolder) : impl_(std::make_unique<Impl>()) {
    impl_->library = ClientLibrary::Load(ClientLibrary::Candidates(programFolder));
}

// The attachment is released after every session that still holds it, so no
// transaction is running when it detaches.
DataModule::~DataModule() = default;

void DataModule::ConnectDatabase(const ConnectionSettings& settings, ConnectUi& ui) {
    Impl& d = *impl_;
    d.attachment.reset();
    d.institutions.clear();
    d.periods.clear();
    d.databaseName = DatabaseNameFor(settings);
    const std::vector<std::string> lines = ParameterLines(settings);
    try {
        d.attachment = d.Attach(lines);
    } catch (const Error&) {
        ui.ShowMessage(FirstFailureMessage(settings));
        ui.ShowMessage(kConnectionFailedMessage);
        ui.RequestEnd();
        d.attachment = d.Attach(lines);
    }
    // Only for reading the lists: their records are kept, and the transaction
    // must not hold back the host's garbage collection while the tool stays open.
    const auto transaction = std::make_shared<Transaction>(d.attachment, TransactionMode::ServerDefault);
    d.ReadInstitutions(transaction);
    d.ReadPeriods(transaction);
    transaction->Commit();
}

const std::string& DataModule::DatabaseName() const { return impl_->databaseName; }
const std::vector<Institution>& DataModule::Institutions() const { return impl_->institutions; }
const std::vector<Period>& DataModule::Periods() const { return impl_->periods; }

std::unique_ptr<Session> DataModule::BeginSession() {
    if (!impl_->attachment) throw Error("Нет соединения с базой данных");
    return std::make_unique<ReadSession>(impl_->attachment);
}

std::vector<std::string> InstitutionEntries(const std::vector<Institution>& institutions) {
    std::vector<std::string> entries;
    entries.reserve(institutions.size());
    for (const auto& record : institutions) entries.push_back(record.shownCode + " - " + record.name);
    return entries;
}

std::vector<std::string> PeriodEntries(const std::vector<Period>& periods) {
    std::vector<std::string> entries;
    entries.reserve(periods.size());
    for (const auto& record : periods) entries.push_back(record.name);
    return entries;
}

int FindEntryIgnoringCase(const std::vector<std::string>& entries, std::string_view saved) {
    const std::string key = FoldCase(saved);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (FoldCase(entries[i]) == key) return static_cast<int>(i);
    return -1;
}

}  // namespace tarnfold::db
