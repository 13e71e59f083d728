#include "platform/win32/shell.h"

#include <windows.h>
#include <shellapi.h>

#include "core/wide_text.h"

namespace tarnfold::win32 {

void OpenWithAssociatedProgram(const std::string& path) {
    ShellExecuteW(nullptr, nullptr, Wide(path).c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace tarnfold::win32
