#pragma once
// The program's start: application object, lookup of another copy, title,
// main window, data module, event loop. The exit code is 0 on every path.

#include <functional>

namespace tarnfold::db {
class DataModule;
}

namespace tarnfold::app {

class MainWindow;

// Connects what works through the window (the export, the journal) once the
// window and the data module stand, before the window is shown.
using ConnectWindow = std::function<void(MainWindow& window, db::DataModule& data)>;

int Run(int argc, char** argv, const ConnectWindow& connect = {});

}  // namespace tarnfold::app
