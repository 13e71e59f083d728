#pragma once

#include <string>

namespace tarnfold::win32 {

// Opens the file with the program the system associates with its type, as a
// double click would (no owner window, the default verb, shown activated at
// its current size). The shell's answer is not examined: with no associated
// program nothing happens.
void OpenWithAssociatedProgram(const std::string& path);

}  // namespace tarnfold::win32
