#pragma once
// The data module: one connection to the host database, the institution and
// period records read at start-up, and a fresh read-only snapshot for each
// export run. Errors are Error with the client library's own text.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/decimal.h"

namespace tarnfold::db {

// How a result column reads, from its SQL type.
enum class Kind {
    Text,     // CHAR, VARCHAR
    Decimal,  // NUMERIC/DECIMAL with 1 to 4 digits after the point
    Integer,  // SMALLINT, INTEGER, BIGINT without scale
    Other,    // fetched, never used
};

struct Value {
    Kind kind = Kind::Other;
    bool isNull = true;
    std::string text;          // Text: UTF-8 as stored (CHAR keeps its padding unless trimmed)
    Decimal decimal;           // Decimal: exact
    std::int64_t integer = 0;  // Integer

    // The value as text: Text as is, numbers in decimal notation, NULL empty.
    std::string AsText() const;
    // Integer as is; Text converted strictly ("'%s' is not a valid integer
    // value"); NULL is 0.
    std::int32_t AsInteger() const;
};

class ResultSet {
public:
    ResultSet() = default;
    ResultSet(std::vector<std::string> names, std::vector<Kind> kinds, std::vector<std::vector<Value>> rows);

    // Column by name, letter case ignored; "Field 'NAME' not found" otherwise.
    std::size_t ColumnIndex(std::string_view name) const;
    Kind ColumnKind(std::size_t column) const { return kinds_.at(column); }
    const std::vector<std::string>& ColumnNames() const { return names_; }
    std::size_t RowCount() const { return rows_.size(); }
    bool Empty() const { return rows_.empty(); }
    const Value& At(std::size_t row, std::size_t column) const { return rows_.at(row).at(column); }
    const Value& At(std::size_t row, std::string_view column) const { return At(row, ColumnIndex(column)); }

private:
    std::vector<std::string> names_;
    std::vector<Kind> kinds_;
    std::vector<std::vector<Value>> rows_;
};

// A statement prepared once and run as often as needed. Parameters are named
// (":name" in the text); every occurrence of a name takes the value set for it.
class Query {
public:
    virtual ~Query() = default;
    virtual void SetInteger(std::string_view name, std::int64_t value) = 0;
    // Sent in code page 1251.
    virtual void SetText(std::string_view name, std::string_view utf8) = 0;
    // Runs the statement and fetches every row.
    virtual ResultSet Open() = 0;
};

// One read-only snapshot transaction; ended (committed) when destroyed.
class Session {
public:
    virtual ~Session() = default;
    virtual std::unique_ptr<Query> Prepare(std::string_view sql) = 0;
};

// One record of KODIF.
struct Institution {
    std::string code;         // the code the figures carry (their LPU)
    std::string summaryMark;  // non-empty for an institution whose figures are summaries, kept in svod
    std::string name;
    std::string shownCode;  // the code the list shows and orders by; an entry leads back to its record by it
    std::string district;   // read, never used
};

// One record of period.
struct Period {
    std::string code;  // the code the figures carry
    std::string name;  // the list entry
};

struct ConnectionSettings {
    std::string DBPath;
    std::string DBPassword;
    bool HostIniMissing = false;
};

// What connecting at start-up needs of the window.
class ConnectUi {
public:
    virtual ~ConnectUi() = default;
    virtual void ShowMessage(const std::string& text) = 0;  // plain box, "\r" shown as a line break
    virtual void RequestEnd() = 0;                          // takes effect once start-up is over
};

class DataModule {
public:
    // Loads the client library (a copy in `programFolder` first, then the
    // system's). Throws when it cannot be loaded.
    explicit DataModule(const std::string& programFolder);
    ~DataModule();
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;

    // Opens the connection (a second attempt after the two failure messages and
    // the request to end), reads the institutions ordered by code and the
    // periods, then ends the start-up transaction. Throws on the failures that
    // are not handled here.
    void ConnectDatabase(const ConnectionSettings& settings, ConnectUi& ui);

    const std::string& DatabaseName() const;
    const std::vector<Institution>& Institutions() const;
    const std::vector<Period>& Periods() const;

    // A fresh read-only snapshot for one export run.
    std::unique_ptr<Session> BeginSession();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The list entries: "<shown code> - <name>" per institution, the name per period, in record order.
std::vector<std::string> InstitutionEntries(const std::vector<Institution>& institutions);
std::vector<std::string> PeriodEntries(const std::vector<Period>& periods);
// First entry equal to `saved` ignoring letter case (Latin and Cyrillic); -1 if none.
int FindEntryIgnoringCase(const std::vector<std::string>& entries, std::string_view saved);

}  // namespace tarnfold::db
