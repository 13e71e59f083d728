#pragma once
// The virtual desktop as another client sees it: the program's main window,
// whether it shows, lies on top and has the focus, and how to ask it to close.

#include <sys/types.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tarnfold::testing {

using namespace std::chrono_literals;

inline const std::string MainCaption = "Выгрузка данных в бланки форм";

template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// What the desktop shows, as another client sees it.
class DesktopScreen {
public:
    explicit DesktopScreen(Display* x) : x_(x) {}

    // The program's main window: its own process, its caption.
    Window MainWindowOf(pid_t pid) const { return Search(DefaultRootWindow(x_), pid); }

    bool Viewable(Window w) const {
        XWindowAttributes a;
        XSync(x_, False);
        return XGetWindowAttributes(x_, w, &a) && a.map_state == IsViewable;
    }

    int Height(Window w) const {
        XWindowAttributes a;
        XSync(x_, False);
        return XGetWindowAttributes(x_, w, &a) ? a.height : -1;
    }

    // No other visible window lies over the window, or over the frame the
    // window manager put it in.
    bool OnTop(Window w) const {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        XQueryTree(x_, DefaultRootWindow(x_), &root, &parent, &children, &count);
        Window frame = 0;
        for (unsigned int i = 0; i < count && !frame; ++i)
            if (children[i] == w || Contains(children[i], w)) frame = children[i];
        XWindowAttributes f;
        bool covered = frame == 0 || !XGetWindowAttributes(x_, frame, &f);
        for (unsigned int i = count; i-- > 0 && !covered;) {
            if (children[i] == frame) break;
            XWindowAttributes a;
            if (!XGetWindowAttributes(x_, children[i], &a) || a.map_state != IsViewable || a.c_class != InputOutput)
                continue;
            covered = a.x < f.x + f.width && f.x < a.x + a.width && a.y < f.y + f.height && f.y < a.y + a.height;
        }
        if (children) XFree(children);
        return !covered;
    }

    bool Focused(Window w) const {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(x_, &focus, &revert);
        if (focus == None || focus == PointerRoot) return false;
        return focus == w || Contains(w, focus);
    }

    std::string Text(Window w) const {
        const Atom name = XInternAtom(x_, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(x_, "UTF8_STRING", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(x_, w, name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success &&
            data)
            text.assign(reinterpret_cast<char*>(data), count);
        if (data) XFree(data);
        return text;
    }

private:
    bool Contains(Window ancestor, Window w) const {
        while (w != 0 && w != DefaultRootWindow(x_)) {
            if (w == ancestor) return true;
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(x_, w, &root, &parent, &children, &count)) return false;
            if (children) XFree(children);
            w = parent;
        }
        return false;
    }

    long Pid(Window w) const {
        const Atom atom = XInternAtom(x_, "_NET_WM_PID", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        long pid = -1;
        if (XGetWindowProperty(x_, w, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
                Success &&
            data && count == 1)
            pid = *reinterpret_cast<long*>(data);
        if (data) XFree(data);
        return pid;
    }

    Window Search(Window w, pid_t pid) const {
        XWindowAttributes a;
        if (XGetWindowAttributes(x_, w, &a) && a.c_class == InputOutput && Pid(w) == pid && Text(w) == MainCaption)
            return w;
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(x_, w, &root, &parent, &children, &count)) return 0;
        Window found = 0;
        for (unsigned int i = 0; i < count && !found; ++i) found = Search(children[i], pid);
        if (children) XFree(children);
        return found;
    }

    Display* x_;
};

inline void AskToClose(Display* x, Window w) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, w, False, NoEventMask, &event);
    XSync(x, False);
}

inline std::string HexId(Window w) {
    std::ostringstream s;
    s << "0x" << std::hex << w;
    return s.str();
}

}  // namespace tarnfold::testing
