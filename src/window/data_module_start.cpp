#include "window/data_module_start.h"

#include <exception>

#include "db/data_module.h"
#include "window/main_window_logic.h"

namespace tarnfold::window {

namespace {

// What connecting asks of the window: its two failure messages and the
// request to end, which waits until start-up is over.
class WindowConnectUi : public db::ConnectUi {
public:
    explicit WindowConnectUi(MainWindowLogic& window) : window_(window) {}
    void ShowMessage(const std::string& text) override { window_.ShowMessage(text); }
    void RequestEnd() override { endRequested = true; }
    bool endRequested = false;

private:
    MainWindowLogic& window_;
};

// A saved entry found again ignoring letter case, else the first entry.
int SavedOrFirst(const std::vector<std::string>& entries, const std::string& saved) {
    const int found = db::FindEntryIgnoringCase(entries, saved);
    return found < 0 ? 0 : found;
}

}  // namespace

DataModuleStart StartDataModule(MainWindowLogic& window, const std::string& programFolder) {
    DataModuleStart start;
    try {
        start.module = std::make_unique<db::DataModule>(programFolder);
    } catch (const std::exception& error) {
        // Without the client library the program cannot work at all: it ends
        // after telling why.
        window.ShowError(error.what());
        return start;
    }
    db::DataModule& module = *start.module;
    const Settings& settings = window.LoadedSettings();
    WindowConnectUi ui(window);
    bool connected = false;
    try {
        module.ConnectDatabase(db::ConnectionSettings{settings.DBPath, settings.DBPassword, settings.HostIniMissing},
                               ui);
        connected = true;
    } catch (const std::exception& error) {
        window.SetInstitutions(module.Institutions());
        window.SetPeriods(module.Periods());
        window.SetDatabaseName(module.DatabaseName());
        window.ShowError(error.what());
    }
    start.endRequested = ui.endRequested;
    if (connected) ShowStartRecords(window, module.Institutions(), module.Periods(), module.DatabaseName());
    return start;
}

void ShowStartRecords(MainWindowLogic& window, const std::vector<db::Institution>& institutionRecords,
                      const std::vector<db::Period>& periods, const std::string& databaseName) {
    const Settings& settings = window.LoadedSettings();
    const std::vector<std::string> institutions = db::InstitutionEntries(institutionRecords);
    window.SetInstitutions(institutionRecords);
    window.SetPeriods(periods);
    window.SetDatabaseName(databaseName);
    if (!institutions.empty()) window.SelectInstitution(SavedOrFirst(institutions, settings.Report.institutionEntry));
    if (!window.FormEntries().empty())
        window.SelectForm(SavedOrFirst(window.FormEntries(), settings.Report.formCaption));
    window.ShowDatabaseName();
}

}  // namespace tarnfold::window
