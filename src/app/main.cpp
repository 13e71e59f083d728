#include <memory>

#include "app/main_window.h"
#include "app/startup.h"
#include "core/memory_reuse.h"
#include "core/paths.h"
#include "core/regional.h"
#include "window/export_connection.h"
#include "word/docx/docx_server.h"
#include "word/libreoffice/libreoffice.h"

// The program: the window, connected to the export engine, which writes .doc
// templates through the user's own LibreOffice and fills .docx templates
// itself. The office and the connection are declared here so that they
// outlive the event loop and are released before exit.
int main(int argc, char** argv) {
    using namespace tarnfold;
    KeepFreedMemoryForReuse();
    std::unique_ptr<word::LibreOfficeServer> office;
    word::docx::DocxServer docx;
    std::unique_ptr<window::ExportConnection> connection;
    const auto connectExport = [&](app::MainWindow& mainWindow, db::DataModule& data) {
        office = std::make_unique<word::LibreOfficeServer>(word::DefaultLibreOfficeOptions());
        // The office is told the journal's code page; a desktop text program would guess UTF-8.
        connection = std::make_unique<window::ExportConnection>(
            mainWindow.Logic(), RowsOf(data).beginSession, WordServers(*office, &docx), ProgramFolder(),
            UserRegionalFormats(), [&office](const std::string& path) { office->ShowPlainText(path); });
    };
    const int code = app::Run(argc, argv, connectExport);
    connection.reset();
    office.reset();
    return code;
}
