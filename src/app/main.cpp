#include <memory>

#include "app/main_window.h"
#include "app/startup.h"
#include "core/paths.h"
#include "core/regional.h"
#include "export/export_engine.h"
#include "journal/journal.h"
#include "window/export_actions.h"
#include "word/docx/docx_server.h"
#include "word/libreoffice/libreoffice.h"

// The program: the window, connected to the export engine, which writes .doc
// templates through the user's own LibreOffice and fills .docx templates
// itself. The office, the engine and the buttons' actions are declared here
// so that they outlive the event loop and are released before exit.
int main(int argc, char** argv) {
    using namespace tarnfold;
    std::unique_ptr<word::LibreOfficeServer> office;
    word::docx::DocxServer docx;
    std::unique_ptr<ExportEngine> engine;
    std::unique_ptr<window::EngineActions> actions;
    const auto connectExport = [&](app::MainWindow& mainWindow, db::DataModule& data) {
        window::MainWindowLogic& logic = mainWindow.Logic();
        const std::string programFolder = ProgramFolder();
        office = std::make_unique<word::LibreOfficeServer>(word::DefaultLibreOfficeOptions());
        ExportOptions options;
        options.logFile = logic.LoadedSettings().Report.LogFile;
        options.formats = UserRegionalFormats();
        options.programFolder = programFolder;
        engine = std::make_unique<ExportEngine>(data, WordServers(*office, &docx), logic, options);
        // The office is told the journal's code page; a desktop text program would guess UTF-8.
        actions = std::make_unique<window::EngineActions>(*engine, [programFolder, &office] {
            BJournalClick(programFolder, [&office](const std::string& path) { office->ShowPlainText(path); });
        });
        logic.Connect(actions.get());
    };
    const int code = app::Run(argc, argv, connectExport);
    actions.reset();
    engine.reset();
    office.reset();
    return code;
}
