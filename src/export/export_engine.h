#pragma once
// What the window holds for its whole life to run exports: where the rows
// come from, the word processor and the fixed options. One run at a time; the last run
// keeps its word-processor application until the next run replaces it.

#include <memory>

#include "export/export_run.h"

namespace tarnfold {

class ExportEngine {
public:
    ExportEngine(RowSource rows, WordServers servers, ExportView& view, ExportOptions options);
    ~ExportEngine();
    ExportEngine(const ExportEngine&) = delete;
    ExportEngine& operator=(const ExportEngine&) = delete;

    // Export (or F10) while no run is active: runs one export on these
    // choices. A press while a run is active starts nothing. Errors other than
    // the expected failures are rethrown for the standard error box.
    void Export(const ExportChoices& choices);
    // The button while it reads "Прервать", or a close request during a run.
    void Abort();
    bool Running() const { return running_; }

private:
    RowSource rows_;
    WordServers servers_;
    ExportView& view_;
    ExportOptions options_;
    std::unique_ptr<ExportRun> run_;
    bool running_ = false;
};

}  // namespace tarnfold
