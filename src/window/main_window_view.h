#pragma once
// What the window logic tells a view to draw and asks of it. A view (the Qt
// window, the Win32 window, a test's recorder) makes the controls of
// ControlPlaces(), draws what it is told here and passes the user's input to
// MainWindowLogic; it decides nothing itself.

#include <optional>
#include <string>
#include <vector>

#include "window/window_geometry.h"
#include "window/window_layout.h"

namespace tarnfold::window {

class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    // Position and size in pixels inside the control's holder, as `sizing` says.
    virtual void Place(Control control, Rect rect, Sizing sizing) = 0;
    // A caption, a label, a field's text, a status panel; for the year field
    // its value written in decimal.
    virtual void SetText(Control control, const std::string& text) = 0;
    virtual void SetHint(Control control, const std::string& hint) = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual void SetShown(Control control, bool shown) = 0;
    // A drop-down list's entries and its selection (-1: none). Drawing them
    // is no choice of the user's: it is not passed back.
    virtual void SetItems(Control list, const std::vector<std::string>& items, int selected) = 0;
    virtual void Select(Control list, int index) = 0;
    virtual void SetGauge(int percent) = 0;
    virtual void Focus(Control control) = 0;

    // The window's outer size, frame included; the smallest outer size the
    // user may drag it to.
    virtual WindowSize OuterSize() const = 0;
    virtual void SetOuterSize(WindowSize size) = 0;
    virtual void SetMinimumOuterSize(WindowSize size) = 0;

    // The standard error box for an error's message (caption AppTitle, stop
    // icon, OK, the full-stop rule).
    virtual void ShowError(const std::string& message) = 0;
    // Plain box: caption AppTitle, no icon, OK; "\r" breaks the line.
    virtual void ShowMessage(const std::string& text) = 0;
    // "Confirm" with "&Yes" and "&No": false only for the No button or Esc.
    virtual bool Confirm(const std::string& text) = 0;
    // The folder dialog, starting at `start`; nothing when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& start) = 0;
    // Handles input that arrived meanwhile (an Abort press during a run).
    virtual void ProcessPendingInput() = 0;
    // Closes the window as its close box does: the logic's close sequence
    // decides whether it really closes.
    virtual void Close() = 0;
};

}  // namespace tarnfold::window
