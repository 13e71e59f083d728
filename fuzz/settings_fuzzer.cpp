// The settings load and save on a program folder holding fuzzed files.
// Input: one flags character, then Tarnfold.ini, "\n--kvel.ini--\n", kvel.ini,
// "\n--choices--\n" and the window's choices one a line (form, institution,
// year, section, template folder, database name). Flags: 1 Tarnfold.ini
// exists, 2 kvel.ini exists, 4 the first load is read-only.
// Whatever the files hold: loading never throws; a read-only load writes
// nothing; a second load reads what the first one did; what the save writes
// is what the next load reads.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/integer.h"
#include "core/paths.h"
#include "core/text.h"
#include "fuzz_support.h"
#include "settings/settings.h"

namespace tarnfold::fuzz {
namespace {

bool Same(const Settings& a, const Settings& b) {
    return a.DBPath == b.DBPath && a.DBPassword == b.DBPassword && a.HostIniMissing == b.HostIniMissing &&
           a.Report.formCaption == b.Report.formCaption && a.Report.institutionEntry == b.Report.institutionEntry &&
           a.Report.section == b.Report.section && a.Report.year == b.Report.year &&
           a.Report.journalEnabled == b.Report.journalEnabled && a.Report.templateFolder == b.Report.templateFolder;
}

// A control's text: UTF-8, one line.
std::string ControlText(std::string_view bytes) {
    std::string text = ReplaceBrokenUtf8(bytes);
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string FileOrNone(const std::filesystem::path& path) {
    return std::filesystem::exists(path) ? "file:" + ReadFile(path) : "none";
}

}  // namespace
}  // namespace tarnfold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnfold;
    using namespace tarnfold::fuzz;
    if (size == 0) return 0;
    const unsigned flags = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto files = SplitAt(input, "\n--choices--\n");
    const auto inis = SplitAt(files[0], "\n--kvel.ini--\n");
    std::vector<std::string_view> lines = files.size() > 1 ? SplitAt(files[1], "\n") : std::vector<std::string_view>{};
    lines.resize(6);

    ClearScratch();
    const std::filesystem::path host = ScratchFolder() / "kvel";
    std::filesystem::create_directories(host / "Tarnfold");
    const std::string program = (host / "Tarnfold").string() + "/";
    const std::filesystem::path settingsFile = SettingsFilePath(program);
    const std::filesystem::path locatorFile = LocatorFilePath(program);
    Check(locatorFile == host / "kvel.ini", "the locator sits above the program folder");
    if (flags & 1) WriteFile(settingsFile, inis[0]);
    if (flags & 2) WriteFile(locatorFile, inis.size() > 1 ? inis[1] : std::string_view());

    const std::string settingsBefore = FileOrNone(settingsFile);
    const std::string locatorBefore = FileOrNone(locatorFile);
    Settings first;
    if (flags & 4) {
        LoadSettings(program, 2011, first, SettingsAccess::ReadOnly);
        Check(FileOrNone(settingsFile) == settingsBefore, "a read-only load writes nothing");
    } else {
        LoadSettings(program, 2011, first);
    }
    Check(FileOrNone(locatorFile) == locatorBefore, "the locator is never written");
    const std::string settingsLoaded = FileOrNone(settingsFile);
    Settings second;
    LoadSettings(program, 2011, second);
    Check(Same(first, second), "a second load reads what the first did");
    if (!(flags & 4)) Check(FileOrNone(settingsFile) == settingsLoaded, "a second load writes nothing");

    WindowChoices choices{ControlText(lines[0]), ControlText(lines[1]), ControlText(lines[2]), ControlText(lines[3]),
                          ControlText(lines[4])};
    const std::string databaseName = ControlText(lines[5]);
    SaveSettings(program, databaseName, second, choices);
    Settings saved;
    LoadSettings(program, 2011, saved, SettingsAccess::ReadOnly);
    Check(saved.Report.formCaption == choices.formCaption, "the form reads back as saved");
    Check(saved.Report.institutionEntry == choices.institutionEntry, "the institution reads back as saved");
    Check(saved.Report.section == choices.section, "the section reads back as saved");
    Check(saved.Report.templateFolder == choices.templateFolder, "the template folder reads back as saved");
    Check(saved.Report.year == ReadInteger(choices.yearText, 0), "the year reads back as saved");
    Check(saved.Report.journalEnabled == second.Report.journalEnabled, "the journal switch reads back as saved");
    if (second.HostIniMissing) {
        Check(saved.DBPath == FolderPart(databaseName), "the database folder reads back as saved");
        // A line break read into a value (a lone CR in a file of LF lines) can
        // only be written as a blank.
        Check(saved.DBPassword == ControlText(second.DBPassword), "the password reads back as saved");
    }
    return 0;
}
