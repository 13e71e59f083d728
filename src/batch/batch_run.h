#pragma once
// A batch: the planned documents one after the other through the same export
// run the window uses, each reported as it ends. A failure in one document is
// reported on its line and the batch goes on; a stop request ends the current
// document after its current row (saved) and starts no other.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_choices.h"
#include "batch/batch_report.h"
#include "export/export_run.h"

namespace tarnfold::batch {

class BatchOutput {
public:
    virtual ~BatchOutput() = default;
    // Called after every filled row.
    virtual void Progress(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                          std::size_t rowTotal) = 0;
    // Called before a filled document is saved, and DocumentFinished after.
    virtual void SavingDocument(const std::string& /*path*/) {}
    virtual void DocumentFinished(const DocumentResult& result) = 0;
};

struct BatchOutcome {
    std::vector<DocumentResult> results;  // in the order of the jobs, up to where the batch stopped
    bool stopped = false;
};

class BatchRun {
public:
    // Each document's figures are read on a thread of their own while the
    // document before is saved (the first while the run prepares its
    // template); every call into the database holds one lock, so the client
    // library is never entered from two threads at once.
    BatchRun(SessionFactory beginSession, WordServers servers, ExportOptions options, BatchOutput& output,
             std::function<bool()> stopRequested);

    BatchOutcome Run(const std::vector<BatchJob>& jobs);

private:
    struct RowsAhead;

    DocumentResult RunOne(const std::vector<BatchJob>& jobs, std::size_t job, std::optional<RowsAhead>& ahead);
    std::optional<RowsAhead> ReadAhead(const std::vector<BatchJob>& jobs, std::size_t job) const;

    SessionFactory beginSession_;  // serialized
    WordServers servers_;
    ExportOptions options_;
    BatchOutput& output_;
    std::function<bool()> stopRequested_;
};

}  // namespace tarnfold::batch
