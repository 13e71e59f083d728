#include "window/export_connection.h"

#include <utility>

namespace tarnfold::window {

namespace {

ExportOptions OptionsFor(const MainWindowLogic& logic, const std::string& programFolder, RegionalFormats formats) {
    ExportOptions options;
    options.logFile = logic.LoadedSettings().Report.journalEnabled;
    options.formats = std::move(formats);
    options.programFolder = programFolder;
    return options;
}

}  // namespace

ExportConnection::ExportConnection(MainWindowLogic& logic, RowSource rows, WordServers servers,
                                   const std::string& programFolder, RegionalFormats formats, FileViewer showJournal)
    : logic_(logic),
      engine_(std::move(rows), servers, logic, OptionsFor(logic, programFolder, std::move(formats))),
      actions_(engine_,
               [programFolder, showJournal = std::move(showJournal)] { BJournalClick(programFolder, showJournal); }) {
    logic_.Connect(&actions_);
}

ExportConnection::~ExportConnection() { logic_.Connect(nullptr); }

}  // namespace tarnfold::window
