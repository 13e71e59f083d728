#pragma once
// The real database of the Windows tests, as the programs under Wine reach
// it: the demo kvel.gdb that the build makes with the project's own script,
// read through the forwarding client (fbclient.dll, a Wine builtin of the
// tests) with the embedded engine or from the tests' loopback Firebird
// server. The build tells where they are in the environment; files on the
// Linux side are seen through Wine's drive Z:.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "core/text.h"
#include "core/wide_text.h"

namespace tarnfold::testing {

inline std::string EnvironmentText(const wchar_t* name) {
    wchar_t value[2048] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 2048);
    return length == 0 || length >= 2048 ? std::string() : win32::Narrow(value);
}

// A Linux path as the Windows side names it.
inline std::filesystem::path FromLinux(const std::string& path) {
    return std::filesystem::path(L"Z:" + win32::Wide(path)).make_preferred();
}

// Empty when the build made none (no winegcc).
inline std::filesystem::path DemoDatabase() {
    const std::string path = EnvironmentText(L"TARNFOLD_DEMO_DATABASE");
    return path.empty() ? std::filesystem::path() : FromLinux(path);
}

// The demo's templates as documents of the stand-in word processor.
inline std::filesystem::path DemoTemplates() {
    const std::string path = EnvironmentText(L"TARNFOLD_DEMO_TEMPLATES");
    return path.empty() ? std::filesystem::path() : FromLinux(path);
}

inline std::filesystem::path ForwardingClient() {
    const std::string path = EnvironmentText(L"TARNFOLD_FORWARDING_CLIENT");
    return path.empty() ? std::filesystem::path() : FromLinux(path);
}

// Whether the Linux side has the embedded engine of the programs' width;
// without it local files are reached through the loopback server.
inline bool EmbeddedEngine() { return EnvironmentText(L"TARNFOLD_EMBEDDED_ENGINE") != "0"; }

// The loopback server as its start script described it.
struct LoopbackServer {
    std::string host;
    std::string port;
    std::string password;    // SYSDBA's
    std::string dataFolder;  // Linux path, ending in "/"

    // The folder of the locator's "dbPath=" for a folder under the data folder.
    std::string Folder(const std::string& name) const { return host + "/" + port + ":" + dataFolder + name + "/"; }
    std::filesystem::path LocalFolder(const std::string& name) const { return FromLinux(dataFolder + name); }
};

inline std::optional<LoopbackServer> RunningLoopbackServer() {
    const std::string folder = EnvironmentText(L"TARNFOLD_FIREBIRD_SERVER");
    if (folder.empty()) return std::nullopt;
    std::ifstream in(FromLinux(folder + "/server.info"));
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(in, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    if (values["port"].empty()) return std::nullopt;
    std::string data = values["data"];
    if (!data.empty() && data.back() != '/') data += '/';
    return LoopbackServer{values["host"], values["port"], values["password"], data};
}

// The host system's locator file as a desktop has it, in code page 1251
// (UTF-8 where a name needs a character that code page lacks): the
// database's folder and the password line.
inline void WriteLocator(const std::filesystem::path& file, const std::string& databaseFolder,
                         const std::string& passwordLine) {
    const std::string text = "dbPath=" + databaseFolder + "\r\n" + passwordLine + "\r\n";
    std::ofstream(file, std::ios::binary) << (FitsCp1251(text) ? Utf8ToCp1251(text) : text);
}

}  // namespace tarnfold::testing
