// The window's side of the data module's start-up against real embedded
// databases: lists filled, saved choices restored, failures told.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/application.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "core/text.h"
#include "db/data_module.h"
#include "support/firebird_fixture.h"
#include "support/host_tables.h"
#include "support/temp_dir.h"
#include "window/data_module_start.h"
#include "window/main_window_logic.h"

using namespace tarnfold;
using namespace tarnfold::app;
using namespace tarnfold::window;

namespace {

const std::string Tables = std::string(testing::kInstitutionTableSql) + testing::kPeriodTableSql;

// A program folder whose settings point at a database folder beside it.
class Layout {
public:
    explicit Layout(const std::string& report = "") {
        std::filesystem::create_directories(temp_.Path() / "prog");
        std::filesystem::create_directories(temp_.Path() / "db");
        std::ofstream ini(temp_.Path() / "prog" / "Tarnfold.ini", std::ios::binary);
        ini << "[BASE]\r\nPathBase=" << (temp_.Path() / "db").string() << "/\r\nPasswordBase=x\r\n"
            << Utf8ToCp1251(report);
    }
    std::string ProgramFolder() const { return (temp_.Path() / "prog").string() + "/"; }
    std::string Database() const { return (temp_.Path() / "db" / "kvel.gdb").string(); }

private:
    testing::TempDir temp_;
};

QComboBox* List(QWidget& window, const char* name) { return window.findChild<QComboBox*>(QString::fromLatin1(name)); }

QString StatusText(QWidget& window) { return window.findChild<QLabel*>(QStringLiteral("StatusBar1Panel0"))->text(); }

}  // namespace

class DataModuleStartTest : public QObject {
    Q_OBJECT

private slots:
    void fillsTheListsAndRestoresTheSavedChoices() {
        // The saved institution differs in letter case only; the saved form
        // is the third of the first theme.
        Layout layout(
            "[REPORT]\r\nLPU=1166 - велинская ОБЛАСТЬ\r\nForma=ФОРМА 7.  СВЕДЕНИЯ О ЗАБОЛЕВШИХ ЗЛОКАЧЕСТВЕННЫМИ "
            "НОВООБРАЗОВАНИЯМИ\r\n");
        testing::CreateDatabase(layout.Database(),
                                std::string(Tables) +
                                    "INSERT INTO KODIF VALUES ('1', NULL, 'Первая больница', '0001', '01');\n"
                                    "INSERT INTO KODIF VALUES ('2', NULL, 'Велинская область', '1166', '01');\n"
                                    "INSERT INTO PERIOD VALUES ('01', 'Январь');\n"
                                    "INSERT INTO PERIOD VALUES ('02', 'Февраль');\n");
        MessageBoxRecorder boxes;
        MainWindow window(layout.ProgramFolder(), 2026);
        const DataModuleStart start = StartDataModule(window.Logic(), layout.ProgramFolder());
        QVERIFY(start.module != nullptr);
        QVERIFY(!start.endRequested);
        QVERIFY(boxes.shown.empty());
        QCOMPARE(List(window, "CBKodif")->count(), 2);
        QCOMPARE(List(window, "CBKodif")->itemText(0), QStringLiteral("0001 - Первая больница"));
        QCOMPARE(window.Logic().InstitutionIndex(), 1);
        QCOMPARE(window.Logic().InstitutionText(), std::string("1166 - Велинская область"));
        QCOMPARE(List(window, "CBPeriod")->count(), 2);
        QCOMPARE(window.Logic().PeriodIndex(), 0);
        QCOMPARE(window.Logic().PeriodText(), std::string("Январь"));
        QCOMPARE(window.Logic().FormPosition(), 2);
        QCOMPARE(StatusText(window), QString::fromStdString(" База: " + layout.Database()));
    }

    void unmatchedChoicesAndEmptyTablesLeaveNoSelection() {
        Layout layout("[REPORT]\r\nLPU=9999 - Нет такого\r\nForma=Диспансеризация детей (ежемесячная).\r\n");
        testing::CreateDatabase(layout.Database(), Tables);
        MessageBoxRecorder boxes;
        MainWindow window(layout.ProgramFolder(), 2026);
        const DataModuleStart start = StartDataModule(window.Logic(), layout.ProgramFolder());
        QVERIFY(!start.endRequested);
        QVERIFY(boxes.shown.empty());
        QCOMPARE(List(window, "CBKodif")->count(), 0);
        QCOMPARE(window.Logic().InstitutionIndex(), -1);
        QCOMPARE(window.Logic().InstitutionText(), std::string());
        QCOMPARE(window.Logic().PeriodIndex(), -1);
        // A form of the second theme is not in the first theme's list.
        QCOMPARE(window.Logic().FormPosition(), 0);
        QCOMPARE(StatusText(window), QString::fromStdString(" База: " + layout.Database()));
    }

    void aDatabaseThatCannotBeOpenedIsToldAndEndsTheProgram() {
        Layout layout;
        MessageBoxRecorder boxes;
        MainWindow window(layout.ProgramFolder(), 2026);
        const DataModuleStart start = StartDataModule(window.Logic(), layout.ProgramFolder());
        QVERIFY(start.module != nullptr);
        QVERIFY(start.endRequested);
        QCOMPARE(boxes.shown.size(), std::size_t{3});
        QCOMPARE(int(boxes.shown[0].kind), int(BoxKind::Plain));
        // The carriage return between the name and the password line shows as
        // a line break.
        const std::string first = "1 " + layout.Database() + "\n";
        QCOMPARE(QString::fromStdString(boxes.shown[0].text.substr(0, first.size())), QString::fromStdString(first));
        QCOMPARE(boxes.shown[1].text, std::string("Невозможно установить соединение с базой данных\n"
                                                  "За дополнительной информацией обратитесь к администратору!"));
        QCOMPARE(int(boxes.shown[2].kind), int(BoxKind::Error));
        QCOMPARE(List(window, "CBKodif")->count(), 0);
        QCOMPARE(StatusText(window), QString());
    }

    void aMissingTableIsShownAndTheProgramGoesOn() {
        Layout layout;
        testing::CreateDatabase(layout.Database(),
                                std::string(testing::kInstitutionTableSql) +
                                    "INSERT INTO KODIF VALUES ('1', NULL, 'Первая больница', '0001', '01');\n");
        MessageBoxRecorder boxes;
        MainWindow window(layout.ProgramFolder(), 2026);
        const DataModuleStart start = StartDataModule(window.Logic(), layout.ProgramFolder());
        QVERIFY(!start.endRequested);
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(int(boxes.shown[0].kind), int(BoxKind::Error));
        QVERIFY2(boxes.shown[0].text.find("PERIOD") != std::string::npos, boxes.shown[0].text.c_str());
        QCOMPARE(StatusText(window), QString());
        QCOMPARE(List(window, "CBPeriod")->count(), 0);
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    DataModuleStartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "data_module_start_test.moc"
