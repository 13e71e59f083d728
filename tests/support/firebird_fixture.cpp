#include "support/firebird_fixture.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>

#include "core/paths.h"

namespace tarnfold::testing {
namespace {

std::string QuotedSql(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

std::string QuotedShell(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// Runs a whole isql script; isql stops at the first failing statement (-b).
void RunIsql(const std::string& script) {
    std::random_device random;
    const auto file = std::filesystem::temp_directory_path() /
                      ("tarnfold-isql-" + std::to_string(random()) + std::to_string(random()) + ".sql");
    {
        std::ofstream out(file, std::ios::binary);
        out << script;
        if (!out) throw std::runtime_error("cannot write " + file.string());
    }
    const std::string command = "isql-fb -q -b -i " + QuotedShell(file.string()) + " 2>&1";
    std::string output;
    int status = -1;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t read;
        while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
        status = pclose(pipe);
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    if (status != 0 || output.find("Statement failed") != std::string::npos ||
        output.find("SQLSTATE") != std::string::npos)
        throw std::runtime_error("isql-fb failed (" + std::to_string(status) + "):\n" + output + "\nscript:\n" +
                                 script);
}

// Creating a database costs about a second (the engine registers every
// collation); attaching to one costs a fifth of that. So an empty database is
// made once per build and copied, and each finished script's database is kept
// under the hash of its text, to be copied again by later tests.
std::string CacheFolder() {
    const std::string folder = ProgramFolder() + "../firebird-fixture-cache/";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return error ? std::string() : folder;
}

std::string HashText(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ULL;
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ULL;
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

// Another test program may be filling the cache at the same moment: a file
// appears under its final name only when complete.
void CopyAtomically(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::random_device random;
    const std::filesystem::path partial = to.string() + ".part" + std::to_string(random());
    std::filesystem::copy_file(from, partial, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::rename(partial, to);
}

const char kCreateDatabase[] = " USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n";

void CreateEmpty(const std::string& path) {
    RunIsql("SET SQL DIALECT 3;\nSET NAMES UTF8;\nCREATE DATABASE " + QuotedSql(path) + kCreateDatabase + "COMMIT;\n");
}

}  // namespace

void CreateDatabase(const std::string& path, const std::string& sql) {
    if (std::filesystem::exists(path)) throw std::runtime_error("database file exists already: " + path);
    const std::string cache = CacheFolder();
    if (cache.empty()) {
        CreateEmpty(path);
        RunSql(path, sql);
        return;
    }
    const std::string empty = cache + "empty-" + HashText(kCreateDatabase) + ".fdb";
    const std::string filled = cache + "script-" + HashText(std::string(kCreateDatabase) + sql) + ".fdb";
    if (!std::filesystem::exists(filled)) {
        if (!std::filesystem::exists(empty)) {
            const std::string fresh = path + ".empty";
            CreateEmpty(fresh);
            CopyAtomically(fresh, empty);
            std::filesystem::remove(fresh);
        }
        const std::string work = path + ".filling";
        std::filesystem::copy_file(empty, work);
        try {
            RunSql(work, sql);
        } catch (...) {
            std::error_code ignored;
            std::filesystem::remove(work, ignored);
            throw;
        }
        CopyAtomically(work, filled);
        std::filesystem::remove(work);
    }
    std::filesystem::copy_file(filled, path);
}

void RunSql(const std::string& database, const std::string& sql, const std::string& password) {
    std::string connect = "CONNECT " + QuotedSql(database) + " USER 'SYSDBA'";
    if (!password.empty()) connect += " PASSWORD " + QuotedSql(password);
    RunIsql("SET SQL DIALECT 3;\nSET NAMES UTF8;\n" + connect + ";\n" + sql + "\nCOMMIT;\n");
}

std::string FirebirdServer::Locator(const std::string& path) const {
    return host + "/" + std::to_string(port) + ":" + path;
}

FirebirdServer RunningServer() {
    const char* configured = std::getenv("TARNFOLD_FIREBIRD_SERVER");
    const std::string folder =
        configured && *configured ? FolderWithTrailingSeparator(configured) : ProgramFolder() + "../firebird-server/";
    const std::string file = folder + "server.info";
    std::ifstream in(file);
    if (!in) throw std::runtime_error("no private Firebird server is running: " + file + " is missing");
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(in, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    FirebirdServer server;
    server.host = values["host"];
    server.port = std::atoi(values["port"].c_str());
    server.password = values["password"];
    server.dataFolder = FolderWithTrailingSeparator(values["data"]);
    if (server.host.empty() || server.port <= 0 || server.password.empty() || values["data"].empty())
        throw std::runtime_error("incomplete server description in " + file);
    return server;
}

}  // namespace tarnfold::testing
