// The main window's decisions without a toolkit: a recording view stands in
// for the screen, real settings files lie in a folder of the test's own.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "core/error.h"
#include "core/paths.h"
#include "core/text.h"
#include "recording_view.h"
#include "support/temp_dir.h"
#include "window/main_window_logic.h"

using namespace tarnfold;
using namespace tarnfold::window;
using namespace tarnfold::window::testing;

namespace {

constexpr int ThisYear = 2026;

class RecordingActions : public ExportActions {
public:
    std::vector<ExportChoices> runs;
    int aborts = 0;
    int journals = 0;
    std::function<void()> duringRun;
    std::function<void()> onJournal;

    void Export(const ExportChoices& choices) override {
        runs.push_back(choices);
        if (duringRun) duringRun();
    }
    void Abort() override { ++aborts; }
    void OpenJournal() override {
        ++journals;
        if (onJournal) onJournal();
    }
};

// Paths as the program names them, in either build: UTF-8, the platform's separator.
std::string Text(const std::filesystem::path& path) { return PathToUtf8(path); }
const std::string kSeparator(1, PathSeparator());

class WindowLogic : public ::testing::Test {
protected:
    WindowLogic() { std::filesystem::create_directories(ProgramPath()); }

    std::filesystem::path ProgramPath() const { return temp_.Path() / "prog"; }
    std::string ProgramFolder() const { return Text(ProgramPath()) + kSeparator; }
    std::filesystem::path Ini() const { return ProgramPath() / "Tarnfold.ini"; }

    void WriteIni(const std::string& utf8) { std::ofstream(Ini(), std::ios::binary) << Utf8ToCp1251(utf8); }
    std::string ReadIni() const {
        std::ifstream in(Ini(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return Cp1251ToUtf8(bytes.str());
    }

    MainWindowLogic& Create(int exportButtonHeight = DesignExportButtonHeight) {
        logic_ = std::make_unique<MainWindowLogic>(view, ProgramFolder());
        view.logic = logic_.get();
        logic_->Create(exportButtonHeight, ThisYear);
        logic_->Connect(&actions);
        return *logic_;
    }

    RecordingView view;
    RecordingActions actions;

private:
    tarnfold::testing::TempDir temp_;
    std::unique_ptr<MainWindowLogic> logic_;
};

// --- set-up ---------------------------------------------------------------

TEST_F(WindowLogic, SetUpDrawsTheDesignTextsAndTheLoadedChoices) {
    MainWindowLogic& logic = Create();
    const std::vector<std::pair<Control, std::string>> texts{
        {Control::Window, "Выгрузка данных в бланки форм"},
        {Control::ThemeLabel, "Выберите тему:"},
        {Control::PeriodLabel, "Выберите период:"},
        {Control::FormLabel, "Выберите форму:"},
        {Control::InstitutionLabel, "Выберите учреждение:"},
        {Control::SectionLabel, "Разрез формы:"},
        {Control::YearLabel, "Введите год:"},
        {Control::TemplateFolderLabel, "Папка с шаблонами для загрузки:"},
        {Control::ExportButton, "Экспорт"},
        {Control::DetailButton, "Подробно >>"},
        {Control::JournalButton, "Открыть журнал экспорта"},
        {Control::ResultLine, ""},
        {Control::YearField, "2026"},
        {Control::SectionField, "00"},
        {Control::TemplateFolder, ProgramFolder() + "DocF_2011"},
    };
    for (const auto& [control, text] : texts) EXPECT_EQ(view[control].text, text) << ControlName(control);
    EXPECT_EQ(view[Control::ExportButton].hint, "Выгрузить данные в бланк  (F10)");
    EXPECT_FALSE(view[Control::PeriodList].enabled);
    EXPECT_FALSE(view[Control::PeriodLabel].enabled);
    EXPECT_FALSE(view[Control::DetailPanel].shown);
    EXPECT_EQ(view[Control::ThemeList].items,
              (std::vector<std::string>{"Годовая статотчетность (DevOdur)", "Месячные статистические формы"}));
    EXPECT_EQ(view[Control::ThemeList].selected, 0);
    EXPECT_EQ(view[Control::FormList].items.size(), 45u);
    EXPECT_EQ(view[Control::FormList].selected, 0);
    EXPECT_EQ(logic.FormText(), "Диспансеризация детей (годовая)");
    EXPECT_TRUE(view[Control::InstitutionList].items.empty());
    EXPECT_EQ(logic.TemplateInitialFolder(), ProgramFolder() + "DocF_2011");
    EXPECT_EQ(view.focus, Control::FormList);
    EXPECT_EQ(view.outer, (WindowSize{627, 280}));
    EXPECT_EQ(view.minimum, (WindowSize{627, 280}));
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(std::filesystem::exists(Ini()));  // the first start writes the missing sections
}

TEST_F(WindowLogic, EveryPlaceGrowsWithTheExportButton) {
    struct Case {
        int buttonHeight;
        WindowSize outer;
        Rect exportButton;
        Rect formList;
    };
    for (const Case& c : {Case{25, {627, 280}, {294, 172, 145, 25}, {16, 66, 584, 21}},
                          Case{31, {777, 347}, {365, 213, 180, 31}, {20, 82, 724, 26}}}) {
        RecordingView fresh;
        view = fresh;
        Create(c.buttonHeight);
        EXPECT_EQ(view.outer, c.outer) << c.buttonHeight;
        EXPECT_EQ(view.minimum, c.outer) << c.buttonHeight;
        EXPECT_EQ(view[Control::ExportButton].rect, c.exportButton) << c.buttonHeight;
        EXPECT_EQ(view[Control::FormList].rect, c.formList) << c.buttonHeight;
    }
}

TEST_F(WindowLogic, AScaleChangeRedrawsThePlacesAndKeepsTheTextsAndTheDetailState) {
    MainWindowLogic& logic = Create(25);
    logic.OnDetailPressed();
    logic.FillingBegan();
    logic.OnScaleChanged(31);
    EXPECT_EQ(logic.Factor(), 31.0 / 25);
    EXPECT_EQ(view[Control::ExportButton].rect, (Rect{365, 213, 180, 31}));
    EXPECT_EQ(view[Control::FormList].rect, (Rect{20, 82, 724, 26}));
    EXPECT_EQ(view.minimum, (WindowSize{777, 347}));
    EXPECT_EQ(view.outer, (WindowSize{777, 521}));
    EXPECT_EQ(view[Control::ExportButton].text, "Прервать");
    EXPECT_TRUE(view[Control::DetailPanel].shown);
    // And back: the compact height the toggle gives matches the design's.
    logic.OnScaleChanged(25);
    EXPECT_EQ(view.outer, (WindowSize{627, 420}));
    logic.OnDetailPressed();
    EXPECT_EQ(view.outer, (WindowSize{627, 280}));
}

TEST_F(WindowLogic, StatusBarPanelsAndDetailPanelFollowTheirHolders) {
    MainWindowLogic& logic = Create();
    EXPECT_EQ(view[Control::DatabasePanel].rect.width, 300);
    EXPECT_EQ(view[Control::DatabasePanel].sizing, Sizing::Fixed);
    EXPECT_EQ(view[Control::ProgressPanel].sizing, Sizing::Rest);
    logic.OnHolderResized({700, 600});
    EXPECT_EQ(view[Control::DetailPanel].rect, (Rect{0, 208, 699, 384}));
}

TEST_F(WindowLogic, AFailedLoadLeavesTheDesignTextsAndWritesNothingAtClose) {
    // A locator file that exists but cannot be read.
    std::filesystem::create_directories(ProgramPath().parent_path() / "kvel.ini");
    MainWindowLogic& logic = Create();
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].kind, Box::Error);
    EXPECT_NE(view.boxes[0].text.find("kvel.ini"), std::string::npos) << view.boxes[0].text;
    EXPECT_FALSE(logic.SettingsLoaded());
    EXPECT_TRUE(view[Control::ThemeList].items.empty());
    EXPECT_TRUE(view[Control::FormList].items.empty());
    EXPECT_EQ(view[Control::YearField].text, "2007");
    EXPECT_EQ(view[Control::SectionField].text, "");
    EXPECT_EQ(view[Control::TemplateFolder].text, "DirectoryEdit1");
    EXPECT_EQ(view.outer, (WindowSize{627, 280}));
    EXPECT_EQ(view.focus, Control::FormList);
    EXPECT_TRUE(logic.OnCloseRequested());
    EXPECT_FALSE(std::filesystem::exists(Ini()));
    EXPECT_EQ(view.boxes.size(), 1u);
}

// --- choices --------------------------------------------------------------

TEST_F(WindowLogic, ThemeChangeRefillsTheFormsAndFollowsThePeriodFlag) {
    MainWindowLogic& logic = Create();
    struct Step {
        int theme;
        std::size_t forms;
        std::string first;
        bool periods;
    };
    logic.OnFormChosen(7);
    for (const Step& step : {Step{1, 1, "Диспансеризация детей (ежемесячная).", true},
                             Step{0, 45, "Диспансеризация детей (годовая)", false}}) {
        logic.OnThemeChosen(step.theme);
        EXPECT_EQ(view[Control::FormList].items.size(), step.forms);
        EXPECT_EQ(view[Control::FormList].selected, 0);
        EXPECT_EQ(logic.FormPosition(), 0);
        EXPECT_EQ(logic.FormText(), step.first);
        EXPECT_EQ(view[Control::PeriodList].enabled, step.periods);
        EXPECT_EQ(view[Control::PeriodLabel].enabled, step.periods);
    }
}

TEST_F(WindowLogic, TheRunIsHandedASnapshotOfTheChoices) {
    MainWindowLogic& logic = Create();
    logic.SetInstitutions({{"0001", "", "Первая больница", "0001", ""}, {"1166", "", "Велинская область", "1166", ""}});
    logic.SetPeriods({{"01", "Январь"}, {"02", "Февраль"}});
    logic.OnThemeChosen(1);
    logic.OnInstitutionChosen(1);
    logic.OnPeriodChosen(1);
    logic.OnSectionTyped("7");
    logic.OnYearTyped("2030");
    logic.OnNamesDropped({"/srv/шаблоны"});
    logic.OnExportPressed();
    ASSERT_EQ(actions.runs.size(), 1u);
    const ExportChoices& run = actions.runs[0];
    EXPECT_EQ(run.theme, &Themes[1]);
    EXPECT_EQ(run.form, TemplateRow(1, 0));
    EXPECT_EQ(run.institution.name, "Велинская область");
    EXPECT_EQ(run.period.code, "02");
    EXPECT_EQ(run.sectionText, "07");
    EXPECT_EQ(run.yearText, "2030");
    EXPECT_EQ(run.templateFolder, "/srv/шаблоны");
}

TEST_F(WindowLogic, ListsSelectTheirFirstEntryOrNone) {
    MainWindowLogic& logic = Create();
    logic.SetInstitutions({});
    EXPECT_EQ(logic.InstitutionIndex(), -1);
    EXPECT_EQ(logic.InstitutionText(), "");
    logic.SetPeriods({{"01", "Январь"}});
    EXPECT_EQ(view[Control::PeriodList].selected, 0);
    EXPECT_EQ(logic.PeriodText(), "Январь");
    logic.SelectForm(2);
    EXPECT_EQ(view[Control::FormList].selected, 2);
    EXPECT_EQ(logic.FormPosition(), 2);
}

TEST_F(WindowLogic, BrowseStartsAtTheFieldAndTakesTheChosenFolder) {
    MainWindowLogic& logic = Create();
    // The default folder does not exist yet: the dialog starts at the root.
    logic.OnBrowsePressed();
    EXPECT_EQ(view.folderStarts.back(), kSeparator);
    EXPECT_EQ(logic.TemplateFolderText(), ProgramFolder() + "DocF_2011");

    std::filesystem::create_directories(ProgramPath() / "DocF_2011");
    view.folderAnswer = Text(ProgramPath());
    logic.OnBrowsePressed();
    EXPECT_EQ(view.folderStarts.back(), ProgramFolder() + "DocF_2011");
    EXPECT_EQ(view[Control::TemplateFolder].text, Text(ProgramPath()));
    EXPECT_EQ(logic.TemplateInitialFolder(), Text(ProgramPath()));

    // A chosen folder that does not exist is taken, but not as the start.
    view.folderAnswer = "/gone/away";
    logic.OnBrowsePressed();
    EXPECT_EQ(logic.TemplateFolderText(), "/gone/away");
    EXPECT_EQ(logic.TemplateInitialFolder(), Text(ProgramPath()));

    view.folderAnswer.reset();
    logic.OnBrowsePressed();
    EXPECT_EQ(logic.TemplateFolderText(), "/gone/away");
}

TEST_F(WindowLogic, ADropTakesTheFirstNameAndAFileGivesItsFolder) {
    MainWindowLogic& logic = Create();
    const std::filesystem::path templates = ProgramPath() / "Шаблоны 2011";
    std::filesystem::create_directories(templates);
    std::ofstream(templates / "7.doc") << "x";
    struct Case {
        std::vector<std::string> names;
        std::string text;
    };
    for (const Case& c : {Case{{Text(templates / "7.doc"), "/tmp"}, Text(templates) + kSeparator},
                          Case{{Text(templates), Text(templates / "7.doc")}, Text(templates)},
                          Case{{"/nowhere/7.doc"}, "/nowhere/7.doc"}, Case{{}, "/nowhere/7.doc"}}) {
        logic.OnNamesDropped(c.names);
        EXPECT_EQ(logic.TemplateFolderText(), c.text);
        EXPECT_EQ(view[Control::TemplateFolder].text, c.text);
    }
}

// --- detail toggle --------------------------------------------------------

TEST_F(WindowLogic, DetailToggleChangesTheOuterHeightOnly) {
    struct Case {
        int buttonHeight;
        WindowSize resizedTo;  // by the user, before the toggle; none when zero
        int detail;
        int compact;
    };
    for (const Case& c : {Case{25, {}, 420, 280}, Case{31, {}, 520, 347}, Case{25, {700, 600}, 600, 400}}) {
        RecordingView fresh;
        view = fresh;
        MainWindowLogic& logic = Create(c.buttonHeight);
        const int width = c.resizedTo.width ? c.resizedTo.width : view.outer.width;
        logic.OnDetailPressed();
        if (c.resizedTo.width) view.outer = c.resizedTo;
        EXPECT_TRUE(logic.DetailShown());
        EXPECT_EQ(view[Control::DetailButton].text, "Подробно <<");
        EXPECT_TRUE(view[Control::DetailPanel].shown);
        if (!c.resizedTo.width) {
            EXPECT_EQ(view.outer.height, c.detail);
        }
        logic.OnDetailPressed();
        EXPECT_EQ(view.outer, (WindowSize{width, c.compact}));
        EXPECT_EQ(view[Control::DetailButton].text, "Подробно >>");
        EXPECT_FALSE(view[Control::DetailPanel].shown);
        logic.OnDetailPressed();
        EXPECT_EQ(view.outer, (WindowSize{width, c.detail}));
    }
}

// --- export button and keys -----------------------------------------------

TEST_F(WindowLogic, F10StartsARunOnlyWhileTheButtonIsIdleAndEnabled) {
    struct Case {
        std::function<void(MainWindowLogic&)> reports;  // what a run reported so far
        std::size_t runs;
    };
    for (const Case& c : {Case{[](MainWindowLogic&) {}, 1}, Case{[](MainWindowLogic& l) { l.FillingBegan(); }, 0},
                          Case{[](MainWindowLogic& l) { l.Started(); }, 0},
                          Case{[](MainWindowLogic& l) { l.Started(), l.Ended(RunEnd::Failed); }, 1}}) {
        RecordingActions fresh;
        actions = fresh;
        MainWindowLogic& logic = Create();
        c.reports(logic);
        logic.OnExportKey();
        EXPECT_EQ(actions.runs.size(), c.runs);
        EXPECT_EQ(actions.aborts, 0);  // F10 never stops a run
    }
}

TEST_F(WindowLogic, InputDuringARunStartsNoSecondRunAndThePressWhileFillingAborts) {
    MainWindowLogic& logic = Create();
    actions.duringRun = [&] {
        EXPECT_TRUE(logic.ExportRunning());
        logic.OnExportKey();
        logic.OnExportPressed();
        EXPECT_EQ(actions.runs.size(), 1u);
        logic.FillingBegan();
        logic.OnExportKey();
        EXPECT_EQ(actions.aborts, 0);
        logic.OnExportPressed();
        EXPECT_EQ(actions.aborts, 1);
        EXPECT_FALSE(view[Control::ExportButton].enabled);
        EXPECT_FALSE(logic.ExportEnabled());
        logic.Ended(RunEnd::Finished);
    };
    logic.OnExportPressed();
    EXPECT_FALSE(logic.ExportRunning());
    actions.duringRun = nullptr;
    logic.OnExportPressed();
    EXPECT_EQ(actions.runs.size(), 2u);
}

TEST_F(WindowLogic, NothingRunsWhileNoExportIsConnected) {
    MainWindowLogic& logic = Create();
    logic.Connect(nullptr);
    logic.OnExportPressed();
    logic.OnJournalPressed();
    EXPECT_FALSE(logic.ExportRunning());
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(WindowLogic, AnErrorInAHandlerIsShownAndTheWindowGoesOn) {
    MainWindowLogic& logic = Create();
    actions.onJournal = [] { throw Error("Файл журнала не найден"); };
    actions.duringRun = [] { throw 42; };
    logic.OnJournalPressed();
    logic.OnExportPressed();
    EXPECT_EQ(view.boxes,
              (std::vector<ShownBox>{{Box::Error, "Файл журнала не найден"}, {Box::Error, "Неизвестная ошибка"}}));
    EXPECT_FALSE(logic.ExportRunning());
    EXPECT_FALSE(view.closed);
}

// What a run reports, as the window shows it.
TEST_F(WindowLogic, TheRunsReportsDriveTheControls) {
    MainWindowLogic& logic = Create();
    const auto button = [&] { return view[Control::ExportButton]; };
    logic.Result("Выгрузка завершена");
    logic.Started();
    EXPECT_EQ(view[Control::ResultLine].text, "");
    EXPECT_FALSE(button().enabled);
    EXPECT_FALSE(view[Control::JournalButton].enabled);
    logic.Status("Идет поиск бланка...");
    EXPECT_EQ(view[Control::ProgressPanel].text, "Идет поиск бланка...");
    view.answers = {false};
    EXPECT_FALSE(logic.OpenEmptyForm("Открыть пустой бланк формы? "));
    EXPECT_TRUE(logic.OpenEmptyForm("Открыть пустой бланк формы? "));
    logic.FillingBegan();
    EXPECT_EQ(button().text, "Прервать");
    EXPECT_EQ(button().hint, "Прервать выгрузку данных в бланк");
    EXPECT_TRUE(button().enabled);
    logic.BeforeRow();
    EXPECT_EQ(view.pendingInputCalls, 1);
    for (const auto& [done, shown] : {std::pair{1, 33}, {2, 67}, {3, 100}}) {
        logic.Progress(static_cast<std::size_t>(done), 3);
        EXPECT_EQ(view.gauge, shown);
    }
    // The saved document: the caption turns back before the result line shows.
    logic.FillingEnded();
    EXPECT_EQ(button().text, "Экспорт");
    EXPECT_EQ(view.gauge, 0);
    logic.Result("Выгрузка прервана пользователем...");
    EXPECT_EQ(view[Control::ResultLine].text, "Выгрузка прервана пользователем...");
    for (const RunEnd end : {RunEnd::Finished, RunEnd::Failed}) {
        logic.FillingBegan();
        logic.Progress(1, 2);
        logic.Ended(end);
        EXPECT_EQ(button().text, "Экспорт");
        EXPECT_EQ(button().hint, "Выгрузить данные в бланк  (F10)");
        EXPECT_TRUE(button().enabled);
        EXPECT_TRUE(view[Control::JournalButton].enabled);
        EXPECT_EQ(view.gauge, 0);
        EXPECT_EQ(view[Control::ProgressPanel].text, "");
    }
    // A run that refused leaves the journal button off and the status as it was.
    logic.Started();
    logic.Status("Идет поиск бланка...");
    logic.Refused("Не найден файл шаблона: !");
    logic.Ended(RunEnd::Refused);
    EXPECT_TRUE(button().enabled);
    EXPECT_FALSE(view[Control::JournalButton].enabled);
    EXPECT_EQ(view[Control::ProgressPanel].text, "Идет поиск бланка...");
    EXPECT_EQ(view.boxes, (std::vector<ShownBox>{{Box::Confirm, "Открыть пустой бланк формы? "},
                                                 {Box::Confirm, "Открыть пустой бланк формы? "},
                                                 {Box::Message, "Не найден файл шаблона: !"}}));
}

// --- close ----------------------------------------------------------------

TEST_F(WindowLogic, EscClosesAndWritesTheChoicesOnce) {
    for (bool detail : {false, true}) {
        RecordingView fresh;
        view = fresh;
        std::filesystem::remove(Ini());
        MainWindowLogic& logic = Create();
        if (detail) logic.OnDetailPressed();
        logic.SetInstitutions(
            {{"0001", "", "Первая больница", "0001", ""}, {"1166", "", "Велинская область", "1166", ""}});
        logic.SelectInstitution(1);
        logic.OnFormChosen(2);
        logic.OnSectionTyped("7");
        logic.OnYearTyped("2030");
        logic.OnExitKey();
        EXPECT_TRUE(view.closed);
        const std::string ini = ReadIni();
        for (const std::string& line :
             std::vector<std::string>{"Forma=Форма 7.  Сведения о заболевших злокачественными новообразованиями\r\n",
                                      "LPU=1166 - Велинская область\r\n", "Year=2030\r\n", "Razrez=07\r\n",
                                      "PathReport=" + ProgramFolder() + "DocF_2011\r\n"})
            EXPECT_NE(ini.find(line), std::string::npos) << line << ini;
        // A second close request writes nothing more.
        std::filesystem::remove(Ini());
        EXPECT_TRUE(logic.OnCloseRequested());
        EXPECT_FALSE(std::filesystem::exists(Ini()));
        EXPECT_TRUE(view.boxes.empty());
    }
}

TEST_F(WindowLogic, ACloseDuringARunAbortsOnceAndClosesWhenTheRunEnds) {
    MainWindowLogic& logic = Create();
    actions.duringRun = [&] {
        logic.FillingBegan();
        logic.OnExitKey();
        EXPECT_FALSE(logic.OnCloseRequested());
        EXPECT_FALSE(view.closed);
        logic.Ended(RunEnd::Finished);
    };
    std::filesystem::remove(Ini());
    logic.OnExportPressed();
    EXPECT_EQ(actions.aborts, 1);
    EXPECT_EQ(view.closeRequests, 2);
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(std::filesystem::exists(Ini()));
}

TEST_F(WindowLogic, AFailedSaveIsShownAndTheWindowClosesAnyway) {
    MainWindowLogic& logic = Create();
    std::filesystem::remove(Ini());
    std::filesystem::create_directories(Ini());
    EXPECT_TRUE(logic.OnCloseRequested());
    EXPECT_EQ(view.boxes, (std::vector<ShownBox>{{Box::Error, "Unable to write to " + Text(Ini())}}));
}

TEST_F(WindowLogic, TheCloseWritesTheDatabaseFolderAsTheConnectionNamesIt) {
    // Without the locator file the database path is a folder; typed without
    // its final separator it still names the folder, not its parent.
    const std::string folder = Text(ProgramPath() / "db");
    WriteIni("[BASE]\r\nPathBase=" + folder + "\r\nPasswordBase=x\r\n");
    MainWindowLogic& logic = Create();
    EXPECT_EQ(logic.DatabaseName(), folder + kSeparator + "kvel.gdb");
    EXPECT_TRUE(logic.OnCloseRequested());
    EXPECT_NE(ReadIni().find("PathBase=" + folder + kSeparator + "\r\n"), std::string::npos) << ReadIni();
}

TEST_F(WindowLogic, TheDatabaseNameShowsInTheFirstPanel) {
    MainWindowLogic& logic = Create();
    logic.SetDatabaseName("dbhost:C:\\Ardmet\\kvel\\kvel.gdb");
    logic.ShowDatabaseName();
    EXPECT_EQ(view[Control::DatabasePanel].text, " База: dbhost:C:\\Ardmet\\kvel\\kvel.gdb");
    EXPECT_EQ(view[Control::DatabasePanel].hint, " База: dbhost:C:\\Ardmet\\kvel\\kvel.gdb");
}

}  // namespace
