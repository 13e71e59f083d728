#pragma once
// The Windows window program from start to end: one copy per desktop, the
// window, its rows, the export through Word, the message loop.

#include <functional>
#include <optional>
#include <string>

#include "export/export_run.h"
#include "window/main_window_logic.h"

namespace tarnfold::app::win32 {

// Connects to where the rows come from and fills the window's lists from it;
// nothing when the program is to end (it has told the user why).
using StartRows =
    std::function<std::optional<RowSource>(window::MainWindowLogic& logic, const std::string& programFolder)>;

// Returns the program's exit code.
int RunWindowProgram(const StartRows& startRows);

}  // namespace tarnfold::app::win32
