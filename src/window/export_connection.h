#pragma once
// The window connected to the export: an engine on the loaded settings'
// journal switch, the program folder and the user's regional formats, behind
// the window's buttons. The word processors and the way to show the journal
// are the platform's.

#include <string>

#include "core/regional.h"
#include "export/export_engine.h"
#include "journal/journal.h"
#include "window/export_actions.h"
#include "window/main_window_logic.h"

namespace tarnfold::window {

class ExportConnection {
public:
    ExportConnection(MainWindowLogic& logic, RowSource rows, WordServers servers, const std::string& programFolder,
                     RegionalFormats formats, FileViewer showJournal);
    ~ExportConnection();
    ExportConnection(const ExportConnection&) = delete;
    ExportConnection& operator=(const ExportConnection&) = delete;

private:
    MainWindowLogic& logic_;
    ExportEngine engine_;
    EngineActions actions_;
};

}  // namespace tarnfold::window
