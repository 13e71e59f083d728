#pragma once
// A view that keeps what the window logic told it to draw, answers its
// questions from queues and passes a close back to the logic as a window
// would.

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "window/main_window_logic.h"
#include "window/main_window_view.h"

namespace tarnfold::window::testing {

struct DrawnControl {
    std::string text;
    std::string hint;
    bool enabled = true;
    bool shown = true;
    std::vector<std::string> items;
    int selected = -1;
    Rect rect;
    std::optional<Sizing> sizing;
};

enum class Box { Error, Message, Confirm };

struct ShownBox {
    Box kind;
    std::string text;
    friend bool operator==(const ShownBox&, const ShownBox&) = default;
};

class RecordingView : public MainWindowView {
public:
    std::map<Control, DrawnControl> drawn;
    WindowSize outer;
    WindowSize minimum;
    int gauge = 0;
    std::optional<Control> focus;
    std::vector<ShownBox> boxes;
    std::deque<bool> answers;  // Yes when it runs dry
    std::optional<std::string> folderAnswer;
    std::vector<std::string> folderStarts;
    int pendingInputCalls = 0;
    int closeRequests = 0;
    bool closed = false;
    MainWindowLogic* logic = nullptr;  // asked whether a close goes through
    std::function<void()> onInput;     // what the user does while a run asks for input

    const DrawnControl& operator[](Control control) { return drawn[control]; }

    void Place(Control control, Rect rect, Sizing sizing) override {
        drawn[control].rect = rect;
        drawn[control].sizing = sizing;
    }
    void SetText(Control control, const std::string& text) override { drawn[control].text = text; }
    void SetHint(Control control, const std::string& hint) override { drawn[control].hint = hint; }
    void SetEnabled(Control control, bool enabled) override { drawn[control].enabled = enabled; }
    void SetShown(Control control, bool shown) override { drawn[control].shown = shown; }
    void SetItems(Control list, const std::vector<std::string>& items, int selected) override {
        drawn[list].items = items;
        drawn[list].selected = selected;
    }
    void Select(Control list, int index) override { drawn[list].selected = index; }
    void SetGauge(int percent) override { gauge = percent; }
    void Focus(Control control) override { focus = control; }
    WindowSize OuterSize() const override { return outer; }
    void SetOuterSize(WindowSize size) override {
        // A window cannot be made smaller than its smallest size.
        outer = {std::max(size.width, minimum.width), std::max(size.height, minimum.height)};
    }
    void SetMinimumOuterSize(WindowSize size) override { minimum = size; }
    void ShowError(const std::string& message) override { boxes.push_back({Box::Error, message}); }
    void ShowMessage(const std::string& text) override { boxes.push_back({Box::Message, text}); }
    bool Confirm(const std::string& text) override {
        boxes.push_back({Box::Confirm, text});
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseFolder(const std::string& start) override {
        folderStarts.push_back(start);
        return folderAnswer;
    }
    void ProcessPendingInput() override {
        ++pendingInputCalls;
        if (onInput) onInput();
    }
    void Close() override {
        ++closeRequests;
        if (logic && logic->OnCloseRequested()) closed = true;
    }
};

}  // namespace tarnfold::window::testing
