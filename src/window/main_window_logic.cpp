#include "window/main_window_logic.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "catalogue/catalogue.h"
#include "core/integer.h"
#include "core/paths.h"
#include "db/connect_rules.h"
#include "export/export_rules.h"
#include "window/field_rules.h"

namespace tarnfold::window {

MainWindowLogic::MainWindowLogic(MainWindowView& view, std::string programFolder)
    : view_(view),
      programFolder_(std::move(programFolder)),
      sectionText_(SectionFieldText(PlaceOf(Control::SectionField).text)),
      yearText_(PlaceOf(Control::YearField).text),
      templateFolder_(PlaceOf(Control::TemplateFolder).text) {}

namespace {

template <typename Record>
Record RecordAt(const std::vector<Record>& records, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= records.size()) return Record{};
    return records[static_cast<std::size_t>(index)];
}

}  // namespace

std::string MainWindowLogic::EntryAt(const std::vector<std::string>& entries, int index) {
    if (index < 0 || index >= static_cast<int>(entries.size())) return {};
    return entries[static_cast<std::size_t>(index)];
}

template <class Handler>
void MainWindowLogic::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    } catch (...) {
        view_.ShowError(UnknownErrorMessage);
    }
}

void MainWindowLogic::Create(int exportButtonHeight, std::int32_t currentYear) {
    PlaceControls(exportButtonHeight);
    try {
        LoadSettings(programFolder_, currentYear, settings_);
        settingsLoaded_ = true;
        ApplySettings();
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    }
    view_.Focus(Control::FormList);
}

void MainWindowLogic::PlaceAtFactor() {
    for (const ControlPlace& place : ControlPlaces())
        if (place.control != Control::Window) view_.Place(place.control, Scaled(place.design, factor_), place.sizing);
}

void MainWindowLogic::PlaceControls(int exportButtonHeight) {
    factor_ = ScaleFactor(exportButtonHeight);
    PlaceAtFactor();
    for (const ControlPlace& place : ControlPlaces())
        if (*place.text) view_.SetText(place.control, place.text);
    view_.SetHint(Control::ExportButton, ExportHint);
    view_.SetShown(Control::DetailPanel, false);
    FollowPeriodFlag();
    const WindowSize size = ScaledWindowSize(DesignCompactSize, factor_);
    view_.SetOuterSize(size);
    view_.SetMinimumOuterSize(size);
}

void MainWindowLogic::ApplySettings() {
    const ReportSettings& report = settings_.Report;
    databaseName_ = db::DatabaseNameFor({settings_.DBPath, settings_.DBPassword, settings_.HostIniMissing});
    yearText_ = std::to_string(report.year);
    view_.SetText(Control::YearField, yearText_);
    sectionText_ = SectionFieldText(report.section);
    view_.SetText(Control::SectionField, sectionText_);
    std::vector<std::string> themes;
    for (const ReportTheme& theme : Themes) themes.push_back(theme.caption);
    themeIndex_ = 0;
    view_.SetItems(Control::ThemeList, themes, themeIndex_);
    FollowPeriodFlag();
    FillForms();
    templateInitialFolder_ = report.templateFolder;
    templateFolder_ = report.templateFolder;
    view_.SetText(Control::TemplateFolder, templateFolder_);
}

void MainWindowLogic::FillForms() {
    forms_ = FormCaptionsOfTheme(themeIndex_);
    formPosition_ = forms_.empty() ? -1 : 0;
    view_.SetItems(Control::FormList, forms_, formPosition_);
}

void MainWindowLogic::FollowPeriodFlag() {
    const bool periods = PeriodApplies(themeIndex_);
    view_.SetEnabled(Control::PeriodLabel, periods);
    view_.SetEnabled(Control::PeriodList, periods);
}

void MainWindowLogic::SetInstitutions(std::vector<db::Institution> records) {
    institutionRecords_ = std::move(records);
    institutions_ = db::InstitutionEntries(institutionRecords_);
    institutionIndex_ = institutions_.empty() ? -1 : 0;
    view_.SetItems(Control::InstitutionList, institutions_, institutionIndex_);
}

void MainWindowLogic::SetPeriods(std::vector<db::Period> records) {
    periodRecords_ = std::move(records);
    periods_ = db::PeriodEntries(periodRecords_);
    periodIndex_ = periods_.empty() ? -1 : 0;
    view_.SetItems(Control::PeriodList, periods_, periodIndex_);
}

void MainWindowLogic::SelectInstitution(int index) {
    institutionIndex_ = index;
    view_.Select(Control::InstitutionList, index);
}

void MainWindowLogic::SelectForm(int index) {
    formPosition_ = index;
    view_.Select(Control::FormList, index);
}

void MainWindowLogic::ShowDatabaseName() {
    view_.SetText(Control::DatabasePanel, DatabaseStatusPrefix + databaseName_);
    // A long database name does not fit the panel; the whole name is one
    // pointer rest away.
    view_.SetHint(Control::DatabasePanel, DatabaseStatusPrefix + databaseName_);
}

void MainWindowLogic::OnThemeChosen(int index) {
    Guarded([&] {
        themeIndex_ = index;
        FillForms();
        FollowPeriodFlag();
    });
}

void MainWindowLogic::OnSectionTyped(const std::string& typed) { sectionText_ = SectionFieldText(typed); }

void MainWindowLogic::OnExportPressed() {
    Guarded([this] {
        if (runState_ == RunState::Filling) {
            RequestAbort();
            return;
        }
        // A run hands input back to the window while it fills: a second press
        // or F10 then must not start another run inside the first.
        if (runState_ != RunState::Idle || !actions_) return;
        runState_ = RunState::Running;
        struct BackToIdle {
            RunState& state;
            ~BackToIdle() { state = RunState::Idle; }
        } idle{runState_};
        actions_->Export(Choices());
    });
    if (closeAfterRun_ && !ExportRunning()) view_.Close();
}

void MainWindowLogic::OnExportKey() {
    // F10 never stops a run: it acts only while the button starts one.
    if (runState_ != RunState::Filling && exportEnabled_) OnExportPressed();
}

void MainWindowLogic::OnExitKey() { view_.Close(); }

void MainWindowLogic::OnDetailPressed() {
    Guarded([this] {
        const WindowSize outer = view_.OuterSize();
        detailShown_ = !detailShown_;
        view_.SetText(Control::DetailButton, detailShown_ ? DetailHideCaption : DetailShowCaption);
        view_.SetOuterSize({outer.width, detailShown_ ? DetailHeight(outer.height) : CompactHeight(outer.height)});
        view_.SetShown(Control::DetailPanel, detailShown_);
    });
}

void MainWindowLogic::OnJournalPressed() {
    Guarded([this] {
        if (actions_) actions_->OpenJournal();
    });
}

void MainWindowLogic::OnBrowsePressed() {
    Guarded([this] {
        const std::string start = BrowseStartFolder(templateFolder_, templateInitialFolder_, DirectoryExists);
        const std::optional<std::string> chosen = view_.ChooseFolder(start);
        if (!chosen || chosen->empty()) return;
        templateFolder_ = *chosen;
        view_.SetText(Control::TemplateFolder, templateFolder_);
        if (DirectoryExists(*chosen)) templateInitialFolder_ = *chosen;
    });
}

void MainWindowLogic::OnNamesDropped(const std::vector<std::string>& names) {
    Guarded([&] {
        if (names.empty()) return;
        templateFolder_ = DroppedFolderText(names.front(), FileExists(names.front()));
        view_.SetText(Control::TemplateFolder, templateFolder_);
    });
}

void MainWindowLogic::OnHolderResized(WindowSize holder) {
    view_.Place(Control::DetailPanel, DetailPanelRect(holder, factor_), Sizing::Holder);
}

void MainWindowLogic::OnScaleChanged(int exportButtonHeight) {
    const double ratio = ScaleFactor(exportButtonHeight) / factor_;
    factor_ = ScaleFactor(exportButtonHeight);
    PlaceAtFactor();
    const WindowSize minimum = ScaledWindowSize(DesignCompactSize, factor_);
    const WindowSize outer = view_.OuterSize();
    view_.SetMinimumOuterSize(minimum);
    view_.SetOuterSize(
        {std::max(minimum.width, Scaled(outer.width, ratio)), std::max(minimum.height, Scaled(outer.height, ratio))});
}

void MainWindowLogic::RequestAbort() {
    SetExportEnabled(false);
    if (actions_) actions_->Abort();
}

bool MainWindowLogic::OnCloseRequested() {
    if (ExportRunning()) {
        closeAfterRun_ = true;
        if (!abortAskedByClose_) {
            abortAskedByClose_ = true;
            Guarded([this] { RequestAbort(); });
        }
        return false;
    }
    if (!closed_) {
        closed_ = true;
        SaveOnClose();
    }
    return true;
}

void MainWindowLogic::SaveOnClose() {
    // After a failed load the controls hold design texts, not the user's
    // choices: writing them would overwrite the saved choices.
    if (!settingsLoaded_) return;
    try {
        SaveSettings(programFolder_, databaseName_, settings_, SavedChoices());
    } catch (const std::exception& error) {
        // Shown, and the window closes all the same: it would fail again at
        // every later attempt.
        view_.ShowError(error.what());
    }
}

ExportChoices MainWindowLogic::Choices() const {
    ExportChoices choices;
    choices.form = TemplateRow(themeIndex_, formPosition_);
    if (choices.form) choices.theme = &Themes.at(static_cast<std::size_t>(themeIndex_));
    choices.institution = RecordAt(institutionRecords_, institutionIndex_);
    choices.period = RecordAt(periodRecords_, periodIndex_);
    choices.sectionText = sectionText_;
    choices.yearText = yearText_;
    choices.templateFolder = templateFolder_;
    return choices;
}

WindowChoices MainWindowLogic::SavedChoices() const {
    return {FormText(), InstitutionText(), yearText_, sectionText_, templateFolder_};
}

void MainWindowLogic::Started() {
    view_.SetText(Control::ResultLine, "");
    SetJournalEnabled(false);
    SetExportEnabled(false);
    view_.SetGauge(0);
}

void MainWindowLogic::Status(const std::string& text) { view_.SetText(Control::ProgressPanel, text); }

void MainWindowLogic::FillingBegan() {
    runState_ = RunState::Filling;
    SetExportEnabled(true);
    SetExportCaption(true);
}

void MainWindowLogic::Progress(std::size_t done, std::size_t total) { view_.SetGauge(GaugePercent(done, total)); }

void MainWindowLogic::FillingEnded() {
    runState_ = RunState::Running;
    SetExportCaption(false);
    view_.SetGauge(0);
}

void MainWindowLogic::Result(const std::string& text) { view_.SetText(Control::ResultLine, text); }

void MainWindowLogic::Ended(RunEnd end) {
    SetExportEnabled(true);
    // A run that refused before it wrote anything leaves the journal button
    // off and the status as the run left it.
    if (end != RunEnd::Refused) {
        if (runState_ == RunState::Filling) SetExportCaption(false);
        SetJournalEnabled(true);
        view_.SetGauge(0);
        view_.SetText(Control::ProgressPanel, "");
    }
    runState_ = RunState::Idle;
}

void MainWindowLogic::SetExportCaption(bool filling) {
    view_.SetText(Control::ExportButton, filling ? AbortCaption : ExportCaption);
    view_.SetHint(Control::ExportButton, filling ? AbortHint : ExportHint);
}

void MainWindowLogic::SetExportEnabled(bool enabled) {
    exportEnabled_ = enabled;
    view_.SetEnabled(Control::ExportButton, enabled);
}

void MainWindowLogic::SetJournalEnabled(bool enabled) { view_.SetEnabled(Control::JournalButton, enabled); }

}  // namespace tarnfold::window
