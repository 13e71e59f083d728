// Timings of the database layer (not a test): attach, a 10,000-row fetch of
// 61 columns, and a prepared mapping statement run again and again, through
// the embedded engine and through a private server on 127.0.0.1.
//   build/bin/tarnfold_db_benchmark

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "db_test_support.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"

namespace tarnfold::db {
namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string FiguresSql() {
    std::string columns =
        "NTBL integer, GOD integer, LPU varchar(8), period varchar(4), formkod varchar(7), "
        "tblkod varchar(6), \"ROW\" integer";
    std::string values = "mod(:i, 50), 2010, '1166', 'год', '0070000', 'T01000', :i";
    for (int n = 1; n <= 42; ++n) {
        columns += ", n" + std::to_string(n) + " numeric(15,2)";
        values += ", :i * " + std::to_string(n) + " / 100.0";
    }
    for (int c = 1; c <= 12; ++c) {
        columns += ", c" + std::to_string(c) + " varchar(40)";
        values += ", 'Текст ' || :i";
    }
    return "create table svod (" + columns +
           ");\ncommit;\nset term ^ ;\n"
           "execute block as declare i integer = 0; begin while (i < 10000) do begin "
           "insert into svod values (" +
           values + "); i = i + 1; end end ^\nset term ; ^\n" + testing::kMappingSql;
}

void Measure(const char* how, const std::string& name, const std::string& password) {
    constexpr int kAttaches = 20;
    auto start = Clock::now();
    for (int i = 0; i < kAttaches; ++i) testing::Attach(name, password);
    const double attach = Milliseconds(Clock::now() - start) / kAttaches;

    auto transaction =
        std::make_shared<Transaction>(testing::Attach(name, password), TransactionMode::ReadOnlySnapshot);
    Statement figures(transaction, "select * from svod");
    start = Clock::now();
    const ResultSet rows = figures.FetchAll();
    const double fetch = Milliseconds(Clock::now() - start);

    constexpr int kRuns = 2000;
    Statement mapping(transaction, testing::kFallbackMappingStatement);
    start = Clock::now();
    for (int i = 0; i < kRuns; ++i) {
        mapping.SetInteger("ntbl", 1 + i % 3);
        mapping.SetInteger("god", 2011);
        mapping.SetInteger("god_def", 2010);
        mapping.FetchAll();
    }
    const double rerun = Milliseconds(Clock::now() - start) * 1000 / kRuns;

    constexpr int kPrepares = 200;
    start = Clock::now();
    for (int i = 0; i < kPrepares; ++i) Statement again(transaction, testing::kFallbackMappingStatement);
    const double prepare = Milliseconds(Clock::now() - start) * 1000 / kPrepares;

    std::printf(
        "%-9s attach %.1f ms | fetch %zu rows x %zu columns %.0f ms | mapping re-run %.0f us | "
        "prepare %.0f us\n",
        how, attach, rows.RowCount(), rows.ColumnNames().size(), fetch, rerun, prepare);
}

}  // namespace
}  // namespace tarnfold::db

int main() {
    using namespace tarnfold;
    testing::TempDir dir;
    const std::string local = dir.File("bench.fdb");
    testing::CreateDatabase(local, db::FiguresSql());
    db::Measure("embedded", local, "");

    const std::string serverFolder = dir.File("server");
    const std::string script = std::string(TARNFOLD_SOURCE_DIR) + "/scripts/firebird-server";
    if (std::system(("'" + script + "' start '" + serverFolder + "'").c_str()) != 0) return 1;
    setenv("TARNFOLD_FIREBIRD_SERVER", serverFolder.c_str(), 1);
    int status = 0;
    try {
        const auto server = testing::RunningServer();
        const std::string remote = server.dataFolder + "bench.fdb";
        std::filesystem::copy_file(local, remote);
        db::Measure("loopback", server.Locator(remote), server.password);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    std::system(("'" + script + "' stop '" + serverFolder + "'").c_str());
    return status;
}
