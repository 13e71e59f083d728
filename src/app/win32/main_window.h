#pragma once
// The Win32 main window: native controls laid out as the window logic says,
// the user's input passed to it. It decides nothing itself.

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "window/main_window_logic.h"
#include "window/main_window_view.h"

namespace tarnfold::app::win32 {

class MainWindow final : public window::MainWindowView {
public:
    // Made hidden; the logic's set-up has run once this returns.
    MainWindow(std::string programFolder, std::int32_t currentYear);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    window::MainWindowLogic& Logic() { return logic_; }
    HWND Handle() const { return window_; }
    // Centred on the desktop's work area, shown and given the keyboard.
    void Show();
    // Restored from minimised and brought to the front, for a second start.
    void Raise();
    // The window's keys (F10, Esc) and the Tab walk for a message of the
    // thread's queue; true when it was used up.
    bool PreTranslate(MSG& message);

    // For the window procedure (window_owner.h).
    void Adopt(HWND window);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // MainWindowView
    void Place(window::Control control, window::Rect rect, window::Sizing sizing) override;
    void SetText(window::Control control, const std::string& text) override;
    void SetHint(window::Control control, const std::string& hint) override;
    void SetEnabled(window::Control control, bool enabled) override;
    void SetShown(window::Control control, bool shown) override;
    void SetItems(window::Control list, const std::vector<std::string>& items, int selected) override;
    void Select(window::Control list, int index) override;
    void SetGauge(int percent) override;
    void Focus(window::Control control) override;
    window::WindowSize OuterSize() const override;
    void SetOuterSize(window::WindowSize size) override;
    void SetMinimumOuterSize(window::WindowSize size) override;
    void ShowError(const std::string& message) override;
    void ShowMessage(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    std::optional<std::string> ChooseFolder(const std::string& start) override;
    void ProcessPendingInput() override;
    void Close() override;

private:
    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    struct AcceleratorDeleter {
        void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
    };

    static LRESULT CALLBACK FieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self);
    LRESULT OnFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    void OnYearStep(int delta);
    void OnSize();
    void Build();
    HWND Make(window::Control control, HWND holder);
    void UseFontAtDpi();
    void OrderForTab();
    HWND Handle(window::Control control) const { return controls_.at(control); }
    // The size one line of text takes in the window's font.
    SIZE Measure(HWND control, const std::wstring& text) const;
    void FitLabel(window::Control control);
    void FitListPopup(HWND list);
    bool PopupListOpen() const;
    std::wstring TextOf(HWND control) const;
    HWND BoxOwner() const;

    window::MainWindowLogic logic_;
    HWND window_ = nullptr;
    std::map<window::Control, HWND> controls_;
    HWND browseButton_ = nullptr;
    HWND yearSpin_ = nullptr;
    HWND hints_ = nullptr;
    std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> font_;
    std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter> keys_;
    int dpi_ = 96;
    int databasePanelWidth_ = 0;
    window::WindowSize minimumOuter_;
    HWND focus_ = nullptr;
    // Set while the logic's own texts are drawn: what the controls then
    // report is no input of the user's.
    bool drawing_ = false;
};

}  // namespace tarnfold::app::win32
