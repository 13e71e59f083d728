#pragma once
// What the window's buttons set going beyond the window: an export run, its
// abort, the journal. The program connects an ExportConnection here; tests
// record the calls.

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

}  // namespace tarnfold::window
