#pragma once
// The window connected to the export: runs on the loaded settings' journal
// switch, the program folder and the user's regional formats, each reporting
// to the window, behind the window's buttons. The word processors and the way
// to show the journal are the platform's. The last run keeps its
// word-processor application until the next run replaces it.

#include <memory>
#include <string>

#include "core/regional.h"
#include "export/export_run.h"
#include "journal/journal.h"
#include "window/export_actions.h"
#include "window/main_window_logic.h"

namespace tarnfold::window {

class ExportConnection : public ExportActions {
public:
    ExportConnection(MainWindowLogic& logic, SessionFactory beginSession, WordServers servers,
                     const std::string& programFolder, RegionalFormats formats, FileViewer showJournal);
    ~ExportConnection() override;
    ExportConnection(const ExportConnection&) = delete;
    ExportConnection& operator=(const ExportConnection&) = delete;

    void Export(const ExportChoices& choices) override;
    void Abort() override;
    void OpenJournal() override;

private:
    MainWindowLogic& logic_;
    SessionFactory beginSession_;
    WordServers servers_;
    std::string programFolder_;
    ExportOptions options_;
    FileViewer showJournal_;
    std::unique_ptr<ExportRun> run_;
};

}  // namespace tarnfold::window
