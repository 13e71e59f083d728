// The real program on a virtual desktop, with a small window manager and
// without one: a second start brings the first copy's window forward and
// ends; copies started together leave one. Screenshots of both display
// states land in the build folder.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "window/single_instance.h"
#include "core/app_title.h"
#include "core/text.h"
// Before Xlib's headers (desktop_screen.h), whose macros Qt's cannot take.
#include "platform/x11/x11_window_system.h"
#include "desktop_screen.h"
#include "desktop_session.h"

#include <latch>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace tarnfold;
using namespace tarnfold::testing;
using namespace std::chrono_literals;

namespace {

// A window of another program that covers the whole desktop and has the focus.
class CoveringWindow {
public:
    CoveringWindow(const DesktopSession& desktop) : x_(desktop.X()) {
        window_ = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 0, 0, 1024, 768, 0, 0, 0x808080);
        XStoreName(x_, window_, "cover");
        XMapRaised(x_, window_);
        XSync(x_, False);
        WaitUntil([&] { return DesktopScreen(x_).Viewable(window_); });
        if (desktop.HasWindowManager()) {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = window_;
            event.xclient.message_type = XInternAtom(x_, "_NET_ACTIVE_WINDOW", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = 2;  // a pager: always obeyed
            XSendEvent(x_, DefaultRootWindow(x_), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        } else {
            XSetInputFocus(x_, window_, RevertToParent, CurrentTime);
        }
        XSync(x_, False);
    }
    ~CoveringWindow() {
        XDestroyWindow(x_, window_);
        XSync(x_, False);
    }
    Window Id() const { return window_; }

private:
    Display* x_;
    Window window_;
};

class SingleInstanceTest : public ::testing::TestWithParam<bool> {
protected:
    // Starts the first copy and waits until its window shows and has the focus.
    Window StartFirst(std::unique_ptr<ChildProcess>& first) {
        first = program_.Start("first.log");
        Window main = 0;
        EXPECT_TRUE(
            WaitUntil([&] { return (main = screen_.MainWindowOf(first->Pid())) && screen_.Viewable(main); }, 15s))
            << Log("first.log");
        return main;
    }

    // A second start ends at once with code 0 and the first copy's window is
    // then shown, on top and with the focus.
    void ExpectSecondStartBringsForward(Window main) {
        const auto begun = std::chrono::steady_clock::now();
        auto second = program_.Start("second.log");
        const std::optional<int> code = second->WaitForExit(5s);
        ASSERT_TRUE(code.has_value()) << "the second copy kept running";
        EXPECT_EQ(*code, 0) << Log("second.log");
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 3s);
        EXPECT_TRUE(
            WaitUntil([&] { return screen_.Viewable(main) && screen_.OnTop(main) && screen_.Focused(main); }, 3s))
            << "viewable " << screen_.Viewable(main) << ", on top " << screen_.OnTop(main) << ", focused "
            << screen_.Focused(main);
    }

    void CloseAndExpectSaved(ChildProcess& program, Window main) {
        AskToClose(desktop_.X(), main);
        const std::optional<int> code = program.WaitForExit(10s);
        ASSERT_TRUE(code.has_value()) << "the program did not end when asked to close";
        EXPECT_EQ(*code, 0);
        std::ifstream ini(program_.Folder() / "Tarnfold.ini", std::ios::binary);
        std::stringstream text;
        text << ini.rdbuf();
        EXPECT_NE(Cp1251ToUtf8(text.str()).find("LPU=1166 - Велинская область\r\n"), std::string::npos)
            << Cp1251ToUtf8(text.str());
    }

    std::string Log(const std::string& name) const {
        std::ifstream in(desktop_.Folder().Path() / name);
        std::stringstream text;
        text << in.rdbuf();
        return name + ":\n" + text.str();
    }

    DesktopSession desktop_{GetParam()};
    ProgramCopy program_{desktop_};
    DesktopScreen screen_{desktop_.X()};
};

TEST_P(SingleInstanceTest, SecondStartRaisesTheCoveredFirstCopy) {
    std::unique_ptr<ChildProcess> first;
    const Window main = StartFirst(first);
    ASSERT_NE(main, 0u);
    ASSERT_TRUE(WaitUntil([&] { return screen_.Focused(main); }, 5s));
    CoveringWindow cover(desktop_);
    ASSERT_TRUE(WaitUntil([&] { return screen_.OnTop(cover.Id()) && screen_.Focused(cover.Id()); }));
    ASSERT_FALSE(screen_.OnTop(main));
    ExpectSecondStartBringsForward(main);
    CloseAndExpectSaved(*first, main);
}

TEST_P(SingleInstanceTest, SecondStartRestoresTheHiddenFirstCopy) {
    std::unique_ptr<ChildProcess> first;
    const Window main = StartFirst(first);
    ASSERT_NE(main, 0u);
    if (desktop_.HasWindowManager()) {
        // Minimised through the window manager.
        XIconifyWindow(desktop_.X(), main, DefaultScreen(desktop_.X()));
    } else {
        // Without a window manager nothing can minimise; the window is taken
        // off the screen behind the toolkit's back instead.
        XUnmapWindow(desktop_.X(), main);
    }
    XSync(desktop_.X(), False);
    ASSERT_TRUE(WaitUntil([&] { return !screen_.Viewable(main); }));
    ExpectSecondStartBringsForward(main);
    CloseAndExpectSaved(*first, main);
}

TEST_P(SingleInstanceTest, CopiesStartedTogetherLeaveOne) {
    std::vector<std::unique_ptr<ChildProcess>> copies;
    for (int i = 0; i < 4; ++i) copies.push_back(program_.Start("copy" + std::to_string(i) + ".log"));
    const auto ended = [&] {
        int count = 0;
        for (auto& copy : copies) count += copy->Running() ? 0 : 1;
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return ended() >= 3; }, 8s)) << ended() << " copies ended";
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(ended(), 3);
    ChildProcess* survivor = nullptr;
    for (auto& copy : copies) {
        if (copy->Running())
            survivor = copy.get();
        else
            EXPECT_EQ(copy->WaitForExit(0s), std::optional<int>(0));
    }
    ASSERT_NE(survivor, nullptr);
    Window main = 0;
    ASSERT_TRUE(
        WaitUntil([&] { return (main = screen_.MainWindowOf(survivor->Pid())) && screen_.Viewable(main); }, 15s));
    CloseAndExpectSaved(*survivor, main);
}

INSTANTIATE_TEST_SUITE_P(Desktop, SingleInstanceTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "WithWindowManager" : "WithoutWindowManager");
                         });

// Pictures of the compact and the detail state, to look at every Cyrillic
// text whole; the test checks the pictures are there and the window grew.
TEST(Screenshots, CompactAndDetailState) {
    DesktopSession desktop(false);
    ProgramCopy program(desktop);
    DesktopScreen screen(desktop.X());
    auto first = program.Start("shots.log");
    Window main = 0;
    ASSERT_TRUE(WaitUntil([&] { return (main = screen.MainWindowOf(first->Pid())) && screen.Viewable(main); }, 15s));
    ASSERT_TRUE(WaitUntil([&] { return screen.Focused(main); }));
    std::this_thread::sleep_for(300ms);
    const std::filesystem::path folder = TARNFOLD_SCREENSHOT_FOLDER;
    std::filesystem::create_directories(folder);
    const auto shoot = [&](const std::string& name) {
        std::filesystem::remove(folder / name);
        ChildProcess import({"import", "-window", HexId(main), (folder / name).string()}, desktop.Environment(),
                            desktop.Folder().Path() / "import.log");
        const std::optional<int> code = import.WaitForExit(20s);
        EXPECT_TRUE(code && *code == 0);
        EXPECT_TRUE(std::filesystem::exists(folder / name));
    };
    shoot("compact.png");
    EXPECT_EQ(screen.Height(main), 280);
    ChildProcess click({"xdotool", "mousemove", "--window", HexId(main), "530", "184", "click", "1"},
                       desktop.Environment(), desktop.Folder().Path() / "xdotool.log");
    ASSERT_TRUE(click.WaitForExit(10s).has_value());
    ASSERT_TRUE(WaitUntil([&] { return screen.Height(main) == 420; }));
    std::this_thread::sleep_for(300ms);
    shoot("detail.png");
    AskToClose(desktop.X(), main);
    EXPECT_EQ(first->WaitForExit(10s), std::optional<int>(0));
}

// The design's window sizes are outer sizes: under a window manager the
// frame around the window, title bar included, is 627 by 280 and 627 by 420
// with the detail panel shown.
TEST(Screenshots, TheFrameHasTheDesignSizes) {
    DesktopSession desktop(true);
    ProgramCopy program(desktop);
    DesktopScreen screen(desktop.X());
    auto first = program.Start("frame.log");
    Window main = 0;
    ASSERT_TRUE(WaitUntil([&] { return (main = screen.MainWindowOf(first->Pid())) && screen.Viewable(main); }, 15s));
    const auto outer = [&] {
        Window w = main, root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        while (XQueryTree(desktop.X(), w, &root, &parent, &children, &count) && parent != root) {
            if (children) XFree(children);
            children = nullptr;
            w = parent;
        }
        if (children) XFree(children);
        XWindowAttributes a{};
        XGetWindowAttributes(desktop.X(), w, &a);
        return std::pair{a.width + 2 * a.border_width, a.height + 2 * a.border_width};
    };
    EXPECT_TRUE(WaitUntil([&] {
        return outer() == std::pair{627, 280};
    })) << outer().first
        << " x " << outer().second << ", inside " << screen.Height(main);
    EXPECT_LT(screen.Height(main), 280);
    ChildProcess click({"xdotool", "mousemove", "--window", HexId(main), "530", "184", "click", "1"},
                       desktop.Environment(), desktop.Folder().Path() / "xdotool.log");
    ASSERT_TRUE(click.WaitForExit(10s).has_value());
    EXPECT_TRUE(WaitUntil([&] { return outer() == std::pair{627, 420}; })) << outer().first << " x " << outer().second;
    AskToClose(desktop.X(), main);
    EXPECT_EQ(first->WaitForExit(10s), std::optional<int>(0));
}

// What a logout or a service manager sends: the window closes as if the user
// closed it, its choices saved, though the database client took these
// signals for itself at its first attach.
TEST(EndSignals, CloseTheWindowAndSaveTheChoices) {
    DesktopSession desktop(false);
    ProgramCopy program(desktop);
    DesktopScreen screen(desktop.X());
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        std::filesystem::remove(program.Folder() / "Tarnfold.ini");
        std::ofstream(program.Folder() / "Tarnfold.ini", std::ios::binary)
            << "[BASE]\r\nPathBase=" << (desktop.Folder().Path() / "db").string() << "/\r\nPasswordBase=x\r\n";
        auto window = program.Start("signal.log");
        Window main = 0;
        ASSERT_TRUE(
            WaitUntil([&] { return (main = screen.MainWindowOf(window->Pid())) && screen.Viewable(main); }, 15s));
        ::kill(window->Pid(), signal);
        EXPECT_EQ(window->WaitForExit(10s), std::optional<int>(0));
        std::ifstream ini(program.Folder() / "Tarnfold.ini", std::ios::binary);
        std::stringstream text;
        text << ini.rdbuf();
        EXPECT_NE(Cp1251ToUtf8(text.str()).find("LPU=1166 - Велинская область\r\n"), std::string::npos)
            << Cp1251ToUtf8(text.str());
    }
}

// The program takes no command line, not even the toolkit's options, and in
// a Wayland session it runs on X, where the single-instance lookup works.
TEST(Startup, NeitherTheCommandLineNorAWaylandSessionChangesTheWindow) {
    DesktopSession desktop(false);
    ProgramCopy program(desktop);
    DesktopScreen screen(desktop.X());
    auto window = program.Start("wayland.log", {"QT_QPA_PLATFORM=", "WAYLAND_DISPLAY=wayland-tarnfold-test"},
                                {"-platform", "offscreen", "-qwindowtitle", "Другое"});
    Window main = 0;
    EXPECT_TRUE(WaitUntil([&] { return (main = screen.MainWindowOf(window->Pid())) && screen.Viewable(main); }, 15s));
    AskToClose(desktop.X(), main);
    EXPECT_EQ(window->WaitForExit(10s), std::optional<int>(0));
}

// Another program's top-level window with a class and a text of its choice.
Window ForeignWindow(Display* x, const char* className, const std::string& text, Window owner = 0) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window w = XCreateWindow(x, DefaultRootWindow(x), -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                                   CopyFromParent, CWOverrideRedirect, &attributes);
    char name[] = "foreign";
    std::string cls = className;
    XClassHint hint{name, cls.data()};
    XSetClassHint(x, w, &hint);
    XChangeProperty(x, w, XInternAtom(x, "_NET_WM_NAME", False), XInternAtom(x, "UTF8_STRING", False), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
    if (owner) XSetTransientForHint(x, w, owner);
    XSync(x, False);
    return w;
}

TEST(X11Lookup, FindsByClassAndTextIgnoringCaseAndReadsOwnerAndText) {
    DesktopSession desktop(false);
    Display* x = desktop.X();
    auto windows = x11::X11WindowSystem::Open(desktop.DisplayName());
    ASSERT_NE(windows, nullptr);
    EXPECT_EQ(windows->Find("TApplication", AppTitle), 0u);
    EXPECT_TRUE(window::StartAsOnlyCopy(*windows));
    // Its own window is now findable, by its own class and title.
    EXPECT_EQ(windows->Find("tapplication", AppTitle), windows->OwnWindow());
    EXPECT_EQ(window::FindOtherCopy(*windows), 0u);

    const std::string upper = "TARNFOLD-ВЫГРУЗКА ДАННЫХ В БЛАНКИ ФОРМ";
    auto other = x11::X11WindowSystem::Open(desktop.DisplayName());
    const Window foreign = ForeignWindow(x, "TApplication", upper);
    // The topmost match comes first: the foreign window, whose text differs
    // in letter case only, hides the running copy from the check.
    EXPECT_EQ(other->Find("TApplication", AppTitle), foreign);
    EXPECT_EQ(other->Text(foreign, window::WindowTextLimit), upper);
    EXPECT_EQ(window::FindOtherCopy(*other), 0u);
    XDestroyWindow(x, foreign);

    const Window owned = ForeignWindow(x, "TApplication", AppTitle, DefaultRootWindow(x));
    EXPECT_EQ(other->Owner(owned), DefaultRootWindow(x));
    EXPECT_EQ(window::FindOtherCopy(*other), 0u);
    XDestroyWindow(x, owned);
    XSync(x, False);
    EXPECT_EQ(window::FindOtherCopy(*other), windows->OwnWindow());
    EXPECT_EQ(other->Owner(windows->OwnWindow()), 0u);

    std::string longText;
    for (int i = 0; i < 20; ++i) longText += "Длинный заголовок ";
    const Window longWindow = ForeignWindow(x, "Other", longText);
    EXPECT_EQ(other->Text(longWindow, window::WindowTextLimit), Utf8Mid(longText, 0, 127));
    EXPECT_EQ(Utf8Length(other->Text(longWindow, window::WindowTextLimit)), 127u);
    XDestroyWindow(x, longWindow);
    XSync(x, False);
}

TEST(X11Lookup, SimultaneousStartsLeaveOneCopy) {
    DesktopSession desktop(false);
    for (int round = 0; round < 10; ++round) {
        constexpr int copies = 4;
        std::vector<std::unique_ptr<x11::X11WindowSystem>> systems;
        for (int i = 0; i < copies; ++i) systems.push_back(x11::X11WindowSystem::Open(desktop.DisplayName()));
        std::latch start(copies);
        std::vector<int> alone(copies, 0);
        std::vector<std::thread> threads;
        for (int i = 0; i < copies; ++i)
            threads.emplace_back([&, i] {
                start.arrive_and_wait();
                alone[i] = window::StartAsOnlyCopy(*systems[i]) ? 1 : 0;
            });
        for (auto& t : threads) t.join();
        EXPECT_EQ(alone[0] + alone[1] + alone[2] + alone[3], 1) << "round " << round;
    }
}

}  // namespace
