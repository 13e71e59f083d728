#pragma once
// What one export run reports while it goes. The run decides nothing of how
// it is shown: the window turns the reports into its texts and buttons, the
// batch into the lines of its documents.

#include <cstddef>
#include <string>

namespace tarnfold {

// How a run ended.
enum class RunEnd {
    Refused,   // stopped before anything was written: no template, no data, the output busy, no word processor
    Finished,  // the document saved, whole or as far as an abort let it fill
    Failed,    // an error ended it; the error itself follows the report
};

class ExportObserver {
public:
    virtual ~ExportObserver() = default;
    // Before the run looks at anything.
    virtual void Started() {}
    // What the run is doing now; empty when it does nothing more.
    virtual void Status(const std::string& /*text*/) {}
    // The rows begin to be filled: from now on an abort request is heard.
    virtual void FillingBegan() {}
    // The run is about to look at its abort flag, before each row: input
    // that arrived meanwhile (an Abort press) is handled here.
    virtual void BeforeRow() {}
    // After every filled row.
    virtual void Progress(std::size_t /*done*/, std::size_t /*total*/) {}
    // Before the filled document is saved under its name: a large document
    // takes the office a while.
    virtual void Saving(const std::string& /*path*/) {}
    // The filled document is saved: no abort request is heard any more.
    virtual void FillingEnded() {}
    // What the run came to, in a line.
    virtual void Result(const std::string& /*text*/) {}
    // Why the run refuses to go on.
    virtual void Refused(const std::string& /*message*/) {}
    // The source has no rows: whether to open the bare form all the same.
    virtual bool OpenEmptyForm(const std::string& question) = 0;
    // The last report of every run.
    virtual void Ended(RunEnd /*end*/) {}
};

}  // namespace tarnfold
