#include "platform/win32/instance_lookup.h"

namespace tarnfold::win32 {

WindowHandle FindOtherCopy(WindowLookup& windows, WindowHandle ownWindow, const std::string& title) {
    const WindowHandle found = windows.Find(kApplicationWindowClass, title);
    if (found == 0) return 0;
    if (found == ownWindow) return 0;
    if (windows.Owner(found) != 0) return 0;
    const std::string text = windows.Text(found);
    if (text.empty()) return 0;
    if (text != title) return 0;
    return found;
}

bool BringOtherCopyForward(WindowLookup& windows, WindowHandle ownWindow, const std::string& title) {
    const WindowHandle other = FindOtherCopy(windows, ownWindow, title);
    if (other == 0) return false;
    windows.ShowNormal(other);
    windows.SetForeground(other);
    return true;
}

}  // namespace tarnfold::win32
