#include "settings/settings.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "catalogue/catalogue.h"
#include "core/file_reading.h"
#include "core/integer.h"
#include "core/paths.h"
#include "core/text.h"
#include "settings/file_io.h"
#include "settings/profile_file.h"

namespace tarnfold {
namespace {

constexpr const char* kBase = "BASE";
constexpr const char* kReport = "REPORT";

// The locator's path line names the database folder: the text after
// "dbPath=", with or without a trailing separator.
void ApplyLocatorLine(const std::string& line, Settings& settings) {
    static constexpr std::string_view marker = "dbPath=";
    const std::size_t at = line.find(marker);
    if (at == std::string::npos) {
        settings.DBPassword = line;
        return;
    }
    settings.DBPath = FolderWithBackslash(Trim(std::string_view(line).substr(at + marker.size()))) + "kvel.gdb";
}

// Only the first two lines count; past the end of the file lines read empty.
void ReadLocator(const std::string& fileName, Settings& settings) {
    const std::vector<std::string> lines = SettingsLines(ReadFileBytes(fileName, 2));
    for (std::size_t n = 0; n < 2; ++n) ApplyLocatorLine(n < lines.size() ? lines[n] : std::string(), settings);
}

void WriteInteger(ProfileFile& ini, const char* key, std::int32_t value) {
    ini.WriteString(kReport, key, std::to_string(value));
}

void WriteBool(ProfileFile& ini, const char* key, bool value) { ini.WriteString(kReport, key, value ? "1" : "0"); }

std::int32_t ReadInt(const ProfileFile& ini, const char* key, std::int32_t fallback) {
    return ReadInteger(ini.ReadString(kReport, key, ""), fallback);
}

}  // namespace

std::string SettingsFilePath(const std::string& programFolder) { return programFolder + "Tarnfold.ini"; }

std::string LocatorFilePath(const std::string& programFolder) {
    const std::string folder = FolderWithBackslash(programFolder);
    const std::size_t last = folder.find_last_of("\\/");
    if (last == std::string::npos || last == 0) return folder + "kvel.ini";
    const std::size_t previous = folder.find_last_of("\\/", last - 1);
    if (previous == std::string::npos) return folder + "kvel.ini";
    return folder.substr(0, previous + 1) + "kvel.ini";
}

void LoadSettings(const std::string& programFolder, std::int32_t currentYear, Settings& settings,
                  SettingsAccess access) {
    const bool mayWrite = access == SettingsAccess::ReadWrite;

    settings.HostIniMissing = false;
    const std::string locator = LocatorFilePath(programFolder);
    std::error_code ec;
    if (std::filesystem::exists(PathFromUtf8(locator), ec))
        ReadLocator(locator, settings);
    else
        settings.HostIniMissing = true;

    ProfileFile ini(SettingsFilePath(programFolder));
    TReportSettings& report = settings.Report;
    report.PathReport = FolderWithBackslash(programFolder) + "DocF_2011";
    report.Year = currentYear;

    if (settings.HostIniMissing) {
        if (ini.SectionExists(kBase)) {
            settings.DBPath = ini.ReadString(kBase, "PathBase", settings.DBPath);
            settings.DBPassword = ini.ReadString(kBase, "PasswordBase", settings.DBPassword);
        } else if (mayWrite) {
            ini.WriteString(kBase, "PathBase", settings.DBPath);
            ini.WriteString(kBase, "PasswordBase", settings.DBPassword);
            ini.Commit();
        }
    }

    if (ini.SectionExists(kReport)) {
        report.Forma = ini.ReadString(kReport, "Forma", Forms[0].Caption);
        report.LPU = ini.ReadString(kReport, "LPU", TReportSettings{}.LPU);
        report.Razrez = ini.ReadString(kReport, "Razrez", TReportSettings{}.Razrez);
        report.Year = ReadInt(ini, "Year", report.Year);
        report.LogFile = ReadInt(ini, "LogFile", 0) != 0;
        report.PathReport = ini.ReadString(kReport, "PathReport", report.PathReport);
    } else if (mayWrite) {
        ini.WriteString(kReport, "Forma", report.Forma);
        ini.WriteString(kReport, "LPU", report.LPU);
        ini.WriteString(kReport, "Razrez", report.Razrez);
        ini.WriteString(kReport, "PathReport", report.PathReport);
        WriteInteger(ini, "Year", report.Year);
        WriteBool(ini, "LogFile", report.LogFile);
        ini.Commit();
    }
}

void SaveSettings(const std::string& programFolder, const std::string& databaseName, const Settings& settings,
                  const WindowChoices& choices) {
    ProfileFile ini(SettingsFilePath(programFolder));
    if (settings.HostIniMissing) {
        ini.WriteString(kBase, "PathBase", FolderPart(databaseName));
        ini.WriteString(kBase, "PasswordBase", settings.DBPassword);
    }
    ini.WriteString(kReport, "Forma", choices.Forma);
    ini.WriteString(kReport, "LPU", choices.LPU);
    WriteInteger(ini, "Year", ReadInteger(choices.YearText, 0));
    ini.WriteString(kReport, "Razrez", choices.Razrez);
    ini.WriteString(kReport, "PathReport", choices.PathReport);
    WriteBool(ini, "LogFile", settings.Report.LogFile);
    ini.Commit();
}

}  // namespace tarnfold
