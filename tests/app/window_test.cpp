// The main window driven as a user drives it, offscreen: real settings files
// in a folder of the test's own, message boxes answered by the recorder.

#include <QAbstractItemView>
#include <QImage>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/application.h"
#include "app/controls.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/qt_text.h"
#include "core/app_title.h"
#include "core/error.h"
#include "core/text.h"
#include "support/temp_dir.h"
#include "window/export_actions.h"
#include "window/window_geometry.h"

using namespace tarnfold;
using namespace tarnfold::app;
using namespace tarnfold::window;

namespace {

constexpr int ThisYear = 2026;

std::string ReadUtf8(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return Cp1251ToUtf8(bytes.str());
}

// A program folder with no locator file above it.
class ScratchProgramFolder {
public:
    ScratchProgramFolder() { std::filesystem::create_directories(Path()); }
    std::filesystem::path Path() const { return temp_.Path() / "prog"; }
    std::string Folder() const { return Path().string() + "/"; }
    std::filesystem::path Ini() const { return Path() / "Tarnfold.ini"; }
    std::filesystem::path Parent() const { return temp_.Path(); }

private:
    testing::TempDir temp_;
};

template <class T>
T* Find(QWidget& window, const char* name) {
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    if (!widget) qFatal("no widget %s", name);
    return widget;
}

// The buttons' actions as plain callbacks, connected to a window.
class Hooks : public ExportActions {
public:
    explicit Hooks(MainWindow& window) { window.Logic().Connect(this); }
    std::function<void()> onExport;
    std::function<void()> onAbort;
    std::function<void()> onJournal;
    void Export(const ExportChoices&) override {
        if (onExport) onExport();
    }
    void Abort() override {
        if (onAbort) onAbort();
    }
    void OpenJournal() override {
        if (onJournal) onJournal();
    }
};

// The window's size with its frame, as the design gives sizes.
QSize Outer(const QWidget& window) { return window.frameGeometry().size(); }
void ResizeOuter(QWidget& window, QSize outer) { window.resize(outer - (Outer(window) - window.size())); }

bool HasFocus(QWidget* widget) {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == widget || widget->isAncestorOf(focus));
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(InstallRussianQtTranslation(*QCoreApplication::instance())); }

    void startsWithTheDesignTextsAndTheLoadedSettings() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QCOMPARE(window.windowTitle(), QStringLiteral("Выгрузка данных в бланки форм"));
        // Every label shows the layout's text, and every control of a fixed
        // size lies where the layout puts it in its holder.
        for (const ControlPlace& place : ControlPlaces()) {
            if (place.sizing == Sizing::OwnSize && *place.text)
                QCOMPARE(Find<QLabel>(window, place.name)->text(), QString::fromUtf8(place.text));
            if (place.sizing == Sizing::Fixed &&
                (place.holder == Control::Panel1 || place.holder == Control::DetailPanel))
                QCOMPARE(Find<QWidget>(window, place.name)->geometry(),
                         QRect(place.design.x, place.design.y, place.design.width, place.design.height));
        }
        auto* exportButton = Find<QPushButton>(window, "BExport");
        QCOMPARE(exportButton->text(), QStringLiteral("Экспорт"));
        QCOMPARE(exportButton->toolTip(), QStringLiteral("Выгрузить данные в бланк  (F10)"));
        QCOMPARE(Find<QPushButton>(window, "BView")->text(), QStringLiteral("Подробно >>"));
        QCOMPARE(Find<QPushButton>(window, "BJournal")->text(), QStringLiteral("Открыть журнал экспорта"));
        QCOMPARE(Find<QLabel>(window, "LRezult")->text(), QString());
        QCOMPARE(Find<QLabel>(window, "LRezult")->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        Find<QStatusBar>(window, "StatusBar1");
        Find<QWidget>(window, "Panel1");

        QVERIFY(exportButton->isEnabled());
        QVERIFY(Find<QPushButton>(window, "BView")->isEnabled());
        QVERIFY(Find<QPushButton>(window, "BJournal")->isEnabled());
        QVERIFY(!Find<QComboBox>(window, "CBPeriod")->isEnabled());
        QVERIFY(!Find<QLabel>(window, "Label7")->isEnabled());
        QVERIFY(!Find<QWidget>(window, "Panel2")->isVisible());

        auto* themes = Find<QComboBox>(window, "CBTheme");
        QCOMPARE(themes->count(), 2);
        QCOMPARE(themes->currentIndex(), 0);
        QCOMPARE(themes->currentText(), QStringLiteral("Годовая статотчетность (DevOdur)"));
        auto* forms = Find<QComboBox>(window, "CBForm");
        QCOMPARE(forms->count(), 45);
        QCOMPARE(forms->currentIndex(), 0);
        QCOMPARE(forms->currentText(), QStringLiteral("Диспансеризация детей (годовая)"));
        QCOMPARE(Find<QComboBox>(window, "CBKodif")->count(), 0);
        QCOMPARE(Find<QComboBox>(window, "CBPeriod")->count(), 0);

        QCOMPARE(window.Logic().YearText(), std::string("2026"));
        QCOMPARE(window.Logic().SectionText(), std::string("00"));
        QCOMPARE(Find<QLineEdit>(window, "MERazrez")->text(), QStringLiteral("00"));
        QCOMPARE(window.Logic().TemplateFolderText(), folder.Folder() + "DocF_2011");
        QVERIFY(Find<DirectoryEdit>(window, "DirectoryEdit1")->LineEdit()->isReadOnly());
        QCOMPARE(Find<Gauge>(window, "Gauge1")->Value(), 0);
        QCOMPARE(Find<Gauge>(window, "Gauge1")->Text(), QStringLiteral("0%"));

        // The design's sizes are outer sizes: the frame counts.
        QCOMPARE(Outer(window), QSize(627, 280));
        QCOMPARE(window.minimumSize() + (Outer(window) - window.size()), QSize(627, 280));
        QCOMPARE(Find<QLabel>(window, "Label4")->pos(), QPoint(16, 98));
        QVERIFY(HasFocus(forms));
        QVERIFY(boxes.shown.empty());
        // The first start writes the missing sections.
        QVERIFY(std::filesystem::exists(folder.Ini()));
        window.close();
    }

    void tabOrderFollowsTheDisplayStateAndTheTheme() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto walk = [&](const std::vector<const char*>& names) {
            for (const char* name : names) {
                QWidget* expected = Find<QWidget>(window, name);
                if (!HasFocus(expected))
                    return QStringLiteral("focus not in %1 but in %2")
                        .arg(QString::fromLatin1(name), QApplication::focusWidget()->objectName());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            return QString();
        };
        QCOMPARE(walk({"CBForm", "CBKodif", "MERazrez", "SE_Year", "BExport", "BView", "CBTheme", "CBForm"}),
                 QString());
        Find<QPushButton>(window, "BView")->click();
        Find<QComboBox>(window, "CBTheme")->setCurrentIndex(1);
        Find<QComboBox>(window, "CBForm")->setFocus();
        QCOMPARE(walk({"CBForm", "CBKodif", "MERazrez", "SE_Year", "BExport", "BView", "DirectoryEdit1", "BJournal",
                       "CBTheme", "CBPeriod", "CBForm"}),
                 QString());
        window.close();
    }

    void themeChangeRefillsTheFormsAndFollowsThePeriodFlag() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        auto* themes = Find<QComboBox>(window, "CBTheme");
        auto* forms = Find<QComboBox>(window, "CBForm");
        forms->setCurrentIndex(7);
        themes->setFocus();
        QTest::keyClick(themes, Qt::Key_Down);
        QCOMPARE(themes->currentIndex(), 1);
        QCOMPARE(forms->count(), 1);
        QCOMPARE(forms->currentText(), QStringLiteral("Диспансеризация детей (ежемесячная)."));
        QVERIFY(Find<QComboBox>(window, "CBPeriod")->isEnabled());
        QVERIFY(Find<QLabel>(window, "Label7")->isEnabled());
        QCOMPARE(window.Logic().ThemeIndex(), 1);
        QCOMPARE(window.Logic().FormPosition(), 0);

        QTest::keyClick(themes, Qt::Key_Up);
        QCOMPARE(forms->count(), 45);
        QCOMPARE(forms->currentIndex(), 0);
        QVERIFY(!Find<QComboBox>(window, "CBPeriod")->isEnabled());
        QVERIFY(!Find<QLabel>(window, "Label7")->isEnabled());
        window.close();
    }

    void detailToggleChangesTheHeightOnly() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* view = Find<QPushButton>(window, "BView");
        auto* panel = Find<QWidget>(window, "Panel2");
        view->click();
        QCOMPARE(view->text(), QStringLiteral("Подробно <<"));
        QCOMPARE(Outer(window), QSize(627, 420));
        QVERIFY(panel->isVisible());
        QVERIFY(Find<QWidget>(window, "DirectoryEdit1")->isVisible());
        view->click();
        QCOMPARE(view->text(), QStringLiteral("Подробно >>"));
        QCOMPARE(Outer(window), QSize(627, 280));
        QVERIFY(!panel->isVisible());

        view->click();
        ResizeOuter(window, QSize(700, 600));
        QCOMPARE(Outer(window), QSize(700, 600));
        view->click();
        QCOMPARE(Outer(window), QSize(700, 400));
        view->click();
        QCOMPARE(Outer(window), QSize(700, 600));
        // The detail panel grows with the window, its controls stay in place.
        QCOMPARE(panel->geometry().top(), 208);
        QCOMPARE(panel->geometry().bottom() + 1, window.centralWidget()->height() - 8);
        QCOMPARE(Find<QPushButton>(window, "BJournal")->geometry(), QRect(396, 99, 169, 25));
        window.close();
    }

    void f10StartsAnExportOnlyWhileTheButtonIsIdle() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        int runs = 0, aborts = 0;
        Hooks hooks(window);
        hooks.onAbort = [&] { ++aborts; };
        hooks.onExport = [&] {
            ++runs;
            // Input handled while a run fills must not start a run inside it.
            QTest::keyClick(&window, Qt::Key_F10);
            Find<QPushButton>(window, "BExport")->click();
            QVERIFY(window.Logic().ExportRunning());
            window.Logic().FillingBegan();
            QTest::keyClick(&window, Qt::Key_F10);
            Find<QPushButton>(window, "BExport")->click();
            QCOMPARE(aborts, runs);
            QVERIFY(!Find<QPushButton>(window, "BExport")->isEnabled());
            window.Logic().Ended(RunEnd::Finished);
        };
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F10);
        QCOMPARE(runs, 1);
        QCOMPARE(aborts, 1);
        QVERIFY(!window.Logic().ExportRunning());

        window.Logic().FillingBegan();
        QTest::keyClick(&window, Qt::Key_F10);
        QCOMPARE(runs, 1);
        QCOMPARE(aborts, 1);
        window.Logic().Ended(RunEnd::Finished);
        window.Logic().Started();
        QTest::keyClick(&window, Qt::Key_F10);
        QCOMPARE(runs, 1);
        window.Logic().Ended(RunEnd::Refused);
        Find<QPushButton>(window, "BExport")->click();
        QCOMPARE(runs, 2);
        QCOMPARE(aborts, 2);
        QVERIFY(boxes.shown.empty());
        window.close();
    }

    void escClosesAndWritesTheChoices() {
        for (bool detail : {false, true}) {
            ScratchProgramFolder folder;
            MessageBoxRecorder boxes;
            auto window = std::make_unique<MainWindow>(folder.Folder(), ThisYear);
            window->show();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            if (detail) Find<QPushButton>(*window, "BView")->click();
            window->Logic().SetInstitutions(
                {{"0001", "", "Первая больница", "0001", ""}, {"1166", "", "Велинская область", "1166", ""}});
            window->Logic().SelectInstitution(1);
            Find<QComboBox>(*window, "CBForm")->setCurrentIndex(2);
            auto* section = Find<QLineEdit>(*window, "MERazrez");
            section->setFocus();
            section->selectAll();
            QTest::keyClicks(section, "7");
            Find<QSpinBox>(*window, "SE_Year")->setValue(2030);
            QTest::keyClick(window.get(), Qt::Key_Escape);
            QVERIFY(!window->isVisible());
            const std::string ini = ReadUtf8(folder.Ini());
            QVERIFY2(ini.find("Forma=Форма 7.  Сведения о заболевших злокачественными новообразованиями\r\n") !=
                         std::string::npos,
                     ini.c_str());
            QVERIFY2(ini.find("LPU=1166 - Велинская область\r\n") != std::string::npos, ini.c_str());
            QVERIFY2(ini.find("Year=2030\r\n") != std::string::npos, ini.c_str());
            QVERIFY2(ini.find("Razrez=07\r\n") != std::string::npos, ini.c_str());
            QVERIFY2(ini.find("PathReport=" + folder.Folder() + "DocF_2011\r\n") != std::string::npos, ini.c_str());
            QVERIFY(boxes.shown.empty());
        }
    }

    void anOpenListTakesItsKeysButF10AndEsc() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        int runs = 0;
        Hooks hooks(window);
        hooks.onExport = [&] { ++runs; };
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* forms = Find<QComboBox>(window, "CBForm");
        forms->showPopup();
        QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
        // The keys arrive as the display delivers them: at the main window,
        // whose keyboard the open list has taken over.
        QTest::keyClick(window.windowHandle(), Qt::Key_F10);
        QCOMPARE(runs, 0);
        QVERIFY(QApplication::activePopupWidget() != nullptr);
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        QVERIFY(window.isVisible());

        // Every other key belongs to the open list: it is opened, walked and
        // picked from by keys alone, with Return and with the keypad's Enter.
        std::vector<db::Institution> records;
        for (const auto& [code, name] :
             std::vector<std::pair<std::string, std::string>>{{"0001", "Первая больница"},
                                                              {"0101", "Городская больница №1"},
                                                              {"0102", "Детская поликлиника"},
                                                              {"0201", "Кировский район (свод)"},
                                                              {"0305", "Зареченская ЦРБ"},
                                                              {"1166", "Велинская область"}})
            records.push_back({code, "", name, code, ""});
        window.Logic().SetInstitutions(records);
        window.Logic().SelectInstitution(0);
        auto* institutions = Find<QComboBox>(window, "CBKodif");
        institutions->setFocus();
        QTRY_VERIFY(institutions->hasFocus());
        const auto pick = [&](Qt::Key move, int moves, Qt::Key enter, Qt::KeyboardModifiers enterModifiers) {
            QTest::keyClick(window.windowHandle(), Qt::Key_Down, Qt::AltModifier);
            QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
            for (int i = 0; i < moves; ++i) QTest::keyClick(window.windowHandle(), move);
            QTest::keyClick(window.windowHandle(), enter, enterModifiers);
            QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        };
        pick(Qt::Key_Down, 5, Qt::Key_Return, Qt::NoModifier);
        QCOMPARE(institutions->currentIndex(), 5);
        QCOMPARE(window.Logic().InstitutionText(), std::string("1166 - Велинская область"));
        pick(Qt::Key_Up, 3, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(institutions->currentIndex(), 2);
        QCOMPARE(window.Logic().InstitutionText(), std::string("0102 - Детская поликлиника"));
        QCOMPARE(runs, 0);
        QVERIFY(window.isVisible());

        // With the list closed, Esc is the window's again.
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
    }

    void aFailedLoadLeavesTheDesignTextsAndWritesNothingAtClose() {
        ScratchProgramFolder folder;
        // A locator file that exists but cannot be read.
        std::filesystem::create_directories(folder.Parent() / "kvel.ini");
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(int(boxes.shown[0].kind), int(BoxKind::Error));
        QCOMPARE(boxes.shown[0].caption, std::string(AppTitle));
        QVERIFY2(boxes.shown[0].text.find("kvel.ini") != std::string::npos, boxes.shown[0].text.c_str());
        QVERIFY(!window.Logic().SettingsLoaded());
        window.show();
        QVERIFY(window.isVisible());
        QCOMPARE(Find<QComboBox>(window, "CBTheme")->count(), 0);
        QCOMPARE(Find<QComboBox>(window, "CBForm")->count(), 0);
        QCOMPARE(window.Logic().YearText(), std::string("2007"));
        QCOMPARE(Find<QLineEdit>(window, "MERazrez")->text(), QString());
        QCOMPARE(window.Logic().TemplateFolderText(), std::string("DirectoryEdit1"));
        QCOMPARE(Outer(window), QSize(627, 280));
        QVERIFY(window.close());
        QVERIFY(!std::filesystem::exists(folder.Ini()));
        QCOMPARE(boxes.shown.size(), std::size_t{1});
    }

    void aFailedSaveIsShownAndTheWindowClosesAnyway() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        QVERIFY(boxes.shown.empty());
        std::filesystem::remove(folder.Ini());
        std::filesystem::create_directories(folder.Ini());
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(int(boxes.shown[0].kind), int(BoxKind::Error));
        QCOMPARE(boxes.shown[0].text, "Unable to write to " + folder.Ini().string() + ".");
    }

    void dropsTakeTheFirstItem() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        auto* edit = Find<DirectoryEdit>(window, "DirectoryEdit1");
        const std::filesystem::path templates = folder.Path() / "Шаблоны 2011";
        std::filesystem::create_directories(templates);
        const std::filesystem::path file = templates / "7.doc";
        std::ofstream(file) << "x";

        const auto drop = [&](const QList<QUrl>& urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(edit, &enter);
            if (!enter.isAccepted()) return false;
            QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(edit, &dropped);
            return true;
        };
        QVERIFY(drop({QUrl::fromLocalFile(QtFromUtf8(file.string())), QUrl::fromLocalFile(QStringLiteral("/tmp"))}));
        QCOMPARE(window.Logic().TemplateFolderText(), templates.string() + "/");
        QVERIFY(drop(
            {QUrl::fromLocalFile(QtFromUtf8(templates.string())), QUrl::fromLocalFile(QtFromUtf8(file.string()))}));
        QCOMPARE(window.Logic().TemplateFolderText(), templates.string());
        QVERIFY(drop({QUrl::fromLocalFile(QStringLiteral("/nowhere/7.doc"))}));
        QCOMPARE(window.Logic().TemplateFolderText(), std::string("/nowhere/7.doc"));
        QMimeData text;
        text.setText(QStringLiteral("/tmp"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &enter);
        QVERIFY(!enter.isAccepted());
        window.close();
    }

    void browseStartsAtTheFieldAndTakesTheChosenFolder() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        auto* edit = Find<DirectoryEdit>(window, "DirectoryEdit1");
        QStringList starts;
        std::optional<QString> answer;
        edit->chooseFolder = [&](QWidget*, const QString& start) {
            starts << start;
            return answer;
        };
        // The button and Alt+Down open the dialog where the logic says; the
        // chosen folder shows in the field.
        edit->BrowseButton()->click();
        QCOMPARE(starts.back(), QStringLiteral("/"));
        QCOMPARE(edit->LineEdit()->text(), QtFromUtf8(folder.Folder() + "DocF_2011"));
        std::filesystem::create_directories(folder.Path() / "DocF_2011");
        answer = QtFromUtf8(folder.Path().string());
        QTest::keyClick(edit->LineEdit(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(starts.size(), 2);
        QCOMPARE(starts.back(), QtFromUtf8(folder.Folder() + "DocF_2011"));
        QCOMPARE(edit->LineEdit()->text(), QtFromUtf8(folder.Path().string()));
        QCOMPARE(window.Logic().TemplateFolderText(), folder.Path().string());
        answer.reset();
        edit->BrowseButton()->click();
        QCOMPARE(edit->LineEdit()->text(), QtFromUtf8(folder.Path().string()));
        window.close();
    }

    void sectionAndYearFieldsReadAsNumbers() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* section = Find<QLineEdit>(window, "MERazrez");
        section->setFocus();
        section->selectAll();
        QTest::keyClicks(section, "1");
        QCOMPARE(window.Logic().SectionText(), std::string("01"));
        QTest::keyClicks(section, "x2");
        QCOMPARE(window.Logic().SectionText(), std::string("12"));
        QTest::keyClicks(section, "3");
        QCOMPARE(section->text(), QStringLiteral("12"));
        section->selectAll();
        QTest::keyClick(section, Qt::Key_Delete);
        QCOMPARE(window.Logic().SectionText(), std::string("00"));
        QTest::keyClicks(section, "4");
        QTest::keyClick(section, Qt::Key_Tab);
        QCOMPARE(section->text(), QStringLiteral("04"));

        auto* year = Find<QSpinBox>(window, "SE_Year");
        QVERIFY(HasFocus(year));
        QTest::keyClick(year, Qt::Key_Up);
        QCOMPARE(window.Logic().YearText(), std::string("2027"));
        year->setValue(-40000);
        QCOMPARE(year->value(), -40000);
        year->setValue(123456789);
        QCOMPARE(year->value(), 123456789);
        year->selectAll();
        QTest::keyClick(year, Qt::Key_Delete);
        QCOMPARE(year->value(), 0);
        QTest::keyClicks(year, "abc");
        QCOMPARE(year->value(), 0);
        QTest::keyClicks(year, "1999");
        QCOMPARE(year->value(), 1999);
        window.close();
    }

    void theRunsReportsDriveTheControls() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        MainWindowLogic& run = window.Logic();
        run.FillingBegan();
        auto* exportButton = Find<QPushButton>(window, "BExport");
        QCOMPARE(exportButton->text(), QStringLiteral("Прервать"));
        QCOMPARE(exportButton->toolTip(), QStringLiteral("Прервать выгрузку данных в бланк"));
        run.Ended(RunEnd::Finished);
        QCOMPARE(exportButton->text(), QStringLiteral("Экспорт"));
        QCOMPARE(exportButton->toolTip(), QStringLiteral("Выгрузить данные в бланк  (F10)"));
        run.Started();
        QVERIFY(!exportButton->isEnabled());
        QVERIFY(!Find<QPushButton>(window, "BJournal")->isEnabled());
        run.Status("Идет поиск бланка...");
        QCOMPARE(Find<QLabel>(window, "StatusBar1Panel1")->text(), QStringLiteral("Идет поиск бланка..."));
        QCOMPARE(Find<QLabel>(window, "StatusBar1Panel0")->text(), QString());
        run.Progress(38, 100);
        QCOMPARE(Find<Gauge>(window, "Gauge1")->Text(), QStringLiteral("38%"));
        auto* gauge = Find<Gauge>(window, "Gauge1");
        run.Progress(1, 2);
        const QImage bar = gauge->grab().toImage();
        QCOMPARE(bar.pixelColor(3, 3), QColor(0, 0, 128));
        QCOMPARE(bar.pixelColor(gauge->width() - 4, 3), QColor(Qt::white));
        run.Progress(3, 3);
        QCOMPARE(Find<Gauge>(window, "Gauge1")->Value(), 100);
        run.Result("Выгрузка прервана пользователем...");
        QCOMPARE(Find<QLabel>(window, "LRezult")->text(), QStringLiteral("Выгрузка прервана пользователем..."));
        run.Refused("Не найден файл шаблона: !");
        boxes.answers = {false, true};
        QVERIFY(!run.OpenEmptyForm("Нет данных для выгрузки. Открыть пустой бланк формы? "));
        QVERIFY(run.OpenEmptyForm("Нет данных для выгрузки. Открыть пустой бланк формы? "));
        QCOMPARE(boxes.shown.size(), std::size_t{3});
        QCOMPARE(int(boxes.shown[0].kind), int(BoxKind::Plain));
        QCOMPARE(boxes.shown[0].caption, std::string(AppTitle));
        QCOMPARE(int(boxes.shown[1].kind), int(BoxKind::Confirm));
        QCOMPARE(boxes.shown[1].caption, std::string("Confirm"));
        window.close();
    }

    void theLastStatusPanelTakesTheRestOfTheBar() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* bar = Find<QStatusBar>(window, "StatusBar1");
        auto* first = Find<QLabel>(window, "StatusBar1Panel0");
        auto* last = Find<QLabel>(window, "StatusBar1Panel1");
        const QString detail = QStringLiteral("Идет заполнение бланка...z1000_001_03");
        window.Logic().Status(detail.toStdString());
        QCOMPARE(bar->height(), 22);
        QCOMPARE(first->width(), 300);
        QTRY_VERIFY(last->geometry().left() > first->geometry().right());
        QVERIFY2(last->width() >= last->fontMetrics().horizontalAdvance(detail),
                 qPrintable(QString::number(last->width())));
        // What the bar has to the right of the first panel goes to the last,
        // but for the size grip.
        const int rest = bar->width() - last->geometry().right();
        window.resize(900, window.height());
        QTRY_COMPARE(bar->width() - last->geometry().right(), rest);
        // A text longer than the bar is cut there; the window keeps its size.
        window.Logic().Status(std::string(400, 'x'));
        QTest::qWait(50);
        QCOMPARE(window.width(), 900);
        window.resize(627, window.height());
        QTRY_COMPARE(window.width(), 627);
        window.close();
    }

    void aCloseDuringARunAbortsAndClosesWhenTheRunEnds() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        int aborts = 0;
        bool stillOpenDuringRun = false;
        Hooks hooks(window);
        hooks.onAbort = [&] { ++aborts; };
        hooks.onExport = [&] {
            window.Logic().FillingBegan();
            QTest::keyClick(&window, Qt::Key_Escape);
            window.close();
            stillOpenDuringRun = window.isVisible();
            window.Logic().Ended(RunEnd::Finished);
        };
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        std::filesystem::remove(folder.Ini());
        Find<QPushButton>(window, "BExport")->click();
        QVERIFY(stillOpenDuringRun);
        QCOMPARE(aborts, 1);
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(std::filesystem::exists(folder.Ini()));
    }

    void anErrorInAHandlerIsShownAndTheWindowGoesOn() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        Hooks hooks(window);
        hooks.onJournal = [] { throw Error("Файл журнала не найден"); };
        hooks.onExport = [] { throw Error("Table unknown!"); };
        window.show();
        Find<QPushButton>(window, "BJournal")->click();
        Find<QPushButton>(window, "BExport")->click();
        QCOMPARE(boxes.shown.size(), std::size_t{2});
        QCOMPARE(int(boxes.shown[0].kind), int(BoxKind::Error));
        QCOMPARE(boxes.shown[0].text, std::string("Файл журнала не найден."));
        QCOMPARE(boxes.shown[1].text, std::string("Table unknown!"));
        QVERIFY(!window.Logic().ExportRunning());
        QVERIFY(window.isVisible());
        hooks.onExport = [&] { boxes.shown.clear(); };
        Find<QPushButton>(window, "BExport")->click();
        QVERIFY(boxes.shown.empty());
        window.close();
    }

    void messageBoxesAreMadeAsTheSystemShowsThem() {
        auto error = MakeErrorBox(nullptr, "Unable to write to /x/Tarnfold.ini");
        QCOMPARE(error->windowTitle(), QString::fromUtf8(AppTitle));
        QCOMPARE(error->icon(), QMessageBox::Critical);
        QCOMPARE(error->text(), QStringLiteral("Unable to write to /x/Tarnfold.ini."));
        QCOMPARE(error->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(MakeErrorBox(nullptr, "Нет связи)")->text(), QStringLiteral("Нет связи)"));

        auto plain = MakePlainBox(nullptr, "C:\\kvel.gdb\rpassword=секрет");
        QCOMPARE(plain->icon(), QMessageBox::NoIcon);
        QCOMPARE(plain->windowTitle(), QString::fromUtf8(AppTitle));
        QCOMPARE(plain->text(), QStringLiteral("C:\\kvel.gdb\npassword=секрет"));
        QCOMPARE(WithLineBreaks("a\r\nb\rc\nd"), std::string("a\nb\nc\nd"));

        // Only No and Esc answer No; the close box goes on with the empty form.
        enum class Way { Esc, Return, CloseBox, NoButton };
        for (Way way : {Way::Esc, Way::Return, Way::CloseBox, Way::NoButton}) {
            ConfirmationBox confirm(nullptr, "Открыть пустой бланк формы? ");
            QCOMPARE(confirm.windowTitle(), QStringLiteral("Confirm"));
            QCOMPARE(confirm.icon(), QMessageBox::Question);
            QCOMPARE(confirm.buttons().size(), 2);
            QCOMPARE(confirm.defaultButton()->text(), QStringLiteral("&Yes"));
            QCOMPARE(confirm.escapeButton()->text(), QStringLiteral("&No"));
            confirm.show();
            QVERIFY(QTest::qWaitForWindowExposed(&confirm));
            switch (way) {
                case Way::Esc:
                    QTest::keyClick(&confirm, Qt::Key_Escape);
                    break;
                case Way::Return:
                    QTest::keyClick(&confirm, Qt::Key_Return);
                    break;
                case Way::CloseBox:
                    confirm.close();
                    break;
                case Way::NoButton:
                    confirm.escapeButton()->click();
                    break;
            }
            QTRY_VERIFY(!confirm.isVisible());
            QCOMPARE(confirm.Answer(), way == Way::Return || way == Way::CloseBox);
        }
    }

    void noCaptionIsClipped() {
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        window.show();
        Find<QPushButton>(window, "BView")->click();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (QLabel* label : window.findChildren<QLabel*>()) {
            if (label->text().isEmpty()) continue;
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        }
        const auto rightOf = [&](const char* name) {
            QWidget* w = Find<QWidget>(window, name);
            return w->mapTo(&window, QPoint(w->width(), 0)).x();
        };
        const auto leftOf = [&](const char* name) {
            QWidget* w = Find<QWidget>(window, name);
            return w->mapTo(&window, QPoint(0, 0)).x();
        };
        QVERIFY(rightOf("Label3") <= leftOf("Label2"));
        QVERIFY(rightOf("Label5") <= leftOf("DirectoryEdit1"));
        QVERIFY(rightOf("Label6") <= leftOf("Label7"));
        QVERIFY(rightOf("Label2") <= window.width());
        auto* exportButton = Find<QPushButton>(window, "BExport");
        for (const char* caption : {"Экспорт", "Прервать"}) {
            exportButton->setText(QString::fromUtf8(caption));
            QVERIFY2(exportButton->fontMetrics().horizontalAdvance(exportButton->text()) + 8 <= exportButton->width(),
                     caption);
        }
        for (const char* name : {"BView", "BJournal"}) {
            auto* button = Find<QPushButton>(window, name);
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 8 <= button->width(), name);
        }
        // The longest result line runs under the template folder field: it
        // must stay readable, so a picture of it is kept beside the others.
        window.Logic().Result("Выгрузка завершена (есть невыгруженные данные, см. Журнал экспорта)!");
        auto* result = Find<QLabel>(window, "LRezult");
        auto* folderField = Find<QWidget>(window, "DirectoryEdit1");
        QVERIFY(result->parentWidget()->children().indexOf(result) >
                result->parentWidget()->children().indexOf(folderField));
        std::filesystem::create_directories(TARNFOLD_SCREENSHOT_FOLDER);
        window.grab().save(QStringLiteral(TARNFOLD_SCREENSHOT_FOLDER "/detail-with-result.png"));
        // An open list shows its longest entry whole.
        auto* forms = Find<QComboBox>(window, "CBForm");
        int widest = 0;
        for (int i = 0; i < forms->count(); ++i)
            widest = std::max(widest, forms->view()->fontMetrics().horizontalAdvance(forms->itemText(i)));
        QVERIFY(forms->view()->minimumWidth() > widest);
        QCOMPARE(window.font().family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(QFontInfo(window.font()).family().contains(QStringLiteral("DejaVu")));
        window.close();
    }

    void theLayoutGrowsWithTheFontDpi() {
        // Run once more by ctest with a font DPI of 120: the export button is
        // then 31 high, f is 1.24 and the window 777 by 347.
        ScratchProgramFolder folder;
        MessageBoxRecorder boxes;
        MainWindow window(folder.Folder(), ThisYear);
        const int expectedDpi = qEnvironmentVariableIntValue("TARNFOLD_TEST_FONT_DPI");
        if (expectedDpi) QCOMPARE(window.logicalDpiY(), expectedDpi);
        const int height = ScaledExportButtonHeight(window.logicalDpiY());
        const double f = ScaleFactor(height);
        const WindowSize size = ScaledWindowSize(DesignCompactSize, f);
        if (expectedDpi == 120) {
            QCOMPARE(height, 31);
            QCOMPARE(size.width, 777);
            QCOMPARE(size.height, 347);
        }
        QCOMPARE(window.size(), QSize(size.width, size.height));
        QCOMPARE(window.minimumSize(), QSize(size.width, size.height));
        QCOMPARE(Find<QPushButton>(window, "BExport")->geometry(),
                 QRect(Scaled(294, f), Scaled(172, f), Scaled(145, f), height));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(Outer(window), QSize(size.width, size.height));
        Find<QPushButton>(window, "BView")->click();
        QCOMPARE(Outer(window).height(), DetailHeight(size.height));
        Find<QPushButton>(window, "BView")->click();
        QCOMPARE(Outer(window).height(), size.height);
        // Smaller than the start size it cannot get.
        window.resize(100, 100);
        QCOMPARE(Outer(window), QSize(size.width, size.height));
        window.close();
    }

    void anErrorEscapingAnyEventIsShown() {
        MessageBoxRecorder boxes;
        QTimer::singleShot(0, [] { throw Error("Сбой таймера"); });
        QTRY_COMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(int(boxes.shown[0].kind), int(BoxKind::Error));
        QCOMPARE(boxes.shown[0].text, std::string("Сбой таймера."));
    }

    void qtDialogsSpeakRussian() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
