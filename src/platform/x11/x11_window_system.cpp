#include "platform/x11/x11_window_system.h"

#include <QSocketNotifier>
#include <QTimer>

#include "core/text.h"

// Xlib defines macros (None, Bool, Status...) that clash with Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tarnfold::x11 {

namespace {

// Windows may vanish between a listing and a question about them; such errors
// must not end the program, as Xlib's default handler would. The toolkit's own
// connection does not go through Xlib's error handling.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

template <class T>
struct XFreeDeleter {
    void operator()(T* p) const {
        if (p) XFree(p);
    }
};
template <class T>
using XPtr = std::unique_ptr<T, XFreeDeleter<T>>;

}  // namespace

struct X11WindowSystem::Impl {
    Display* display = nullptr;
    Window root = 0;
    Window own = 0;
    Atom utf8 = 0;
    Atom netWmName = 0;
    Atom netActiveWindow = 0;
    Atom netSupported = 0;
    Atom netSupportingWmCheck = 0;
    Atom requestShowNormal = 0;
    Atom requestSetForeground = 0;
    Atom timeProbe = 0;

    ~Impl() {
        if (!display) return;
        if (own) XDestroyWindow(display, own);
        XCloseDisplay(display);
    }

    std::string Property(Window window, Atom property, Atom type) const {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 4096, False, type, &actualType, &format, &count, &after,
                               &data) != Success)
            return {};
        XPtr<unsigned char> owned(data);
        if (!data || format != 8 || actualType != type) return {};
        return std::string(reinterpret_cast<const char*>(data), count);
    }

    std::string WindowText(Window window) const {
        std::string text = Property(window, netWmName, utf8);
        if (text.empty()) text = Property(window, XA_WM_NAME, XA_STRING);
        const std::size_t zero = text.find('\0');
        if (zero != std::string::npos) text.resize(zero);
        return text;
    }

    std::string ClassName(Window window) const {
        XClassHint hint{nullptr, nullptr};
        if (!XGetClassHint(display, window, &hint)) return {};
        std::string name = hint.res_class ? hint.res_class : "";
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
        return name;
    }

    void Send(Window window, Atom request) const {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = request;
        event.xclient.format = 32;
        XSendEvent(display, window, False, NoEventMask, &event);
    }

    // The server's current time: a property change, which the server stamps.
    Time ServerTime() const {
        unsigned char nothing = 0;
        XChangeProperty(display, own, timeProbe, XA_STRING, 8, PropModeAppend, &nothing, 0);
        XEvent event;
        XWindowEvent(display, own, PropertyChangeMask, &event);
        return event.xproperty.time;
    }

    bool WindowManagerActivates() const {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        // A window manager that has gone may leave its list behind: it counts
        // only while its check window still names itself.
        if (XGetWindowProperty(display, root, netSupportingWmCheck, 0, 1, False, XA_WINDOW, &type, &format, &count,
                               &after, &data) != Success ||
            !data || count != 1) {
            if (data) XFree(data);
            return false;
        }
        const Window check = *reinterpret_cast<Window*>(data);
        XFree(data);
        data = nullptr;
        if (XGetWindowProperty(display, check, netSupportingWmCheck, 0, 1, False, XA_WINDOW, &type, &format, &count,
                               &after, &data) != Success ||
            !data || count != 1) {
            if (data) XFree(data);
            return false;
        }
        const bool alive = *reinterpret_cast<Window*>(data) == check;
        XFree(data);
        if (!alive) return false;
        if (XGetWindowProperty(display, root, netSupported, 0, 4096, False, XA_ATOM, &type, &format, &count, &after,
                               &data) != Success ||
            !data) {
            if (data) XFree(data);
            return false;
        }
        XPtr<unsigned char> owned(data);
        const Atom* atoms = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i < count; ++i)
            if (atoms[i] == netActiveWindow) return true;
        return false;
    }
};

namespace {

class ServerGrab : public WindowSystem::Exclusive {
public:
    explicit ServerGrab(Display* display) : display_(display) {
        XGrabServer(display_);
        XSync(display_, False);
    }
    ~ServerGrab() override {
        XUngrabServer(display_);
        XSync(display_, False);
    }

private:
    Display* display_;
};

}  // namespace

std::unique_ptr<X11WindowSystem> X11WindowSystem::Open(const std::string& displayName) {
    XSetErrorHandler(IgnoreError);
    auto impl = std::make_unique<Impl>();
    impl->display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!impl->display) return nullptr;
    Display* d = impl->display;
    impl->root = DefaultRootWindow(d);
    impl->utf8 = XInternAtom(d, "UTF8_STRING", False);
    impl->netWmName = XInternAtom(d, "_NET_WM_NAME", False);
    impl->netActiveWindow = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    impl->netSupported = XInternAtom(d, "_NET_SUPPORTED", False);
    impl->netSupportingWmCheck = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    impl->requestShowNormal = XInternAtom(d, "_TARNFOLD_SHOW_NORMAL", False);
    impl->requestSetForeground = XInternAtom(d, "_TARNFOLD_SET_FOREGROUND", False);
    impl->timeProbe = XInternAtom(d, "_TARNFOLD_TIME", False);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = PropertyChangeMask;
    impl->own = XCreateWindow(d, impl->root, -10, -10, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                              CWOverrideRedirect | CWEventMask, &attributes);
    char name[] = "tarnfold";
    char className[] = "TApplication";
    XClassHint hint{name, className};
    XSetClassHint(d, impl->own, &hint);
    XSync(d, False);
    return std::unique_ptr<X11WindowSystem>(new X11WindowSystem(std::move(impl)));
}

X11WindowSystem::X11WindowSystem(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

X11WindowSystem::~X11WindowSystem() = default;

std::unique_ptr<WindowSystem::Exclusive> X11WindowSystem::Lock() {
    return std::make_unique<ServerGrab>(impl_->display);
}

WindowHandle X11WindowSystem::OwnWindow() const { return impl_->own; }

void X11WindowSystem::SetOwnText(const std::string& text) {
    XChangeProperty(impl_->display, impl_->own, impl_->netWmName, impl_->utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    XSync(impl_->display, False);
}

WindowHandle X11WindowSystem::Find(const std::string& className, const std::string& text) {
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(impl_->display, impl_->root, &rootReturn, &parent, &children, &count)) return 0;
    XPtr<Window> owned(children);
    const std::string wanted = FoldCase(text);
    // The list runs from the bottom of the stack up; the topmost match is the
    // first one.
    for (unsigned int i = count; i-- > 0;) {
        const Window w = children[i];
        if (!EqualsIgnoreCase(impl_->ClassName(w), className)) continue;
        if (FoldCase(impl_->WindowText(w)) != wanted) continue;
        return w;
    }
    return 0;
}

WindowHandle X11WindowSystem::Owner(WindowHandle window) {
    Window owner = 0;
    if (!XGetTransientForHint(impl_->display, static_cast<Window>(window), &owner)) return 0;
    return owner;
}

std::string X11WindowSystem::Text(WindowHandle window, std::size_t maxCharacters) {
    return Utf8Mid(impl_->WindowText(static_cast<Window>(window)), 0, maxCharacters);
}

void X11WindowSystem::ShowNormal(WindowHandle window) {
    impl_->Send(static_cast<Window>(window), impl_->requestShowNormal);
    XSync(impl_->display, False);
}

void X11WindowSystem::SetForeground(WindowHandle window) {
    impl_->Send(static_cast<Window>(window), impl_->requestSetForeground);
    XSync(impl_->display, False);
}

void X11WindowSystem::Listen(std::function<void()> onShowNormal, std::function<void()> onSetForeground) {
    onShowNormal_ = std::move(onShowNormal);
    onSetForeground_ = std::move(onSetForeground);
    if (!notifier_) {
        notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(impl_->display), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &X11WindowSystem::ProcessPending);
    }
    QTimer::singleShot(0, this, &X11WindowSystem::ProcessPending);
}

void X11WindowSystem::ProcessPending() {
    Display* d = impl_->display;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type != ClientMessage || event.xclient.window != impl_->own) continue;
        if (event.xclient.message_type == impl_->requestShowNormal && onShowNormal_) onShowNormal_();
        if (event.xclient.message_type == impl_->requestSetForeground && onSetForeground_) onSetForeground_();
    }
}

void X11WindowSystem::BringToFront(WindowHandle handle) {
    Display* d = impl_->display;
    const Window window = static_cast<Window>(handle);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(d, window, &attributes) && attributes.map_state == IsUnmapped) XMapWindow(d, window);
    const Time now = impl_->ServerTime();
    if (impl_->WindowManagerActivates()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = impl_->netActiveWindow;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1;  // asked for by an application
        event.xclient.data.l[1] = static_cast<long>(now);
        XSendEvent(d, impl_->root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        XMapRaised(d, window);
        XSetInputFocus(d, window, RevertToParent, now);
    }
    XSync(d, False);
}

}  // namespace tarnfold::x11
