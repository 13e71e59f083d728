#pragma once
// What the window's buttons set going beyond the window: an export run, its
// abort, the journal. The program connects the export engine here; tests
// record the calls.

#include <functional>

#include "export/export_engine.h"
#include "export/export_run.h"

namespace tarnfold::window {

class ExportActions {
public:
    virtual ~ExportActions() = default;
    // One whole run on these choices; returns when the run has ended.
    virtual void Export(const ExportChoices& choices) = 0;
    // Asks the running export to stop before its next source row.
    virtual void Abort() = 0;
    virtual void OpenJournal() = 0;
};

// The export engine behind the buttons, and the platform's way of opening
// the journal.
class EngineActions : public ExportActions {
public:
    EngineActions(ExportEngine& engine, std::function<void()> openJournal)
        : engine_(engine), openJournal_(std::move(openJournal)) {}
    void Export(const ExportChoices& choices) override { engine_.Export(choices); }
    void Abort() override { engine_.Abort(); }
    void OpenJournal() override { openJournal_(); }

private:
    ExportEngine& engine_;
    std::function<void()> openJournal_;
};

}  // namespace tarnfold::window
