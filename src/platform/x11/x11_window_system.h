#pragma once
// The single-instance calls on an X11 desktop. The program's application
// window is a never-mapped input-only top-level window: it stays a direct
// child of the root under any window manager, where a lookup over the root's
// children finds it. It lives on a connection of its own, because Xlib's
// event calls cannot share the toolkit's connection.

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "window/single_instance.h"

class QSocketNotifier;

namespace tarnfold::x11 {

using window::WindowHandle;
using window::WindowSystem;

class X11WindowSystem : public QObject, public WindowSystem {
    Q_OBJECT
public:
    // Connects to the named display and creates the application window; no
    // value when the display cannot be reached.
    static std::unique_ptr<X11WindowSystem> Open(const std::string& displayName);
    ~X11WindowSystem() override;

    std::unique_ptr<Exclusive> Lock() override;
    WindowHandle OwnWindow() const override;
    void SetOwnText(const std::string& text) override;
    WindowHandle Find(const std::string& className, const std::string& text) override;
    WindowHandle Owner(WindowHandle window) override;
    std::string Text(WindowHandle window, std::size_t maxCharacters) override;
    void ShowNormal(WindowHandle window) override;
    void SetForeground(WindowHandle window) override;

    // From now on another copy's requests are answered: the handlers run on
    // the user-interface thread. Requests that came earlier are answered now.
    void Listen(std::function<void()> onShowNormal, std::function<void()> onSetForeground);

    // Maps the window when it is not (also when the toolkit believes it is
    // shown) and activates it: through the window manager where it supports
    // that, else by raising it and giving it the input focus at the server's
    // current time, which without a window manager is the only time it takes.
    void BringToFront(WindowHandle window);

private:
    struct Impl;
    explicit X11WindowSystem(std::unique_ptr<Impl> impl);
    void ProcessPending();

    std::unique_ptr<Impl> impl_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onShowNormal_;
    std::function<void()> onSetForeground_;
};

}  // namespace tarnfold::x11
