#pragma once
// Opens a file with the program the desktop associates with it.

#include <string>

namespace tarnfold::word::docx {

// Starts the desktop's program for the file (xdg-open on Linux, the shell on
// Windows) and returns at once; the program runs on detached from this one,
// its output discarded. Fails with an Error when it cannot be started.
void OpenWithDesktop(const std::string& pathUtf8);

}  // namespace tarnfold::word::docx
