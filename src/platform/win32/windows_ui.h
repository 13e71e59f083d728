#pragma once
// The Win32 side of the single-instance rule: the real window operations and
// the program's own hidden application window.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "window/single_instance.h"

namespace tarnfold::win32 {

using window::WindowHandle;

class ApplicationWindow;

// The desktop's windows as the single-instance check asks them:
// FindWindowW, GetWindow(GW_OWNER), GetWindowTextW, ShowWindow(SW_SHOWNORMAL)
// and SetForegroundWindow, the wide forms, so a Cyrillic title matches
// whatever the system's code page. A named mutex of the session makes the
// lookup and the naming of the own window one step.
class Win32WindowSystem final : public window::WindowSystem {
public:
    // `own`: the program's application window; none for a start that only
    // looks for a running copy.
    explicit Win32WindowSystem(ApplicationWindow* own = nullptr) : own_(own) {}
    std::unique_ptr<Exclusive> Lock() override;
    WindowHandle OwnWindow() const override;
    void SetOwnText(const std::string& text) override;
    WindowHandle Find(const std::string& className, const std::string& title) override;
    WindowHandle Owner(WindowHandle window) override;
    std::string Text(WindowHandle window, std::size_t maxCharacters) override;
    void ShowNormal(WindowHandle window) override;
    void SetForeground(WindowHandle window) override;

private:
    ApplicationWindow* own_;
};

// The program's application window: a hidden, ownerless top-level window of
// class "TApplication" that stands for the running program. When another
// copy shows or activates it, it hides itself again and asks the main window
// to restore and raise itself through `onShowRequest`, called from the
// thread's message loop. It is created without a text, so that the lookup
// made before SetTitle cannot find it.
class ApplicationWindow {
public:
    explicit ApplicationWindow(std::function<void()> onShowRequest);
    ApplicationWindow(const ApplicationWindow&) = delete;
    ApplicationWindow& operator=(const ApplicationWindow&) = delete;
    ~ApplicationWindow();

    WindowHandle Handle() const;
    void SetTitle(const std::string& title);

    // For the window procedure (window_owner.h).
    void Adopt(HWND window);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void RequestShow();

    std::function<void()> onShowRequest_;
    HWND window_ = nullptr;
    bool requestPending_ = false;
};

}  // namespace tarnfold::win32
