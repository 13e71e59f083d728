#pragma once
// The tool's only window on Linux: the controls of the window layout drawn
// with Qt, the user's input passed to the window logic, which decides
// everything the window shows.

#include <QMainWindow>
#include <QMargins>
#include <cstdint>
#include <map>
#include <string>

#include "window/main_window_logic.h"
#include "window/main_window_view.h"

class QComboBox;
class QStatusBar;

namespace tarnfold::app {

class DirectoryEdit;
class Gauge;
class SectionField;
class YearField;

class MainWindow : public QMainWindow, private window::MainWindowView {
    Q_OBJECT
public:
    // Builds the window and runs its set-up: scaling, the settings load from
    // the program folder, then the initial values of the controls.
    MainWindow(std::string programFolder, std::int32_t currentYear, QWidget* parent = nullptr);
    ~MainWindow() override;

    window::MainWindowLogic& Logic() { return logic_; }
    const window::MainWindowLogic& Logic() const { return logic_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    QWidget* Make(window::Control control, QWidget* holder);
    QWidget* Widget(window::Control control) const;
    QComboBox* List(window::Control control) const;
    // The window manager's frame, once it has one: the logic's sizes are
    // outer sizes, so the inside shrinks by the frame.
    QMargins Frame() const;
    void FollowFrame();

    // window::MainWindowView
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

    window::MainWindowLogic logic_;
    std::map<window::Control, QWidget*> controls_;
    QWidget* holderPanel_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    SectionField* sectionField_ = nullptr;
    YearField* yearField_ = nullptr;
    Gauge* gauge_ = nullptr;
    DirectoryEdit* folderField_ = nullptr;
    QMargins frame_;
    window::WindowSize minimumOuter_;
};

}  // namespace tarnfold::app
