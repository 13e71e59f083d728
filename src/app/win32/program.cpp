#include "app/win32/program.h"

#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "app/win32/dialogs.h"
#include "app/win32/main_window.h"
#include "core/paths.h"
#include "core/regional.h"
#include "platform/win32/shell.h"
#include "platform/win32/windows_ui.h"
#include "window/export_connection.h"
#include "window/single_instance.h"
#include "word/com/apartment.h"
#include "word/com/message_filter.h"
#include "word/com/word_com.h"

namespace tarnfold::app::win32 {

namespace {

std::int32_t CurrentYear() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wYear;
}

void RunMessageLoop(MainWindow& window) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int RunStarted(const StartRows& startRows) {
    // Word's automation and the folder dialog both want the window's thread
    // in a single-threaded apartment.
    const word::com::ComApartment apartment;
    // A Word that is busy (just started, a dialog open in it) is waited for.
    const word::com::BusyServerFilter busyWord;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    MainWindow* shown = nullptr;
    tarnfold::win32::ApplicationWindow application([&shown] {
        if (shown) shown->Raise();
    });
    tarnfold::win32::Win32WindowSystem windows(&application);
    if (!window::StartAsOnlyCopy(windows)) return 0;

    const std::string programFolder = ProgramFolder();
    MainWindow window(programFolder, CurrentYear());
    const std::optional<RowSource> rows = startRows(window.Logic(), programFolder);
    if (!rows) return 0;
    // Word reads and writes .docx as its own format: it fills both kinds of
    // template.
    word::com::ComServer word;
    const window::ExportConnection connection(window.Logic(), rows->beginSession, WordServers(word, &word),
                                              programFolder, UserRegionalFormats(),
                                              tarnfold::win32::OpenWithAssociatedProgram);
    window.Show();
    shown = &window;
    RunMessageLoop(window);
    shown = nullptr;
    return 0;
}

}  // namespace

int RunWindowProgram(const StartRows& startRows) {
    try {
        return RunStarted(startRows);
    } catch (const std::exception& error) {
        ShowErrorBox(nullptr, error.what());
    }
    return 0;
}

}  // namespace tarnfold::app::win32
