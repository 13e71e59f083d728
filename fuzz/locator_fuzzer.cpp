// The locator file kvel.ini and the connection parameters built from it.
// Input: the locator's bytes. Its first two lines give the database and the
// parameter line; all its lines (up to 16) are also taken as parameter lines
// of their own. Whatever they hold: a read-only load writes nothing; the
// parameter block is well formed and holds each value as given; a refused
// line is named by its parameter, never by its value; the failure message
// shows no secret.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/integer.h"
#include "core/text.h"
#include "db/connect_rules.h"
#include "db/dpb.h"
#include "fuzz_support.h"
#include "settings/settings.h"

namespace tarnfold::fuzz {
namespace {

struct Line {
    std::string name;  // as the block names it
    std::string value;
};

std::vector<Line> Named(const std::vector<std::string>& lines) {
    std::vector<Line> named;
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || Trim(std::string_view(line).substr(0, equals)).empty()) continue;
        std::string name = LowerAscii(std::string_view(line).substr(0, equals));
        if (StartsWith(name, "isc_dpb_")) name.erase(0, 8);
        named.push_back({name, line.substr(equals + 1)});
    }
    return named;
}

// A number goes as four little-endian bytes (one for the dialect), a text
// as its code-page bytes.
bool HoldsValue(std::string_view item, const std::string& value) {
    if (item == Utf8ToCp1251(value)) return true;
    const auto number = ParseInteger(value);
    if (!number || *number < 0 || (item.size() != 4 && item.size() != 1)) return false;
    for (std::size_t i = 0; i < item.size(); ++i)
        if (static_cast<unsigned char>(item[i]) != ((static_cast<std::uint32_t>(*number) >> (8 * i)) & 0xFF))
            return false;
    return true;
}

void CheckBlock(const std::vector<std::string>& lines) {
    const std::vector<Line> named = Named(lines);
    std::string block;
    try {
        block = db::BuildDpb(lines);
    } catch (const Error& e) {
        // The message is read as a C string, as the window and the batch show it.
        const std::string_view message = e.what();
        const auto is = [&](const std::string& text) { return message == text.c_str(); };
        bool known = false;
        for (const Line& l : named)
            known = known || is("Неверное значение параметра соединения: " + l.name + "=***") ||
                    is("Значение параметра соединения " + l.name + " длиннее 255 символов") ||
                    is("Параметр соединения " + l.name + " не поддерживается") ||
                    is("Неизвестный параметр соединения: " + l.name);
        Check(known, "a refused parameter line is named by its parameter alone");
        return;
    }
    Check(!block.empty() && block[0] == 1, "the block starts with its version");
    std::size_t at = 1;
    for (const Line& l : named) {
        Check(at + 2 <= block.size(), "the block holds an item per parameter line");
        const std::size_t length = static_cast<unsigned char>(block[at + 1]);
        Check(at + 2 + length <= block.size(), "an item's length stays inside the block");
        Check(HoldsValue(std::string_view(block).substr(at + 2, length), l.value), "an item holds the line's value");
        at += 2 + length;
    }
    Check(at == block.size(), "the block holds nothing but the items");
}

void CheckConnection(const Settings& settings, bool hostIniMissing) {
    const db::ConnectionSettings connection{settings.DBPath, settings.DBPassword, hostIniMissing};
    CheckBlock(db::ParameterLines(connection));
    const std::string& secret = connection.DBPassword;
    const std::string hidden = db::HiddenPassword(connection);
    const std::size_t equals = secret.find('=');
    const std::string shown =
        secret.empty() ? ""
                       : (hostIniMissing || equals == std::string::npos ? "" : secret.substr(0, equals + 1)) + "***";
    Check(hidden == shown, "the password line shows its name at most");
    Check(db::FirstFailureMessage(connection) ==
              (hostIniMissing ? "1 " : "") + db::DatabaseNameFor(connection) + "\r" + hidden,
          "the failure message shows the hidden password");
}

}  // namespace
}  // namespace tarnfold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnfold;
    using namespace tarnfold::fuzz;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ClearScratch();
    const std::filesystem::path host = ScratchFolder() / "kvel";
    std::filesystem::create_directories(host / "Tarnfold");
    const std::string program = (host / "Tarnfold").string() + "/";
    WriteFile(LocatorFilePath(program), input);

    Settings settings;
    LoadSettings(program, 2011, settings, SettingsAccess::ReadOnly);
    Check(!settings.HostIniMissing, "the locator is found");
    Check(!std::filesystem::exists(SettingsFilePath(program)), "a read-only load creates no settings file");
    CheckConnection(settings, false);
    CheckConnection(settings, true);

    std::vector<std::string> lines;
    for (std::string_view line : SplitAt(input, "\n")) {
        if (lines.size() == 16) break;
        lines.push_back(DecodeUtf8OrCp1251(line.substr(0, line.find('\r'))));
    }
    CheckBlock(lines);
    return 0;
}
