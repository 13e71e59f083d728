#pragma once
// A window that records what the run asks of it, in the same list as the word
// processor's calls, so that tests see the order across both.

#include <functional>
#include <string>
#include <vector>

#include "export/export_view.h"

namespace tarnfold::testing {

class RecordingView : public ExportView {
public:
    explicit RecordingView(std::vector<std::string>& calls) : calls_(calls) {}

    void SetStatusText(const std::string& text) override { calls_.push_back("status " + text); }
    void SetGauge(int percent) override { calls_.push_back("gauge " + std::to_string(percent)); }
    void SetResultText(const std::string& text) override { calls_.push_back("result " + text); }
    void SetExportButtonState(ExportButtonState state) override {
        calls_.push_back(state == ExportButtonState::Idle ? "button Экспорт" : "button Прервать");
    }
    void SetExportEnabled(bool enabled) override { calls_.push_back(enabled ? "export on" : "export off"); }
    void SetJournalEnabled(bool enabled) override { calls_.push_back(enabled ? "journal on" : "journal off"); }
    void ShowMessage(const std::string& text) override { calls_.push_back("message " + text); }
    bool Confirm(const std::string& text) override {
        calls_.push_back("confirm " + text);
        return answer;
    }
    void ProcessPendingInput() override {
        calls_.push_back("input");
        if (onInput) onInput();
    }

    bool answer = true;
    std::function<void()> onInput;

private:
    std::vector<std::string>& calls_;
};

}  // namespace tarnfold::testing
