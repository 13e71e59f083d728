#include "batch/batch_run.h"

#include <chrono>
#include <exception>
#include <utility>

namespace tarnfold::batch {

namespace {

// The window's part in a run, played without a window: nobody to ask, so an
// empty result is skipped; messages are kept for the document's line; the
// stop request is the only input, looked at before every row.
class BatchView : public ExportView {
public:
    BatchView(BatchOutput& output, std::size_t documentsDone, std::size_t documentTotal,
              const std::function<bool()>& stopRequested)
        : output_(output),
          documentsDone_(documentsDone),
          documentTotal_(documentTotal),
          stopRequested_(stopRequested) {}

    void Attach(ExportRun& run) { run_ = &run; }

    void SetStatusText(const std::string&) override {}
    void SetGauge(int) override {}
    void SetRowProgress(std::size_t done, std::size_t total) override {
        output_.Progress(documentsDone_, documentTotal_, done, total);
    }
    void SavingDocument(const std::string& path) override { output_.SavingDocument(path); }
    void SetResultText(const std::string& text) override { resultText = text; }
    void SetExportButtonState(ExportButtonState) override {}
    void SetExportEnabled(bool) override {}
    void SetJournalEnabled(bool) override {}
    void ShowMessage(const std::string& text) override { message = text; }
    bool Confirm(const std::string&) override {
        emptyResult = true;
        return false;
    }
    void ProcessPendingInput() override {
        if (run_ && stopRequested_()) run_->RequestAbort();
    }

    std::string resultText;
    std::string message;
    bool emptyResult = false;

private:
    BatchOutput& output_;
    const std::size_t documentsDone_;
    const std::size_t documentTotal_;
    const std::function<bool()>& stopRequested_;
    ExportRun* run_ = nullptr;
};

}  // namespace

BatchRun::BatchRun(SessionFactory beginSession, const std::vector<db::Institution>& institutions,
                   const std::vector<db::Period>& periods, WordServers servers, ExportOptions options,
                   BatchOutput& output, std::function<bool()> stopRequested)
    : beginSession_(std::move(beginSession)),
      institutions_(institutions),
      periods_(periods),
      servers_(servers),
      options_(std::move(options)),
      output_(output),
      stopRequested_(std::move(stopRequested)) {}

BatchOutcome BatchRun::Run(const std::vector<BatchJob>& jobs) {
    BatchOutcome outcome;
    for (const BatchJob& job : jobs) {
        if (stopRequested_()) break;
        outcome.results.push_back(RunOne(job, outcome.results.size(), jobs.size()));
        output_.DocumentFinished(outcome.results.back());
    }
    outcome.stopped = stopRequested_();
    return outcome;
}

DocumentResult BatchRun::RunOne(const BatchJob& job, std::size_t documentsDone, std::size_t documentTotal) {
    const auto start = std::chrono::steady_clock::now();
    BatchView view(output_, documentsDone, documentTotal, stopRequested_);
    ExportRun run(beginSession_, institutions_, periods_, servers_, view, options_, job.choices);
    view.Attach(run);

    DocumentResult result;
    result.institution = job.institutionEntry;
    bool failed = false;
    try {
        run.Execute();
    } catch (const std::exception& error) {
        failed = true;
        result.message = error.what();
    }
    const ExportOutcome& outcome = run.Outcome();
    result.outputPath = outcome.outputPath;
    result.placedFigures = outcome.placedFigures;
    result.unplacedFigures = outcome.unplacedFigures;
    result.unmappedRows = outcome.unmappedRows;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (failed) {
        result.state = DocumentState::Failed;
    } else if (view.emptyResult && !outcome.saved) {
        result.state = DocumentState::Empty;
    } else if (!outcome.saved) {
        result.state = DocumentState::Failed;
        result.message = view.message.empty() ? view.resultText : view.message;
    } else {
        result.state = outcome.aborted ? DocumentState::Stopped : DocumentState::Done;
    }
    return result;
}

}  // namespace tarnfold::batch
