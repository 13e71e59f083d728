#include "batch/batch_run.h"

#include <chrono>
#include <exception>
#include <utility>

namespace tarnfold::batch {

namespace {

// What one document's run reports, turned into the batch's output: its rows
// as progress, the message or result line of a run that refused for its
// document's line. Nobody is there to ask: an empty result opens no bare
// form. The stop request is looked at whenever the run looks at its abort
// flag.
class DocumentReport : public ExportObserver {
public:
    DocumentReport(BatchOutput& output, std::size_t documentsDone, std::size_t documentTotal,
                   const std::function<bool()>& stopRequested)
        : output_(output),
          documentsDone_(documentsDone),
          documentTotal_(documentTotal),
          stopRequested_(stopRequested) {}

    // The run whose abort flag the stop request sets.
    void Attach(ExportRun& run) { run_ = &run; }

    void BeforeRow() override {
        if (run_ && stopRequested_()) run_->RequestAbort();
    }
    void Progress(std::size_t done, std::size_t total) override {
        output_.Progress(documentsDone_, documentTotal_, done, total);
    }
    void Saving(const std::string& path) override { output_.SavingDocument(path); }
    void Result(const std::string& text) override { resultText = text; }
    void Refused(const std::string& text) override { message = text; }
    bool OpenEmptyForm(const std::string&) override {
        emptyResult = true;
        return false;
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

BatchRun::BatchRun(SessionFactory beginSession, WordServers servers, ExportOptions options, BatchOutput& output,
                   std::function<bool()> stopRequested)
    : beginSession_(std::move(beginSession)),
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
    DocumentReport report(output_, documentsDone, documentTotal, stopRequested_);
    ExportRun run(beginSession_, servers_, report, options_, job.choices);
    report.Attach(run);

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
    } else if (report.emptyResult && !outcome.saved) {
        result.state = DocumentState::Empty;
    } else if (!outcome.saved) {
        result.state = DocumentState::Failed;
        result.message = report.message.empty() ? report.resultText : report.message;
    } else {
        result.state = outcome.aborted ? DocumentState::Stopped : DocumentState::Done;
    }
    return result;
}

}  // namespace tarnfold::batch
