#pragma once
// A scripted database for unit tests of the run's own logic: each statement's
// result is chosen by a function of its text and parameters, and every
// Prepare/Open is recorded.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/data_module.h"

namespace tarnfold::testing {

struct Parameters {
    std::map<std::string, std::int64_t> integers;
    std::map<std::string, std::string> texts;
};

struct FakeDatabase {
    std::function<db::ResultSet(const std::string& sql, const Parameters& parameters)> answer;
    std::vector<std::string> prepared;
    std::vector<std::pair<std::string, Parameters>> opened;
    int sessionsBegun = 0;
    int sessionsEnded = 0;
};

class FakeQuery : public db::Query {
public:
    FakeQuery(FakeDatabase& database, std::string sql) : database_(database), sql_(std::move(sql)) {}
    void SetInteger(std::string_view name, std::int64_t value) override {
        parameters_.integers[std::string(name)] = value;
    }
    void SetText(std::string_view name, std::string_view utf8) override {
        parameters_.texts[std::string(name)] = std::string(utf8);
    }
    db::ResultSet Open() override {
        database_.opened.emplace_back(sql_, parameters_);
        return database_.answer(sql_, parameters_);
    }

private:
    FakeDatabase& database_;
    std::string sql_;
    Parameters parameters_;
};

class FakeSession : public db::Session {
public:
    explicit FakeSession(FakeDatabase& database) : database_(database) { ++database_.sessionsBegun; }
    ~FakeSession() override { ++database_.sessionsEnded; }
    std::unique_ptr<db::Query> Prepare(std::string_view sql) override {
        database_.prepared.emplace_back(sql);
        return std::make_unique<FakeQuery>(database_, std::string(sql));
    }

private:
    FakeDatabase& database_;
};

inline db::Value Int(std::int64_t v) {
    db::Value value;
    value.kind = db::Kind::Integer;
    value.isNull = false;
    value.integer = v;
    return value;
}
inline db::Value Text(const std::string& text) {
    db::Value value;
    value.kind = db::Kind::Text;
    value.isNull = false;
    value.text = text;
    return value;
}
inline db::Value Dec(std::int64_t units, int scale) {
    db::Value value;
    value.kind = db::Kind::Decimal;
    value.isNull = false;
    value.decimal = Decimal{units, scale};
    return value;
}

}  // namespace tarnfold::testing
