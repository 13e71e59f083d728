#pragma once
// An observer that records what the run reports, in the same list as the word
// processor's calls, so that tests see the order across both.

#include <functional>
#include <string>
#include <vector>

#include "export/export_observer.h"

namespace tarnfold::testing {

class RecordingObserver : public ExportObserver {
public:
    explicit RecordingObserver(std::vector<std::string>& calls) : calls_(calls) {}

    void Started() override { calls_.push_back("started"); }
    void Status(const std::string& text) override { calls_.push_back("status " + text); }
    void FillingBegan() override { calls_.push_back("filling"); }
    void BeforeRow() override {
        calls_.push_back("before row");
        if (beforeRow) beforeRow();
    }
    void Progress(std::size_t done, std::size_t total) override {
        calls_.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
    }
    void Saving(const std::string& path) override { calls_.push_back("saving " + path); }
    void FillingEnded() override { calls_.push_back("filled"); }
    void Result(const std::string& text) override { calls_.push_back("result " + text); }
    void Refused(const std::string& message) override { calls_.push_back("refused " + message); }
    bool OpenEmptyForm(const std::string& question) override {
        calls_.push_back("ask " + question);
        return answer;
    }
    void Ended(RunEnd end) override {
        calls_.push_back(end == RunEnd::Refused    ? "ended refused"
                         : end == RunEnd::Finished ? "ended finished"
                                                   : "ended failed");
    }

    bool answer = true;
    std::function<void()> beforeRow;

private:
    std::vector<std::string>& calls_;
};

}  // namespace tarnfold::testing
