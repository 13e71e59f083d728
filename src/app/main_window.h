#pragma once
// The tool's only window: the report choices, the export button, the detail
// panel with the template folder and the journal button, and the status bar.

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/export_view.h"
#include "settings/settings.h"

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;

namespace tarnfold::app {

class DirectoryEdit;
class Gauge;
class SectionField;
class YearField;

inline constexpr const char* MainWindowCaption = "Выгрузка данных в бланки форм";
inline constexpr const char* ExportCaption = "Экспорт";
inline constexpr const char* ExportHint = "Выгрузить данные в бланк  (F10)";
inline constexpr const char* AbortCaption = "Прервать";
inline constexpr const char* AbortHint = "Прервать выгрузку данных в бланк";
inline constexpr const char* DetailShowCaption = "Подробно >>";
inline constexpr const char* DetailHideCaption = "Подробно <<";

class MainWindow : public QMainWindow, public ExportView {
    Q_OBJECT
public:
    // Builds the window and runs its set-up: scaling, the settings load from
    // the program folder, then the initial values of the controls.
    MainWindow(std::string programFolder, std::int32_t currentYear, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Hooks the export engine is connected to.
    std::function<void()> onExport;   // the button (or F10) while idle
    std::function<void()> onAbort;    // the button while it reads "Прервать"
    std::function<void()> onJournal;  // the journal button

    // The settings as loaded; SettingsLoaded() is false when the load failed.
    const Settings& LoadedSettings() const { return settings_; }
    bool SettingsLoaded() const { return settingsLoaded_; }

    // Filled from the database at start-up: entry 0 selected, none when empty.
    void SetInstitutions(const std::vector<std::string>& entries);
    void SetPeriods(const std::vector<std::string>& entries);
    std::vector<std::string> FormEntries() const;
    void SelectInstitution(int index);
    void SelectForm(int index);
    // The database file name in use, written back by the close as PathBase.
    void SetDatabaseName(const std::string& name);
    void SetDatabaseStatus(const std::string& text);  // first status panel

    // The user's choices, as the export and the close read them.
    int ThemeIndex() const;
    int FormPosition() const;
    int InstitutionIndex() const;
    int PeriodIndex() const;
    std::string FormText() const;
    std::string InstitutionText() const;
    std::string PeriodText() const;
    std::string RazrezText() const;
    std::string YearText() const;
    std::string TemplateFolderText() const;
    bool ExportRunning() const { return runActive_; }
    bool DetailShown() const;

    // ExportView
    void SetStatusText(const std::string& text) override;
    void SetGauge(int percent) override;
    void SetResultText(const std::string& text) override;
    void SetExportButtonState(ExportButtonState state) override;
    void SetExportEnabled(bool enabled) override;
    void SetJournalEnabled(bool enabled) override;
    void ShowMessage(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ProcessPendingInput() override;

    // The handlers, each ending in the standard error box on an error.
    void BExportClick();
    void N2Click();  // F10
    void N3Click();  // Esc
    void BViewClick();
    void BJournalClick();
    void CBThemeChange();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void FormCreate(std::int32_t currentYear);
    void FillForms();
    void FollowPeriodFlag();
    void SaveOnClose();
    void RequestAbortForClose();
    template <class Handler>
    void Guarded(Handler&& handler);

    std::string programFolder_;
    Settings settings_;
    bool settingsLoaded_ = false;
    std::string databaseName_;
    double factor_ = 1.0;
    bool runActive_ = false;
    bool closeAfterRun_ = false;
    bool abortAskedByClose_ = false;
    bool closed_ = false;

    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusPanel0_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* CBTheme = nullptr;
    QComboBox* CBPeriod = nullptr;
    QComboBox* CBForm = nullptr;
    QComboBox* CBKodif = nullptr;
    SectionField* MERazrez = nullptr;
    YearField* SE_Year = nullptr;
    Gauge* Gauge1 = nullptr;
    QPushButton* BExport = nullptr;
    QPushButton* BView = nullptr;
    QLabel* LRezult = nullptr;
    DirectoryEdit* DirectoryEdit1 = nullptr;
    QPushButton* BJournal = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
};

}  // namespace tarnfold::app
