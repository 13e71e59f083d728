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

// Keys of section BASE.
constexpr const char* kDatabaseFolderKey = "PathBase";
constexpr const char* kPasswordKey = "PasswordBase";

// Keys of section REPORT.
constexpr const char* kFormCaptionKey = "Forma";
constexpr const char* kInstitutionEntryKey = "LPU";
constexpr const char* kSectionKey = "Razrez";
constexpr const char* kYearKey = "Year";
constexpr const char* kJournalEnabledKey = "LogFile";
constexpr const char* kTemplateFolderKey = "PathReport";

// The locator's path line names the database folder: the text after
// "dbPath=", with or without a trailing separator.
void ApplyLocatorLine(const std::string& line, Settings& settings) {
    static constexpr std::string_view marker = "dbPath=";
    const std::size_t at = line.find(marker);
    if (at == std::string::npos) {
        settings.DBPassword = line;
        return;
    }
    settings.DBPath = FolderWithTrailingSeparator(Trim(std::string_view(line).substr(at + marker.size()))) + "kvel.gdb";
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
    const std::string folder = FolderWithTrailingSeparator(programFolder);
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
    ReportSettings& report = settings.Report;
    report.templateFolder = FolderWithTrailingSeparator(programFolder) + "DocF_2011";
    report.year = currentYear;

    if (settings.HostIniMissing) {
        if (ini.SectionExists(kBase)) {
            settings.DBPath = ini.ReadString(kBase, kDatabaseFolderKey, settings.DBPath);
            settings.DBPassword = ini.ReadString(kBase, kPasswordKey, settings.DBPassword);
        } else if (mayWrite) {
            ini.WriteString(kBase, kDatabaseFolderKey, settings.DBPath);
            ini.WriteString(kBase, kPasswordKey, settings.DBPassword);
            ini.Commit();
        }
    }

    if (ini.SectionExists(kReport)) {
        report.formCaption = ini.ReadString(kReport, kFormCaptionKey, Forms[0].caption);
        report.institutionEntry = ini.ReadString(kReport, kInstitutionEntryKey, ReportSettings{}.institutionEntry);
        report.section = ini.ReadString(kReport, kSectionKey, ReportSettings{}.section);
        report.year = ReadInt(ini, kYearKey, report.year);
        report.journalEnabled = ReadInt(ini, kJournalEnabledKey, 0) != 0;
        report.templateFolder = ini.ReadString(kReport, kTemplateFolderKey, report.templateFolder);
    } else if (mayWrite) {
        ini.WriteString(kReport, kFormCaptionKey, report.formCaption);
        ini.WriteString(kReport, kInstitutionEntryKey, report.institutionEntry);
        ini.WriteString(kReport, kSectionKey, report.section);
        ini.WriteString(kReport, kTemplateFolderKey, report.templateFolder);
        WriteInteger(ini, kYearKey, report.year);
        WriteBool(ini, kJournalEnabledKey, report.journalEnabled);
        ini.Commit();
    }
}

void SaveSettings(const std::string& programFolder, const std::string& databaseName, const Settings& settings,
                  const WindowChoices& choices) {
    ProfileFile ini(SettingsFilePath(programFolder));
    if (settings.HostIniMissing) {
        ini.WriteString(kBase, kDatabaseFolderKey, FolderPart(databaseName));
        ini.WriteString(kBase, kPasswordKey, settings.DBPassword);
    }
    ini.WriteString(kReport, kFormCaptionKey, choices.formCaption);
    ini.WriteString(kReport, kInstitutionEntryKey, choices.institutionEntry);
    WriteInteger(ini, kYearKey, ReadInteger(choices.yearText, 0));
    ini.WriteString(kReport, kSectionKey, choices.section);
    ini.WriteString(kReport, kTemplateFolderKey, choices.templateFolder);
    WriteBool(ini, kJournalEnabledKey, settings.Report.journalEnabled);
    ini.Commit();
}

}  // namespace tarnfold
