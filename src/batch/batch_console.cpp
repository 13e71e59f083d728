#include "batch/batch_console.h"

#include <utility>

#include "batch/interrupt.h"

namespace tarnfold::batch {

namespace {
// Redrawing more often only costs time on a slow terminal.
constexpr std::chrono::milliseconds kProgressInterval{100};
}  // namespace

ConsoleOutput::ConsoleOutput(std::ostream& lines, std::ostream& progress, bool liveProgress,
                             std::string decimalSeparator)
    : lines_(lines), progress_(progress), live_(liveProgress), decimalSeparator_(std::move(decimalSeparator)) {}

double ConsoleOutput::ElapsedSeconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ConsoleOutput::Progress(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                             std::size_t rowTotal) {
    if (!live_ || Silent()) return;
    const auto now = std::chrono::steady_clock::now();
    if (rowsDone != rowTotal && now - lastProgress_ < kProgressInterval) return;
    lastProgress_ = now;
    progress_ << '\r' << ProgressLine(documentsDone, documentTotal, rowsDone, rowTotal, ElapsedSeconds()) << "\x1b[K"
              << std::flush;
    progressShown_ = true;
}

void ConsoleOutput::ClearProgress() {
    if (!progressShown_) return;
    progress_ << "\r\x1b[K" << std::flush;
    progressShown_ = false;
}

bool ConsoleOutput::Silent() const { return EndingAtOnce(); }

void ConsoleOutput::DocumentFinished(const DocumentResult& result) {
    if (Silent()) return;
    ClearProgress();
    lines_ << DocumentLine(result, decimalSeparator_) << std::endl;
}

void ConsoleOutput::Summary(const std::vector<std::string>& lines) {
    if (Silent()) return;
    for (const std::string& line : lines) lines_ << line << '\n';
    lines_.flush();
}

}  // namespace tarnfold::batch
