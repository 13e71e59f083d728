#include "batch/batch_run.h"

#include <chrono>
#include <exception>
#include <future>
#include <mutex>
#include <system_error>
#include <utility>

namespace tarnfold::batch {

namespace {

// A query whose every call holds the batch's database lock.
class SerializedQuery : public db::Query {
public:
    SerializedQuery(std::unique_ptr<db::Query> inner, std::shared_ptr<std::mutex> lock)
        : inner_(std::move(inner)), lock_(std::move(lock)) {}
    ~SerializedQuery() override {
        const std::lock_guard<std::mutex> hold(*lock_);
        inner_.reset();
    }
    void SetInteger(std::string_view name, std::int64_t value) override {
        const std::lock_guard<std::mutex> hold(*lock_);
        inner_->SetInteger(name, value);
    }
    void SetText(std::string_view name, std::string_view utf8) override {
        const std::lock_guard<std::mutex> hold(*lock_);
        inner_->SetText(name, utf8);
    }
    db::ResultSet Open() override {
        const std::lock_guard<std::mutex> hold(*lock_);
        return inner_->Open();
    }

private:
    std::unique_ptr<db::Query> inner_;
    std::shared_ptr<std::mutex> lock_;
};

// A snapshot begun, used and ended under the batch's database lock.
class SerializedSession : public db::Session {
public:
    SerializedSession(std::unique_ptr<db::Session> inner, std::shared_ptr<std::mutex> lock)
        : inner_(std::move(inner)), lock_(std::move(lock)) {}
    ~SerializedSession() override {
        const std::lock_guard<std::mutex> hold(*lock_);
        inner_.reset();
    }
    std::unique_ptr<db::Query> Prepare(std::string_view sql) override {
        const std::lock_guard<std::mutex> hold(*lock_);
        return std::make_unique<SerializedQuery>(inner_->Prepare(sql), lock_);
    }

private:
    std::unique_ptr<db::Session> inner_;
    std::shared_ptr<std::mutex> lock_;
};

SessionFactory Serialized(SessionFactory beginSession) {
    return [beginSession = std::move(beginSession), lock = std::make_shared<std::mutex>()] {
        const std::lock_guard<std::mutex> hold(*lock);
        return std::make_unique<SerializedSession>(beginSession(), lock);
    };
}

// What one document's run reports, turned into the batch's output: its rows
// as progress, the message or result line of a run that refused for its
// document's line. Nobody is there to ask: an empty result opens no bare
// form. The stop request is looked at whenever the run looks at its abort
// flag.
class DocumentReport : public ExportObserver {
public:
    // `saving` is called as the document is about to be saved.
    DocumentReport(BatchOutput& output, std::size_t documentsDone, std::size_t documentTotal,
                   const std::function<bool()>& stopRequested, std::function<void()> saving)
        : output_(output),
          documentsDone_(documentsDone),
          documentTotal_(documentTotal),
          stopRequested_(stopRequested),
          saving_(std::move(saving)) {}

    // The run whose abort flag the stop request sets.
    void Attach(ExportRun& run) { run_ = &run; }

    void BeforeRow() override {
        if (run_ && stopRequested_()) run_->RequestAbort();
    }
    void Progress(std::size_t done, std::size_t total) override {
        output_.Progress(documentsDone_, documentTotal_, done, total);
    }
    void Saving(const std::string& path) override {
        output_.SavingDocument(path);
        saving_();
    }
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
    const std::function<void()> saving_;
    ExportRun* run_ = nullptr;
};

}  // namespace

// The rows of one job, read on a thread of their own.
struct BatchRun::RowsAhead {
    std::size_t job;
    std::future<SourceRead> read;
};

BatchRun::BatchRun(SessionFactory beginSession, WordServers servers, ExportOptions options, BatchOutput& output,
                   std::function<bool()> stopRequested)
    : beginSession_(Serialized(std::move(beginSession))),
      servers_(servers),
      options_(std::move(options)),
      output_(output),
      stopRequested_(std::move(stopRequested)) {}

BatchOutcome BatchRun::Run(const std::vector<BatchJob>& jobs) {
    BatchOutcome outcome;
    std::optional<RowsAhead> ahead;
    for (std::size_t job = 0; job < jobs.size(); ++job) {
        if (stopRequested_()) break;
        outcome.results.push_back(RunOne(jobs, job, ahead));
        output_.DocumentFinished(outcome.results.back());
    }
    // Rows read for a document that a stop request left unstarted: the
    // reading ends, and its snapshot with it, before the batch does.
    ahead.reset();
    outcome.stopped = stopRequested_();
    return outcome;
}

std::optional<BatchRun::RowsAhead> BatchRun::ReadAhead(const std::vector<BatchJob>& jobs, std::size_t job) const {
    const ExportChoices& choices = jobs[job].choices;
    if (!choices.theme || !choices.form) return std::nullopt;
    try {
        return RowsAhead{
            job, std::async(std::launch::async, [beginSession = beginSession_, choice = SourceChoiceOf(choices)] {
                return ReadSource(beginSession, choice);
            })};
    } catch (const std::system_error&) {
        // No thread to be had: the run reads its rows itself.
        return std::nullopt;
    }
}

DocumentResult BatchRun::RunOne(const std::vector<BatchJob>& jobs, std::size_t job, std::optional<RowsAhead>& ahead) {
    const auto start = std::chrono::steady_clock::now();
    if (!ahead || ahead->job != job) ahead = ReadAhead(jobs, job);
    // Once the document's own reading is done, the next document's rows
    // are read while it is saved.
    const auto readNext = [&] {
        if (job + 1 < jobs.size() && !stopRequested_()) ahead = ReadAhead(jobs, job + 1);
    };
    DocumentReport report(output_, job, jobs.size(), stopRequested_, readNext);
    SourceReadAhead readAhead;
    if (ahead) readAhead = [&ahead] { return ahead->read.get(); };
    ExportRun run(beginSession_, servers_, report, options_, jobs[job].choices, std::move(readAhead));
    report.Attach(run);

    DocumentResult result;
    result.institution = jobs[job].institutionEntry;
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
    // Rows the run did not come to read are let go.
    if (ahead && ahead->job == job) ahead.reset();
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
