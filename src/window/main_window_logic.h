#pragma once
// Everything the main window decides, without a toolkit: the controls'
// texts, enabled states and lists, the user's choices, the year and section
// rules, the scaling and the detail toggle, which keys act when, the set-up
// and the close with their settings load and save. It keeps the choices in
// its own fields, tells a MainWindowView what to draw and turns what an
// export run reports into the window's texts, buttons and state.

#include <cstdint>
#include <string>
#include <vector>

#include "db/data_module.h"
#include "export/export_observer.h"
#include "export/export_run.h"
#include "settings/settings.h"
#include "window/export_actions.h"
#include "window/main_window_view.h"

namespace tarnfold::window {

class MainWindowLogic : public ExportObserver {
public:
    MainWindowLogic(MainWindowView& view, std::string programFolder);
    MainWindowLogic(const MainWindowLogic&) = delete;
    MainWindowLogic& operator=(const MainWindowLogic&) = delete;

    // The set-up: places and design texts at the factor the export button's
    // measured height gives, the outer size, then the settings load and the
    // controls' values from it. A failed load is shown and leaves the design
    // texts.
    void Create(int exportButtonHeight, std::int32_t currentYear);
    // What the export button and the journal button set going; nothing is
    // run while none is connected.
    void Connect(ExportActions* actions) { actions_ = actions; }

    // The settings as loaded; SettingsLoaded() is false when the load failed.
    const Settings& LoadedSettings() const { return settings_; }
    bool SettingsLoaded() const { return settingsLoaded_; }

    // Filled from the database's records at start-up: entry 0 selected, none
    // when empty. A run is handed the record of the chosen entry.
    void SetInstitutions(std::vector<db::Institution> records);
    void SetPeriods(std::vector<db::Period> records);
    void SelectInstitution(int index);
    void SelectForm(int index);
    // The database name in use, written back by the close as PathBase.
    void SetDatabaseName(std::string name) { databaseName_ = std::move(name); }
    const std::string& DatabaseName() const { return databaseName_; }
    // " База: " and the database name in the first status panel.
    void ShowDatabaseName();
    // The standard error box, for a caller that caught an error.
    void ShowError(const std::string& message) { view_.ShowError(message); }
    // The plain message box.
    void ShowMessage(const std::string& text) { view_.ShowMessage(text); }

    // The user's input, as the view passes it in.
    void OnThemeChosen(int index);
    void OnFormChosen(int index) { formPosition_ = index; }
    void OnInstitutionChosen(int index) { institutionIndex_ = index; }
    void OnPeriodChosen(int index) { periodIndex_ = index; }
    void OnSectionTyped(const std::string& typed);
    void OnYearTyped(const std::string& text) { yearText_ = text; }
    void OnExportPressed();
    void OnExportKey();  // F10
    void OnExitKey();    // Esc
    void OnDetailPressed();
    void OnJournalPressed();
    void OnBrowsePressed();
    void OnNamesDropped(const std::vector<std::string>& names);
    // The panel that holds the detail panel has a new size.
    void OnHolderResized(WindowSize holder);
    // The screen's scale changed under the window (it moved to a monitor of
    // another DPI): the places are drawn at the new factor and the outer size
    // grows or shrinks by the same ratio; texts, lists and choices stay.
    void OnScaleChanged(int exportButtonHeight);
    // The window is asked to close (Esc, close box, system menu, end signal):
    // true when it may close now. During a run the run is asked to stop and
    // the window closes once it has.
    bool OnCloseRequested();

    // The user's choices.
    int ThemeIndex() const { return themeIndex_; }
    int FormPosition() const { return formPosition_; }
    int InstitutionIndex() const { return institutionIndex_; }
    int PeriodIndex() const { return periodIndex_; }
    const std::vector<std::string>& FormEntries() const { return forms_; }
    std::string FormText() const { return EntryAt(forms_, formPosition_); }
    std::string InstitutionText() const { return EntryAt(institutions_, institutionIndex_); }
    std::string PeriodText() const { return EntryAt(periods_, periodIndex_); }
    const std::string& SectionText() const { return sectionText_; }
    const std::string& YearText() const { return yearText_; }
    const std::string& TemplateFolderText() const { return templateFolder_; }
    const std::string& TemplateInitialFolder() const { return templateInitialFolder_; }
    // What an export run is handed: the records of the chosen entries and
    // the fields' texts, as they stand now.
    ExportChoices Choices() const;
    // What the close writes back.
    WindowChoices SavedChoices() const;

    bool ExportRunning() const { return runState_ != RunState::Idle; }
    bool DetailShown() const { return detailShown_; }
    bool ExportEnabled() const { return exportEnabled_; }
    double Factor() const { return factor_; }

    // ExportObserver: the run's reports.
    void Started() override;
    void Status(const std::string& text) override;
    void FillingBegan() override;
    void BeforeRow() override { view_.ProcessPendingInput(); }
    void Progress(std::size_t done, std::size_t total) override;
    void FillingEnded() override;
    void Result(const std::string& text) override;
    void Refused(const std::string& message) override { view_.ShowMessage(message); }
    bool OpenEmptyForm(const std::string& question) override { return view_.Confirm(question); }
    void Ended(RunEnd end) override;

private:
    static std::string EntryAt(const std::vector<std::string>& entries, int index);
    void PlaceControls(int exportButtonHeight);
    void PlaceAtFactor();
    void ApplySettings();
    void FillForms();
    void FollowPeriodFlag();
    void RequestAbort();
    void SaveOnClose();
    // "Экспорт" with its hint, or "Прервать" while the rows are filled.
    void SetExportCaption(bool filling);
    void SetExportEnabled(bool enabled);
    void SetJournalEnabled(bool enabled);
    // Runs a handler; an error it throws ends it in the standard error box.
    template <class Handler>
    void Guarded(Handler&& handler);

    MainWindowView& view_;
    std::string programFolder_;
    ExportActions* actions_ = nullptr;
    Settings settings_;
    bool settingsLoaded_ = false;
    std::string databaseName_;
    double factor_ = 1.0;

    int themeIndex_ = -1;
    std::vector<std::string> forms_;
    int formPosition_ = -1;
    std::vector<db::Institution> institutionRecords_;
    std::vector<std::string> institutions_;
    int institutionIndex_ = -1;
    std::vector<db::Period> periodRecords_;
    std::vector<std::string> periods_;
    int periodIndex_ = -1;
    std::string sectionText_;
    std::string yearText_;
    std::string templateFolder_;
    std::string templateInitialFolder_;

    // Running from the press of Export to the run's end, Filling while the
    // button aborts.
    enum class RunState { Idle, Running, Filling };
    RunState runState_ = RunState::Idle;
    bool exportEnabled_ = true;
    bool detailShown_ = false;
    bool closeAfterRun_ = false;
    bool abortAskedByClose_ = false;
    bool closed_ = false;
};

}  // namespace tarnfold::window
