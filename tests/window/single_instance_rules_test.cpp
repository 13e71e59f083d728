// The copy check, without a display: a stand-in window system.

#include <gtest/gtest.h>

#include <map>

#include "window/single_instance.h"
#include "core/app_title.h"

using namespace tarnfold;
using namespace tarnfold::window;

// Stands in for the window system in the check's own logic: the desktop is a
// list of windows in lookup order.
class FakeWindows : public WindowSystem {
public:
    struct Window {
        std::string className;
        std::string text;
        WindowHandle owner = 0;
    };
    std::map<WindowHandle, Window> windows;
    std::vector<WindowHandle> order;
    WindowHandle own = 99;
    std::vector<std::string> calls;
    int lockDepth = 0;

    class Lock_ : public Exclusive {
    public:
        explicit Lock_(FakeWindows& w) : w_(w) {
            ++w_.lockDepth;
            w_.calls.push_back("lock");
        }
        ~Lock_() override {
            --w_.lockDepth;
            w_.calls.push_back("unlock");
        }

    private:
        FakeWindows& w_;
    };

    void Add(WindowHandle h, Window w) {
        windows[h] = w;
        order.push_back(h);
    }
    std::unique_ptr<Exclusive> Lock() override { return std::make_unique<Lock_>(*this); }
    WindowHandle OwnWindow() const override { return own; }
    void SetOwnText(const std::string& text) override {
        calls.push_back("title " + text + (lockDepth ? " locked" : ""));
    }
    WindowHandle Find(const std::string& className, const std::string& text) override {
        calls.push_back(std::string("find") + (lockDepth ? " locked" : ""));
        for (WindowHandle h : order) {
            const Window& w = windows[h];
            if (Lower(w.className) == Lower(className) && Lower(w.text) == Lower(text)) return h;
        }
        return 0;
    }
    WindowHandle Owner(WindowHandle h) override { return windows[h].owner; }
    std::string Text(WindowHandle h, std::size_t max) override { return windows[h].text.substr(0, max); }
    void ShowNormal(WindowHandle h) override { calls.push_back("show " + std::to_string(h)); }
    void SetForeground(WindowHandle h) override { calls.push_back("front " + std::to_string(h)); }

private:
    static std::string Lower(std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }
};

TEST(SingleInstance, AloneTheCopyNamesItsWindowUnderTheLock) {
    FakeWindows desktop;
    EXPECT_TRUE(StartAsOnlyCopy(desktop));
    EXPECT_EQ(desktop.calls, (std::vector<std::string>{"lock", "find locked",
                                                       std::string("title ") + AppTitle + " locked", "unlock"}));
}

TEST(SingleInstance, ARunningCopyIsAskedToComeForward) {
    FakeWindows desktop;
    desktop.Add(7, {"TApplication", AppTitle});
    EXPECT_EQ(FindOtherCopy(desktop), 7u);
    desktop.calls.clear();
    EXPECT_FALSE(StartAsOnlyCopy(desktop));
    EXPECT_EQ(desktop.calls, (std::vector<std::string>{"lock", "find locked", "unlock", "show 7", "front 7"}));
}

TEST(SingleInstance, OnlyAnExactOwnerlessForeignMatchCounts) {
    {
        FakeWindows desktop;  // the lookup ignores case, the comparison does not
        desktop.Add(7, {"TApplication", "TARNFOLD-выгрузка данных в бланки форм"});
        EXPECT_EQ(FindOtherCopy(desktop), 0u);
        EXPECT_TRUE(StartAsOnlyCopy(desktop));
    }
    {
        FakeWindows desktop;  // owned by another window
        desktop.Add(7, {"TApplication", AppTitle, 3});
        EXPECT_EQ(FindOtherCopy(desktop), 0u);
    }
    {
        FakeWindows desktop;  // our own window
        desktop.own = 7;
        desktop.Add(7, {"TApplication", AppTitle});
        EXPECT_EQ(FindOtherCopy(desktop), 0u);
    }
    {
        FakeWindows desktop;  // only the first match is examined
        desktop.Add(5, {"tapplication", "tarnfold-выгрузка данных в бланки форм"});
        desktop.Add(7, {"TApplication", AppTitle});
        EXPECT_EQ(FindOtherCopy(desktop), 0u);
    }
    {
        FakeWindows desktop;  // an empty text never matches
        desktop.Add(7, {"TApplication", ""});
        EXPECT_EQ(FindOtherCopy(desktop), 0u);
    }
    {
        FakeWindows desktop;  // a different class is no copy
        desktop.Add(7, {"QWidget", AppTitle});
        EXPECT_EQ(FindOtherCopy(desktop), 0u);
    }
}

TEST(SingleInstance, NoWindowSystemFindsNothing) {
    NoWindowSystem none;
    EXPECT_TRUE(StartAsOnlyCopy(none));
    EXPECT_EQ(FindOtherCopy(none), 0u);
}
