#pragma once
// Test databases made with isql-fb, and the private Firebird server that
// scripts/firebird-server starts for the tests that go through the network.

#include <string>

namespace tarnfold::testing {

// Creates the database file `path` (dialect 3, default character set WIN1251,
// not existing yet) with the embedded engine and runs `sql` in it: UTF-8
// statements, each ending in ";", committed at the end. The result of a script
// is kept in the build folder and copied for the next test that runs the same
// text. Throws std::runtime_error with isql's output when anything fails.
void CreateDatabase(const std::string& path, const std::string& sql);

// Runs `sql` (UTF-8) in an existing database and commits: `database` is a
// local file (embedded; the file must not be open in another process) or a
// server locator, for which `password` is SYSDBA's.
void RunSql(const std::string& database, const std::string& sql, const std::string& password = {});

// The private server of the current build, as its start script recorded it.
struct FirebirdServer {
    std::string host;  // "127.0.0.1"
    int port = 0;
    std::string password;    // SYSDBA's
    std::string dataFolder;  // the folder the server may open databases in, ending in "/"

    // "host/port:path", the name the attach call takes for a database on it.
    std::string Locator(const std::string& path) const;
};

// Reads the description the server's start script writes: from the folder in
// the environment variable TARNFOLD_FIREBIRD_SERVER, or else "firebird-server"
// in the build folder (one up from the test programs). Throws
// std::runtime_error naming the file when no server runs.
FirebirdServer RunningServer();

}  // namespace tarnfold::testing
