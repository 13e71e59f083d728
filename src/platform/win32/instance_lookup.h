#pragma once
// How a second start recognises a running copy: by its application window, a
// top-level window of class "TApplication" whose text is the application
// title. The rule is kept apart from the window system so that it can be
// checked against any implementation of these five operations.

#include <cstdint>
#include <string>

namespace tarnfold::win32 {

using WindowHandle = std::uintptr_t;

class WindowLookup {
public:
    virtual ~WindowLookup() = default;
    // The first top-level window of the class with this text, or 0.
    virtual WindowHandle Find(const std::string& className, const std::string& title) = 0;
    // The owner window, or 0 when there is none.
    virtual WindowHandle Owner(WindowHandle window) = 0;
    // The window's text as read into a 128-unit buffer: at most 127 units,
    // up to the first zero; empty when the window has none.
    virtual std::string Text(WindowHandle window) = 0;
    virtual void ShowNormal(WindowHandle window) = 0;
    virtual void SetForeground(WindowHandle window) = 0;
};

inline constexpr const char* kApplicationWindowClass = "TApplication";

// The running copy's application window, or 0. Only the first window the
// lookup returns is examined; it counts only when it is not `ownWindow`, has
// no owner, has a text, and that text equals `title` exactly (letter case
// included, although the lookup itself may ignore it).
WindowHandle FindOtherCopy(WindowLookup& windows, WindowHandle ownWindow, const std::string& title);

// Shows and raises the running copy's window; false when there is none, so
// this start goes on as the only copy.
bool BringOtherCopyForward(WindowLookup& windows, WindowHandle ownWindow, const std::string& title);

}  // namespace tarnfold::win32
