#include "platform/win32/windows_ui.h"

#include <cstdint>
#include <utility>

#include "core/error.h"
#include "core/wide_text.h"
#include "platform/win32/window_owner.h"

namespace tarnfold::win32 {

namespace {

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)); }
WindowHandle FromHwnd(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

// Posted to itself, so the main window is raised after the messages of the
// other copy's ShowWindow and SetForegroundWindow have all arrived.
constexpr UINT kShowRequest = WM_APP + 1;

constexpr wchar_t kClassName[] = L"TApplication";

ATOM RegisterApplicationClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass);
}

}  // namespace

namespace {

class SessionMutex final : public window::WindowSystem::Exclusive {
public:
    SessionMutex() : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\Tarnfold.SingleInstance")) {
        if (mutex_ != nullptr) WaitForSingleObject(mutex_, 10000);
    }
    ~SessionMutex() override {
        if (mutex_ == nullptr) return;
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    SessionMutex(const SessionMutex&) = delete;
    SessionMutex& operator=(const SessionMutex&) = delete;

private:
    HANDLE mutex_;
};

}  // namespace

std::unique_ptr<window::WindowSystem::Exclusive> Win32WindowSystem::Lock() { return std::make_unique<SessionMutex>(); }

WindowHandle Win32WindowSystem::OwnWindow() const { return own_ ? own_->Handle() : 0; }

void Win32WindowSystem::SetOwnText(const std::string& text) {
    if (own_) own_->SetTitle(text);
}

WindowHandle Win32WindowSystem::Find(const std::string& className, const std::string& title) {
    return FromHwnd(FindWindowW(Wide(className).c_str(), Wide(title).c_str()));
}

WindowHandle Win32WindowSystem::Owner(WindowHandle window) { return FromHwnd(GetWindow(ToHwnd(window), GW_OWNER)); }

std::string Win32WindowSystem::Text(WindowHandle window, std::size_t maxCharacters) {
    std::wstring buffer(maxCharacters + 1, L'\0');
    const int count = GetWindowTextW(ToHwnd(window), buffer.data(), static_cast<int>(buffer.size()));
    if (count <= 0) return {};
    std::wstring_view text(buffer.data(), static_cast<std::size_t>(count));
    return Narrow(text.substr(0, text.find(L'\0')));
}

void Win32WindowSystem::ShowNormal(WindowHandle window) { ShowWindow(ToHwnd(window), SW_SHOWNORMAL); }

void Win32WindowSystem::SetForeground(WindowHandle window) { SetForegroundWindow(ToHwnd(window)); }

ApplicationWindow::ApplicationWindow(std::function<void()> onShowRequest) : onShowRequest_(std::move(onShowRequest)) {
    static const ATOM windowClass = RegisterApplicationClass(&OwnerProcedure<ApplicationWindow>);
    if (windowClass == 0) throw Error("Не удалось зарегистрировать класс окна приложения");
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, MAKEINTATOM(windowClass), L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) throw Error("Не удалось создать окно приложения");
}

ApplicationWindow::~ApplicationWindow() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

WindowHandle ApplicationWindow::Handle() const { return FromHwnd(window_); }

void ApplicationWindow::SetTitle(const std::string& title) { SetWindowTextW(window_, Wide(title).c_str()); }

void ApplicationWindow::Adopt(HWND window) {
    if (window_ == nullptr) window_ = window;
}

LRESULT ApplicationWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (wParam != FALSE) RequestShow();
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) RequestShow();
            break;
        case kShowRequest:
            requestPending_ = false;
            if (IsWindowVisible(window_)) ShowWindow(window_, SW_HIDE);
            if (onShowRequest_) onShowRequest_();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void ApplicationWindow::RequestShow() {
    if (requestPending_) return;
    requestPending_ = PostMessageW(window_, kShowRequest, 0, 0) != FALSE;
}

}  // namespace tarnfold::win32
