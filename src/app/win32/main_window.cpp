#include "app/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <set>

#include "app/win32/control_ids.h"
#include "app/win32/dialogs.h"
#include "app/win32/gauge.h"
#include "core/error.h"
#include "core/wide_text.h"
#include "platform/win32/window_owner.h"
#include "window/field_rules.h"

namespace tarnfold::app::win32 {

using tarnfold::win32::Narrow;
using tarnfold::win32::Wide;
using window::Control;

namespace {

constexpr wchar_t MainClassName[] = L"TFMain";
constexpr wchar_t PanelClassName[] = L"TPanel";
constexpr COLORREF Navy = RGB(0, 0, 128);
constexpr int ExportKeyId = 1001;
constexpr int ExitKeyId = 1002;
constexpr UINT DpiChangedMessage = 0x02E0;  // WM_DPICHANGED, which older SDK headers lack
// How far a drop-down list opens below its field, in design pixels.
constexpr int DesignPopupHeight = 200;

HMENU AsMenu(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// A panel passes what its controls report on to the main window, which
// answers for them all.
LRESULT CALLBACK PanelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
            return SendMessageW(GetAncestor(panel, GA_ROOT), message, wParam, lParam);
        default:
            return DefWindowProcW(panel, message, wParam, lParam);
    }
}

void RegisterClasses(WNDPROC mainProcedure) {
    static const bool registered = [mainProcedure] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpfnWndProc = mainProcedure;
        windowClass.lpszClassName = MainClassName;
        windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        const bool main = RegisterClassExW(&windowClass) != 0;
        windowClass.lpfnWndProc = PanelProcedure;
        windowClass.lpszClassName = PanelClassName;
        windowClass.hIcon = nullptr;
        return main && RegisterClassExW(&windowClass) != 0;
    }();
    if (!registered) throw Error("Не удалось зарегистрировать класс главного окна");
}

bool IsLabel(Control control) { return window::PlaceOf(control).sizing == window::Sizing::OwnSize; }

}  // namespace

MainWindow::MainWindow(std::string programFolder, std::int32_t currentYear) : logic_(*this, std::move(programFolder)) {
    Build();
    logic_.Create(window::ScaledExportButtonHeight(dpi_), currentYear);
}

MainWindow::~MainWindow() {
    if (window_ == nullptr) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

void MainWindow::Build() {
    RegisterClasses(&tarnfold::win32::OwnerProcedure<MainWindow>);
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    window_ =
        CreateWindowExW(WS_EX_CONTROLPARENT, MainClassName, L"",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) throw Error("Не удалось создать главное окно");
    hints_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                             0, window_, nullptr, GetModuleHandleW(nullptr), nullptr);

    for (const window::ControlPlace& place : window::ControlPlaces()) {
        if (place.control == Control::Window) {
            controls_[Control::Window] = window_;
            continue;
        }
        controls_[place.control] = Make(place.control, Handle(place.holder));
    }
    UseFontAtDpi();
    OrderForTab();

    ACCEL keys[] = {{FVIRTKEY, VK_F10, ExportKeyId}, {FVIRTKEY, VK_ESCAPE, ExitKeyId}};
    keys_.reset(CreateAcceleratorTableW(keys, 2));
}

HWND MainWindow::Make(Control control, HWND holder) {
    const int id = ControlId(control);
    const auto child = [&](const wchar_t* className, DWORD style, DWORD extended = 0) {
        HWND made = CreateWindowExW(extended, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0,
                                    0, holder, AsMenu(id), GetModuleHandleW(nullptr), nullptr);
        if (made == nullptr) throw Error("Не удалось создать элемент окна");
        return made;
    };
    if (IsLabel(control)) return child(WC_STATICW, SS_LEFT | SS_NOPREFIX);
    switch (control) {
        case Control::Panel1:
        case Control::DetailPanel:
            return child(PanelClassName, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
        case Control::ThemeList:
        case Control::PeriodList:
        case Control::FormList:
        case Control::InstitutionList:
            return child(WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
        case Control::SectionField: {
            HWND field = child(WC_EDITW, ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
            SendMessageW(field, EM_LIMITTEXT, 2, 0);
            SetWindowSubclass(field, &MainWindow::FieldProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
            return field;
        }
        case Control::YearField: {
            HWND field = child(WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
            SetWindowSubclass(field, &MainWindow::FieldProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
            yearSpin_ = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                        WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0,
                                        0, 0, holder, nullptr, GetModuleHandleW(nullptr), nullptr);
            // Up is the larger value: the field itself has no bounds.
            SendMessageW(yearSpin_, UDM_SETRANGE32, 0, 1);
            return field;
        }
        case Control::Gauge:
            return CreateGauge(holder, id);
        case Control::ExportButton:
        case Control::DetailButton:
        case Control::JournalButton:
            return child(WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP);
        case Control::TemplateFolder: {
            HWND field =
                child(WC_EDITW, ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES);
            SetWindowSubclass(field, &MainWindow::FieldProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
            browseButton_ = CreateWindowExW(0, WC_BUTTONW, L"…", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0,
                                            holder, AsMenu(BrowseButtonId), GetModuleHandleW(nullptr), nullptr);
            return field;
        }
        case Control::StatusBar:
            return child(STATUSCLASSNAMEW, SBARS_SIZEGRIP);
        case Control::DatabasePanel:
        case Control::ProgressPanel:
            // Parts of the status bar, not windows of their own.
            return holder;
        default:
            // The window itself; the labels are made above.
            return window_;
    }
}

// The Tab key walks the controls in the window's order: siblings are put in
// that order, each panel where its first control comes.
// The design's font, 8 points at the screen's DPI, in every control.
void MainWindow::UseFontAtDpi() {
    std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> font(
        CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg"));
    for (const auto& [control, handle] : controls_)
        if (handle != window_) SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    SendMessageW(browseButton_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    // The controls hold the new font before the old one is deleted.
    font_ = std::move(font);
}

void MainWindow::OrderForTab() {
    std::map<HWND, HWND> lastInHolder;
    std::set<HWND> ordered;
    for (Control control : window::TabOrder()) {
        for (Control node = control; node != Control::Window; node = window::PlaceOf(node).holder) {
            HWND handle = Handle(node);
            if (!ordered.insert(handle).second) break;
            HWND holder = Handle(window::PlaceOf(node).holder);
            const auto last = lastInHolder.find(holder);
            SetWindowPos(handle, last == lastInHolder.end() ? HWND_TOP : last->second, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            lastInHolder[holder] = handle;
        }
    }
    // A long result line runs under the folder field's lower edge: drawn
    // above it, it stays whole.
    SetWindowPos(Handle(Control::ResultLine), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::Show() {
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const window::WindowSize outer = OuterSize();
    SetWindowPos(window_, nullptr, area.left + (area.right - area.left - outer.width) / 2,
                 area.top + (area.bottom - area.top - outer.height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    if (focus_) SetFocus(focus_);
}

void MainWindow::Raise() {
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    SetForegroundWindow(window_);
}

bool MainWindow::PopupListOpen() const {
    HWND focused = GetFocus();
    wchar_t className[32] = {};
    if (focused == nullptr || !GetClassNameW(focused, className, 32)) return false;
    return lstrcmpiW(className, WC_COMBOBOXW) == 0 && SendMessageW(focused, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

bool MainWindow::PreTranslate(MSG& message) {
    if (window_ == nullptr) return false;
    if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
    // A key pressed while a drop-down list is open belongs to the list: Esc
    // closes the list, not the window, and F10 starts nothing.
    const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
    if (key && PopupListOpen()) return false;
    // F10 arrives as a system key, whose release would open the system menu:
    // here it is the export key, both its press and its release used up.
    if ((message.message == WM_SYSKEYDOWN || message.message == WM_SYSKEYUP) && message.wParam == VK_F10 &&
        (GetKeyState(VK_MENU) & 0x8000) == 0) {
        if (message.message == WM_SYSKEYDOWN) logic_.OnExportKey();
        return true;
    }
    if (TranslateAcceleratorW(window_, keys_.get(), &message)) return true;
    return IsDialogMessageW(window_, &message) != FALSE;
}

void MainWindow::Adopt(HWND window) {
    if (window_ == nullptr) window_ = window;
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == yearSpin_ && header->code == UDN_DELTAPOS) {
                OnYearStep(reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
                return 1;  // the field keeps the value, not the arrows
            }
            break;
        }
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == Handle(Control::ResultLine)) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, Navy);
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_SIZE:
            OnSize();
            return 0;
        case DpiChangedMessage: {
            // Moved to a monitor of another DPI: the window is laid out again
            // at the new scale where the system suggests.
            dpi_ = HIWORD(wParam);
            UseFontAtDpi();
            logic_.OnScaleChanged(window::ScaledExportButtonHeight(dpi_));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {minimumOuter_.width, minimumOuter_.height};
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focused = GetFocus();
                if (focused && IsChild(window_, focused)) focus_ = focused;
            } else if (focus_ && IsWindowEnabled(focus_) && IsWindowVisible(focus_)) {
                SetFocus(focus_);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (logic_.OnCloseRequested()) DestroyWindow(window_);
            return 0;
        case WM_ENDSESSION:
            // The session ends whatever the window answers: the choices are
            // saved (and a run asked to stop) as a close would.
            if (wParam != FALSE) logic_.OnCloseRequested();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnCommand(int id, int code) {
    if (id == ExportKeyId) return logic_.OnExportKey();
    if (id == ExitKeyId) return logic_.OnExitKey();
    if (id == BrowseButtonId) return logic_.OnBrowsePressed();
    if (drawing_) return;
    const auto places = window::ControlPlaces();
    const int index = id - FirstControlId;
    if (index < 0 || index >= static_cast<int>(places.size())) return;
    const Control control = places[static_cast<std::size_t>(index)].control;
    HWND handle = Handle(control);
    const auto chosen = [handle] { return static_cast<int>(SendMessageW(handle, CB_GETCURSEL, 0, 0)); };
    switch (control) {
        case Control::ExportButton:
            if (code == BN_CLICKED) logic_.OnExportPressed();
            return;
        case Control::DetailButton:
            if (code == BN_CLICKED) logic_.OnDetailPressed();
            return;
        case Control::JournalButton:
            if (code == BN_CLICKED) logic_.OnJournalPressed();
            return;
        case Control::ThemeList:
            if (code == CBN_SELCHANGE) logic_.OnThemeChosen(chosen());
            return;
        case Control::FormList:
            if (code == CBN_SELCHANGE) logic_.OnFormChosen(chosen());
            return;
        case Control::InstitutionList:
            if (code == CBN_SELCHANGE) logic_.OnInstitutionChosen(chosen());
            return;
        case Control::PeriodList:
            if (code == CBN_SELCHANGE) logic_.OnPeriodChosen(chosen());
            return;
        case Control::SectionField:
            if (code == EN_CHANGE) logic_.OnSectionTyped(Narrow(TextOf(handle)));
            // Typing replaces both positions, as a mask field does; on
            // leaving, the field shows the two digits it reads as.
            if (code == EN_SETFOCUS) PostMessageW(handle, EM_SETSEL, 0, -1);
            if (code == EN_KILLFOCUS) SetText(Control::SectionField, logic_.SectionText());
            return;
        case Control::YearField:
            if (code == EN_CHANGE) logic_.OnYearTyped(Narrow(TextOf(handle)));
            return;
        default:
            return;
    }
}

void MainWindow::OnYearStep(int delta) {
    const long long value = static_cast<long long>(window::YearValue(logic_.YearText())) + delta;
    if (value < INT_MIN || value > INT_MAX) return;
    SetWindowTextW(Handle(Control::YearField), std::to_wstring(value).c_str());
}

LRESULT CALLBACK MainWindow::FieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self) {
    return reinterpret_cast<MainWindow*>(self)->OnFieldMessage(field, message, wParam, lParam);
}

LRESULT MainWindow::OnFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool folderField = field == Handle(Control::TemplateFolder);
    if (folderField && message == WM_DROPFILES) {
        const auto drop = reinterpret_cast<HDROP>(wParam);
        std::vector<std::string> names;
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
            names.push_back(Narrow(name));
        }
        DragFinish(drop);
        if (!names.empty()) logic_.OnNamesDropped(names);
        return 0;
    }
    if (folderField && message == WM_SYSKEYDOWN && wParam == VK_DOWN) {
        logic_.OnBrowsePressed();
        return 0;
    }
    // The year takes a sign and digits only.
    if (field == Handle(Control::YearField) && message == WM_CHAR && wParam >= L' ' &&
        !(wParam >= L'0' && wParam <= L'9') && wParam != L'-' && wParam != L'+')
        return 0;
    return DefSubclassProc(field, message, wParam, lParam);
}

void MainWindow::OnSize() {
    HWND statusBar = Handle(Control::StatusBar);
    SendMessageW(statusBar, WM_SIZE, 0, 0);
    RECT client, bar;
    GetClientRect(window_, &client);
    GetWindowRect(statusBar, &bar);
    const int holderHeight = std::max<int>(0, client.bottom - (bar.bottom - bar.top));
    MoveWindow(Handle(Control::Panel1), 0, 0, client.right, holderHeight, TRUE);
    logic_.OnHolderResized({static_cast<int>(client.right), holderHeight});
}

std::wstring MainWindow::TextOf(HWND control) const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

SIZE MainWindow::Measure(HWND control, const std::wstring& text) const {
    HDC dc = GetDC(control);
    const HGDIOBJ oldFont = SelectObject(dc, font_.get());
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &measured, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    ReleaseDC(control, dc);
    return {measured.right, measured.bottom};
}

void MainWindow::FitLabel(Control control) {
    HWND label = Handle(control);
    const std::wstring text = TextOf(label);
    const SIZE measured = Measure(label, text.empty() ? L" " : text);
    SetWindowPos(label, nullptr, 0, 0, text.empty() ? 0 : measured.cx, measured.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A drop-down list opens wide enough to show its longest entry whole, even
// where the closed list is narrower.
void MainWindow::FitListPopup(HWND list) {
    int widest = 0;
    const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring entry(static_cast<std::size_t>(SendMessageW(list, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        entry.resize(
            static_cast<std::size_t>(SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()))));
        widest = std::max<int>(widest, Measure(list, entry).cx);
    }
    RECT field;
    GetWindowRect(list, &field);
    const int margins = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL) + 8;
    SendMessageW(list, CB_SETDROPPEDWIDTH, std::max<int>(field.right - field.left, widest + margins), 0);
}

void MainWindow::Place(Control control, window::Rect rect, window::Sizing sizing) {
    HWND handle = Handle(control);
    switch (sizing) {
        case window::Sizing::Holder:
            // The window's client area holds the first panel by itself.
            if (control != Control::Panel1) MoveWindow(handle, rect.x, rect.y, rect.width, rect.height, TRUE);
            return;
        case window::Sizing::OwnSize:
            SetWindowPos(handle, nullptr, rect.x, rect.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            FitLabel(control);
            return;
        case window::Sizing::Rest:
            // The status bar gives its last part the rest of its width.
            return;
        case window::Sizing::Fixed:
            break;
    }
    switch (control) {
        case Control::StatusBar:
            SendMessageW(handle, SB_SETMINHEIGHT, static_cast<WPARAM>(rect.height), 0);
            SendMessageW(handle, WM_SIZE, 0, 0);
            return;
        case Control::DatabasePanel: {
            databasePanelWidth_ = rect.width;
            int parts[] = {databasePanelWidth_, -1};
            SendMessageW(handle, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
            return;
        }
        case Control::ThemeList:
        case Control::PeriodList:
        case Control::FormList:
        case Control::InstitutionList:
            // A drop-down list's height is that of the field and its open list.
            MoveWindow(handle, rect.x, rect.y, rect.width, rect.height + MulDiv(DesignPopupHeight, dpi_, 96), TRUE);
            SendMessageW(handle, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), rect.height - 6);
            return;
        case Control::YearField:
            MoveWindow(handle, rect.x, rect.y, rect.width, rect.height, TRUE);
            SendMessageW(yearSpin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(handle), 0);
            return;
        case Control::TemplateFolder: {
            // The browse button at the field's right end, as wide as high.
            MoveWindow(handle, rect.x, rect.y, rect.width - rect.height, rect.height, TRUE);
            MoveWindow(browseButton_, rect.x + rect.width - rect.height, rect.y, rect.height, rect.height, TRUE);
            return;
        }
        default:
            MoveWindow(handle, rect.x, rect.y, rect.width, rect.height, TRUE);
            return;
    }
}

void MainWindow::SetText(Control control, const std::string& text) {
    const std::wstring wide = Wide(text);
    drawing_ = true;
    switch (control) {
        case Control::DatabasePanel:
        case Control::ProgressPanel: {
            const WPARAM part = control == Control::DatabasePanel ? 0 : 1;
            SendMessageW(Handle(control), SB_SETTEXTW, part, reinterpret_cast<LPARAM>(wide.c_str()));
            break;
        }
        case Control::YearField:
            SetWindowTextW(Handle(control), std::to_wstring(window::YearValue(text)).c_str());
            break;
        default:
            SetWindowTextW(Handle(control), wide.c_str());
            break;
    }
    drawing_ = false;
    if (IsLabel(control)) FitLabel(control);
}

void MainWindow::SetHint(Control control, const std::string& hint) {
    std::wstring text = Wide(hint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(Handle(control));
    tool.uId = reinterpret_cast<UINT_PTR>(Handle(control));
    SendMessageW(hints_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = text.data();
    SendMessageW(hints_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainWindow::SetEnabled(Control control, bool enabled) { EnableWindow(Handle(control), enabled ? TRUE : FALSE); }

void MainWindow::SetShown(Control control, bool shown) { ShowWindow(Handle(control), shown ? SW_SHOWNA : SW_HIDE); }

void MainWindow::SetItems(Control list, const std::vector<std::string>& items, int selected) {
    HWND handle = Handle(list);
    drawing_ = true;
    SendMessageW(handle, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageW(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    SendMessageW(handle, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    drawing_ = false;
    FitListPopup(handle);
}

void MainWindow::Select(Control list, int index) {
    SendMessageW(Handle(list), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void MainWindow::SetGauge(int percent) {
    SetGaugePercent(Handle(Control::Gauge), percent);
    UpdateWindow(Handle(Control::Gauge));
}

void MainWindow::Focus(Control control) {
    focus_ = Handle(control);
    if (IsWindowVisible(window_)) SetFocus(focus_);
}

window::WindowSize MainWindow::OuterSize() const {
    RECT outer;
    GetWindowRect(window_, &outer);
    return {static_cast<int>(outer.right - outer.left), static_cast<int>(outer.bottom - outer.top)};
}

void MainWindow::SetOuterSize(window::WindowSize size) {
    SetWindowPos(window_, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetMinimumOuterSize(window::WindowSize size) { minimumOuter_ = size; }

// Before the window shows, a box has no window to stand over.
HWND MainWindow::BoxOwner() const { return IsWindowVisible(window_) ? window_ : nullptr; }

void MainWindow::ShowError(const std::string& message) { ShowErrorBox(BoxOwner(), message); }
void MainWindow::ShowMessage(const std::string& text) { ShowPlainBox(BoxOwner(), text); }
bool MainWindow::Confirm(const std::string& text) { return AskConfirmation(BoxOwner(), text); }

std::optional<std::string> MainWindow::ChooseFolder(const std::string& start) {
    return ChooseFolderWithDialog(window_, start);
}

void MainWindow::ProcessPendingInput() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The loop that waits for it is the program's own.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void MainWindow::Close() {
    if (window_) SendMessageW(window_, WM_CLOSE, 0, 0);
}

}  // namespace tarnfold::app::win32
