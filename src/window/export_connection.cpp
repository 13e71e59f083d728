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

ExportConnection::ExportConnection(MainWindowLogic& logic, SessionFactory beginSession, WordServers servers,
                                   const std::string& programFolder, RegionalFormats formats, FileViewer showJournal)
    : logic_(logic),
      beginSession_(std::move(beginSession)),
      servers_(servers),
      programFolder_(programFolder),
      options_(OptionsFor(logic, programFolder, std::move(formats))),
      showJournal_(std::move(showJournal)) {
    logic_.Connect(this);
}

ExportConnection::~ExportConnection() { logic_.Connect(nullptr); }

void ExportConnection::Export(const ExportChoices& choices) {
    run_ = std::make_unique<ExportRun>(beginSession_, servers_, logic_, options_, choices);
    run_->Execute();
}

void ExportConnection::Abort() {
    if (run_) run_->RequestAbort();
}

void ExportConnection::OpenJournal() { BJournalClick(programFolder_, showJournal_); }

}  // namespace tarnfold::window
