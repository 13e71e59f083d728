#pragma once
// The program's start: application object, lookup of another copy, title,
// main window, data module, event loop. The exit code is 0 on every path.

namespace tarnfold::app {

int Run(int argc, char** argv);

}  // namespace tarnfold::app
