#include "app/data_module_start.h"

#include <exception>

#include "app/main_window.h"
#include "app/message_boxes.h"
#include "db/data_module.h"

namespace tarnfold::app {

namespace {

// What connecting asks of the window: its two failure messages and the
// request to end, which waits until start-up is over.
class WindowConnectUi : public db::ConnectUi {
public:
    void ShowMessage(const std::string& text) override { ShowPlainBox(nullptr, text); }
    void RequestEnd() override { endRequested = true; }
    bool endRequested = false;
};

}  // namespace

DataModuleStart StartDataModule(MainWindow& window, const std::string& programFolder) {
    DataModuleStart start;
    try {
        start.module = std::make_unique<db::DataModule>(programFolder);
    } catch (const std::exception& error) {
        // Without the client library the program cannot work at all: it ends
        // after telling why.
        ShowErrorBox(nullptr, error.what());
        return start;
    }
    db::DataModule& module = *start.module;
    const Settings& settings = window.LoadedSettings();
    WindowConnectUi ui;
    bool connected = false;
    try {
        module.ConnectDatabase(db::ConnectionSettings{settings.DBPath, settings.DBPassword, settings.HostIniMissing},
                               ui);
        connected = true;
    } catch (const std::exception& error) {
        window.SetInstitutions(db::InstitutionEntries(module.Institutions()));
        window.SetPeriods(db::PeriodEntries(module.Periods()));
        window.SetDatabaseName(module.DatabaseName());
        ShowErrorBox(nullptr, error.what());
    }
    start.endRequested = ui.endRequested;
    if (!connected) return start;

    const std::vector<std::string> institutions = db::InstitutionEntries(module.Institutions());
    window.SetInstitutions(institutions);
    window.SetPeriods(db::PeriodEntries(module.Periods()));
    window.SetDatabaseName(module.DatabaseName());
    if (!institutions.empty()) {
        const int saved = db::FindEntryIgnoringCase(institutions, settings.Report.LPU);
        window.SelectInstitution(saved < 0 ? 0 : saved);
    }
    const std::vector<std::string> forms = window.FormEntries();
    if (!forms.empty()) {
        const int saved = db::FindEntryIgnoringCase(forms, settings.Report.Forma);
        window.SelectForm(saved < 0 ? 0 : saved);
    }
    window.SetDatabaseStatus(" База: " + module.DatabaseName());
    return start;
}

}  // namespace tarnfold::app
