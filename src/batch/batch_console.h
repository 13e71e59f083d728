#pragma once
// The batch on a terminal: document lines on standard output and, when the
// error stream is a terminal, a progress line rewritten in place there.

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "batch/batch_run.h"

namespace tarnfold::batch {

class ConsoleOutput : public BatchOutput {
public:
    ConsoleOutput(std::ostream& lines, std::ostream& progress, bool liveProgress, std::string decimalSeparator);

    void Progress(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                  std::size_t rowTotal) override;
    void DocumentFinished(const DocumentResult& result) override;
    void Summary(const std::vector<std::string>& lines);
    double ElapsedSeconds() const;

private:
    void ClearProgress();
    // Nothing more is printed once the program is ending at once: what fails
    // then fails because of that end.
    bool Silent() const;

    std::ostream& lines_;
    std::ostream& progress_;
    const bool live_;
    const std::string decimalSeparator_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastProgress_{};
    bool progressShown_ = false;
};

}  // namespace tarnfold::batch
