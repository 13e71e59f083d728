#pragma once
// What an export run needs of the window, so that a whole run can be driven
// without Qt. The window implements it; tests record it.

#include <cstddef>
#include <string>

namespace tarnfold {

enum class ExportButtonState { Idle, Filling };  // "Экспорт" / "Прервать" with their hints

class ExportView {
public:
    virtual ~ExportView() = default;
    virtual void SetStatusText(const std::string& text) = 0;  // second status-bar panel
    virtual void SetGauge(int percent) = 0;
    // Called with the gauge: the window shows the percentage only, a batch
    // run on a terminal shows the rows.
    virtual void SetRowProgress(std::size_t /*done*/, std::size_t /*total*/) {}
    // Called before the filled document is saved under its name: a large
    // document takes the office a while, which a batch run tells.
    virtual void SavingDocument(const std::string& /*path*/) {}
    virtual void SetResultText(const std::string& text) = 0;  // LRezult
    virtual void SetExportButtonState(ExportButtonState state) = 0;
    virtual void SetExportEnabled(bool enabled) = 0;
    virtual void SetJournalEnabled(bool enabled) = 0;
    // Plain message box: caption AppTitle, no icon, OK.
    virtual void ShowMessage(const std::string& text) = 0;
    // Confirmation box "Confirm": true unless the answer is No.
    virtual bool Confirm(const std::string& text) = 0;
    // Lets the window handle input that arrived meanwhile (an Abort press).
    virtual void ProcessPendingInput() = 0;
};

}  // namespace tarnfold
