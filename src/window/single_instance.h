#pragma once
// One copy per desktop: a running copy is known by its application window,
// a top-level window of class "TApplication" whose text is AppTitle. A second
// start hands over to it and ends.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tarnfold::window {

using WindowHandle = std::uint64_t;  // 0: no window

// The few window-system calls the check makes, so that each desktop brings
// its own.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Held while the lookup and the naming of the own window happen, so that
    // copies started together cannot both miss each other.
    class Exclusive {
    public:
        virtual ~Exclusive() = default;
    };
    virtual std::unique_ptr<Exclusive> Lock() = 0;

    // The program's own application window, not yet named.
    virtual WindowHandle OwnWindow() const = 0;
    virtual void SetOwnText(const std::string& text) = 0;

    // First top-level window of the class whose text equals `text`, letter
    // case ignored in both; 0 when there is none.
    virtual WindowHandle Find(const std::string& className, const std::string& text) = 0;
    // The window that owns it; 0 for a window without an owner.
    virtual WindowHandle Owner(WindowHandle window) = 0;
    // Its text, at most `maxCharacters` characters, up to a zero byte.
    virtual std::string Text(WindowHandle window, std::size_t maxCharacters) = 0;
    // Ask the copy behind the window to restore its main window, also from
    // minimised, and to bring it to the front with the keyboard focus.
    virtual void ShowNormal(WindowHandle window) = 0;
    virtual void SetForeground(WindowHandle window) = 0;
};

inline constexpr const char* ApplicationWindowClass = "TApplication";
// A window text is read into 128 bytes with the terminating zero.
inline constexpr std::size_t WindowTextLimit = 127;

// The other copy's application window, or 0 when this one is the only copy:
// the window found must not be our own, must have no owner and must have a
// text that equals AppTitle exactly. Only the first window found is looked at.
WindowHandle FindOtherCopy(WindowSystem& windows);

// Looks for another copy and, when there is one, asks it to come forward and
// answers false: this copy then ends. Otherwise names the own application
// window AppTitle and answers true.
bool StartAsOnlyCopy(WindowSystem& windows);

// A desktop without a window system to ask (tests without a display): no
// other copy is ever found.
class NoWindowSystem : public WindowSystem {
public:
    std::unique_ptr<Exclusive> Lock() override { return std::make_unique<Exclusive>(); }
    WindowHandle OwnWindow() const override { return 0; }
    void SetOwnText(const std::string&) override {}
    WindowHandle Find(const std::string&, const std::string&) override { return 0; }
    WindowHandle Owner(WindowHandle) override { return 0; }
    std::string Text(WindowHandle, std::size_t) override { return {}; }
    void ShowNormal(WindowHandle) override {}
    void SetForeground(WindowHandle) override {}
};

}  // namespace tarnfold::window
