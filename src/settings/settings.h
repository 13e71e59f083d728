#pragma once
// The locator file kvel.ini of the host system (read only) and the tool's own
// settings file Tarnfold.ini: where the database is, and the user's last choices.

#include <cstdint>
#include <string>

namespace tarnfold {

// The user's last choices, kept in section REPORT.
struct ReportSettings {
    std::string formCaption = "Форма 7.  Сведения о заболевших злокачественными новообразованиями";
    std::string institutionEntry = "1166 - Велинская область";
    std::string section = "00";   // text of the form-section field
    std::int32_t year = 0;        // the load puts the current year here
    bool journalEnabled = false;  // whether an export writes the export journal
    std::string templateFolder;
};

// The process-wide values the load fills, with their built-in defaults.
struct Settings {
    std::string DBPath = "C:\\Ardmet\\kvel\\";
    std::string DBPassword = "quillrest";
    bool HostIniMissing = false;
    ReportSettings Report;
};

// What the window's controls hold when it closes.
struct WindowChoices {
    std::string formCaption;       // text of the selected form
    std::string institutionEntry;  // text of the selected institution
    std::string yearText;          // text of the year field, read by the integer rule (0 when none)
    std::string section;           // text of the form-section field
    std::string templateFolder;    // text of the template-folder field
};

std::string SettingsFilePath(const std::string& programFolder);
std::string LocatorFilePath(const std::string& programFolder);

enum class SettingsAccess { ReadWrite, ReadOnly };

// Loads into `settings` step by step, so that on failure it keeps what was read
// so far. Throws Error: "Unable to write to <file>" when writing a missing
// section fails, or the system's text when the locator file cannot be read.
// ReadOnly never writes: a missing section simply gives the defaults.
void LoadSettings(const std::string& programFolder, std::int32_t currentYear, Settings& settings,
                  SettingsAccess access = SettingsAccess::ReadWrite);

// Writes the choices back; `databaseName` is the name the connection uses.
void SaveSettings(const std::string& programFolder, const std::string& databaseName, const Settings& settings,
                  const WindowChoices& choices);

}  // namespace tarnfold
