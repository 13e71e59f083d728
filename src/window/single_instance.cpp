#include "window/single_instance.h"

#include "core/app_title.h"

namespace tarnfold::window {

WindowHandle FindOtherCopy(WindowSystem& windows) {
    const WindowHandle found = windows.Find(ApplicationWindowClass, AppTitle);
    if (found == 0) return 0;
    if (found == windows.OwnWindow()) return 0;
    if (windows.Owner(found) != 0) return 0;
    const std::string text = windows.Text(found, WindowTextLimit);
    if (text.empty()) return 0;
    // The lookup ignores letter case; this comparison does not.
    if (text != AppTitle) return 0;
    return found;
}

bool StartAsOnlyCopy(WindowSystem& windows) {
    WindowHandle other = 0;
    {
        const auto exclusive = windows.Lock();
        other = FindOtherCopy(windows);
        if (other == 0) {
            windows.SetOwnText(AppTitle);
            return true;
        }
    }
    windows.ShowNormal(other);
    windows.SetForeground(other);
    return false;
}

}  // namespace tarnfold::window
