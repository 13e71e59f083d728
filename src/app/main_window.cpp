#include "app/main_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "app/controls.h"
#include "app/message_boxes.h"
#include "app/window_geometry.h"
#include "catalogue/catalogue.h"

namespace tarnfold::app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

constexpr int DesignYear = 2007;
const QColor Navy(0, 0, 128);

// A drop-down list opens wide enough to show its longest entry whole, even
// where the closed list is narrower.
void FitPopupToEntries(QComboBox* combo) {
    const QFontMetrics metrics(combo->view()->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)));
    const int margins = 2 * metrics.averageCharWidth() + combo->view()->verticalScrollBar()->sizeHint().width();
    combo->view()->setMinimumWidth(std::max(combo->width(), widest + margins));
}

void Fill(QComboBox* combo, const std::vector<std::string>& entries) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const std::string& entry : entries) combo->addItem(Q(entry));
    combo->setCurrentIndex(entries.empty() ? -1 : 0);
    FitPopupToEntries(combo);
}

}  // namespace

MainWindow::MainWindow(std::string programFolder, std::int32_t currentYear, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)) {
    Build();
    FormCreate(currentYear);
    CBForm->setFocus();
}

MainWindow::~MainWindow() {
    if (qApp) qApp->removeEventFilter(this);
}

void MainWindow::Build() {
    setWindowTitle(Q(MainWindowCaption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(8);
    setFont(font);

    const int exportHeight = ScaledExportButtonHeight(logicalDpiY());
    factor_ = ScaleFactor(exportHeight);
    const auto s = [this](int design) { return Scaled(design, factor_); };
    const auto place = [&](QWidget* widget, const char* name, int x, int y, int w, int h) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(s(x), s(y), s(w), s(h));
    };
    const auto label = [&](QWidget* parent, const char* name, int x, int y, const char* text) {
        auto* l = new QLabel(Q(text), parent);
        l->setObjectName(QString::fromLatin1(name));
        l->move(s(x), s(y));
        l->adjustSize();
        return l;
    };
    const auto list = [&](const char* name, int x, int y, int w, int h) {
        auto* combo = new QComboBox(Panel1);
        combo->setEditable(false);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        place(combo, name, x, y, w, h);
        return combo;
    };

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    setCentralWidget(Panel1);
    Panel1->installEventFilter(this);

    Label6 = label(Panel1, "Label6", 16, 8, "Выберите тему:");
    CBTheme = list("CBTheme", 16, 24, 345, 21);
    Label7 = label(Panel1, "Label7", 384, 8, "Выберите период:");
    CBPeriod = list("CBPeriod", 384, 24, 217, 21);
    Label1 = label(Panel1, "Label1", 16, 50, "Выберите форму:");
    CBForm = list("CBForm", 16, 66, 584, 21);
    Label4 = label(Panel1, "Label4", 16, 98, "Выберите учреждение:");
    CBKodif = list("CBKodif", 16, 122, 337, 21);
    Label3 = label(Panel1, "Label3", 384, 106, "Разрез формы:");
    MERazrez = new SectionField(Panel1);
    place(MERazrez, "MERazrez", 384, 122, 64, 21);
    Label2 = label(Panel1, "Label2", 480, 106, "Введите год:");
    SE_Year = new YearField(Panel1);
    place(SE_Year, "SE_Year", 480, 122, 121, 22);
    SE_Year->setValue(DesignYear);

    Gauge1 = new Gauge(Panel1);
    place(Gauge1, "Gauge1", 30, 174, 226, 20);
    BExport = new QPushButton(Q(ExportCaption), Panel1);
    place(BExport, "BExport", 294, 172, 145, 25);
    BExport->setFixedHeight(exportHeight);
    BExport->setToolTip(Q(ExportHint));
    BView = new QPushButton(Q(DetailShowCaption), Panel1);
    place(BView, "BView", 470, 172, 121, 25);

    Panel2 = new QWidget(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Label5 = label(Panel2, "Label5", 24, 60, "Папка с шаблонами для загрузки:");
    LRezult = new QLabel(Panel2);
    LRezult->setObjectName(QStringLiteral("LRezult"));
    LRezult->move(s(24), s(72));
    QPalette navyText = LRezult->palette();
    navyText.setColor(QPalette::WindowText, Navy);
    LRezult->setPalette(navyText);
    DirectoryEdit1 = new DirectoryEdit(Panel2);
    place(DirectoryEdit1, "DirectoryEdit1", 230, 56, 337, 21);
    DirectoryEdit1->SetText(QStringLiteral("DirectoryEdit1"));
    // A long result line runs under the template-folder field's lower edge:
    // drawn above it, the line stays whole.
    LRezult->raise();
    BJournal = new QPushButton(QStringLiteral("Открыть журнал экспорта"), Panel2);
    place(BJournal, "BJournal", 396, 99, 169, 25);
    Panel2->hide();

    for (QLabel* l : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, LRezult}) l->setFocusPolicy(Qt::NoFocus);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(s(22));
    statusPanel0_ = new QLabel(StatusBar1);
    statusPanel0_->setObjectName(QStringLiteral("StatusBar1Panel0"));
    statusPanel0_->setFixedWidth(s(300));
    statusPanel1_ = new QLabel(StatusBar1);
    statusPanel1_->setObjectName(QStringLiteral("StatusBar1Panel1"));
    statusPanel1_->setFixedWidth(s(150));
    StatusBar1->addWidget(statusPanel0_);
    StatusBar1->addWidget(statusPanel1_);
    setStatusBar(StatusBar1);

    setTabOrder(CBForm, CBKodif);
    setTabOrder(CBKodif, MERazrez);
    setTabOrder(MERazrez, SE_Year);
    setTabOrder(SE_Year, BExport);
    setTabOrder(BExport, BView);
    setTabOrder(BView, DirectoryEdit1->LineEdit());
    setTabOrder(DirectoryEdit1->LineEdit(), BJournal);
    setTabOrder(BJournal, CBTheme);
    setTabOrder(CBTheme, CBPeriod);

    // The shortcuts live on actions of the window itself: there is no visible
    // menu to carry them.
    N2 = new QAction(QStringLiteral("Экспорт"), this);
    N2->setObjectName(QStringLiteral("N2"));
    N2->setShortcut(QKeySequence(Qt::Key_F10));
    N2->setShortcutContext(Qt::WindowShortcut);
    addAction(N2);
    N3 = new QAction(QStringLiteral("Выход"), this);
    N3->setObjectName(QStringLiteral("N3"));
    N3->setShortcut(QKeySequence(Qt::Key_Escape));
    N3->setShortcutContext(Qt::WindowShortcut);
    addAction(N3);
    if (qApp) qApp->installEventFilter(this);

    connect(N2, &QAction::triggered, this, &MainWindow::N2Click);
    connect(N3, &QAction::triggered, this, &MainWindow::N3Click);
    connect(BExport, &QPushButton::clicked, this, &MainWindow::BExportClick);
    connect(BView, &QPushButton::clicked, this, &MainWindow::BViewClick);
    connect(BJournal, &QPushButton::clicked, this, &MainWindow::BJournalClick);
    connect(CBTheme, &QComboBox::currentIndexChanged, this, &MainWindow::CBThemeChange);
    FollowPeriodFlag();
}

void MainWindow::FormCreate(std::int32_t currentYear) {
    const WindowSize size = ScaledWindowSize(DesignCompactSize, factor_);
    resize(size.width, size.height);
    setMinimumSize(size.width, size.height);

    try {
        LoadSettings(programFolder_, currentYear, settings_);
    } catch (const std::exception& error) {
        ShowErrorBox(nullptr, error.what());
        return;
    }
    settingsLoaded_ = true;
    databaseName_ = settings_.HostIniMissing ? settings_.DBPath + "kvel.gdb" : settings_.DBPath;

    SE_Year->setValue(settings_.Report.Year);
    MERazrez->SetSectionText(Q(settings_.Report.Razrez));
    std::vector<std::string> themes;
    for (const TThemeRec& theme : Themes) themes.push_back(theme.Caption);
    Fill(CBTheme, themes);
    FollowPeriodFlag();
    FillForms();
    DirectoryEdit1->SetInitialFolder(Q(settings_.Report.PathReport));
    DirectoryEdit1->SetText(Q(settings_.Report.PathReport));
}

void MainWindow::FillForms() { Fill(CBForm, FormCaptionsOfTheme(CBTheme->currentIndex())); }

void MainWindow::FollowPeriodFlag() {
    const bool periods = PeriodApplies(CBTheme->currentIndex());
    Label7->setEnabled(periods);
    CBPeriod->setEnabled(periods);
}

template <class Handler>
void MainWindow::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowErrorBox(this, error.what());
    } catch (...) {
        ShowErrorBox(this, "Неизвестная ошибка");
    }
}

void MainWindow::CBThemeChange() {
    Guarded([this] {
        FillForms();
        FollowPeriodFlag();
    });
}

void MainWindow::BExportClick() {
    Guarded([this] {
        if (BExport->text() == Q(AbortCaption)) {
            BExport->setEnabled(false);
            if (onAbort) onAbort();
            return;
        }
        // A run hands input back to the window while it fills: a second press
        // or F10 then must not start another run inside the first.
        if (runActive_ || !onExport) return;
        struct RunFlag {
            bool& flag;
            explicit RunFlag(bool& f) : flag(f) { flag = true; }
            ~RunFlag() { flag = false; }
        } running(runActive_);
        onExport();
    });
    if (closeAfterRun_ && !runActive_) QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::N2Click() {
    Guarded([this] {
        if (BExport->text() == Q(ExportCaption) && BExport->isEnabled()) BExportClick();
    });
}

void MainWindow::N3Click() {
    Guarded([this] { close(); });
}

void MainWindow::BViewClick() {
    Guarded([this] {
        if (BView->text() == Q(DetailShowCaption)) {
            BView->setText(Q(DetailHideCaption));
            resize(width(), DetailHeight(height()));
            Panel2->show();
        } else if (BView->text() == Q(DetailHideCaption)) {
            BView->setText(Q(DetailShowCaption));
            resize(width(), CompactHeight(height()));
            Panel2->hide();
        }
    });
}

void MainWindow::BJournalClick() {
    Guarded([this] {
        if (onJournal) onJournal();
    });
}

void MainWindow::RequestAbortForClose() {
    if (abortAskedByClose_) return;
    abortAskedByClose_ = true;
    Guarded([this] {
        BExport->setEnabled(false);
        if (onAbort) onAbort();
    });
}

void MainWindow::SaveOnClose() {
    // After a failed load the controls hold design texts, not the user's
    // choices: writing them would overwrite the saved choices.
    if (!settingsLoaded_) return;
    try {
        SaveSettings(programFolder_, databaseName_, settings_,
                     WindowChoices{FormText(), InstitutionText(), YearText(), RazrezText(), TemplateFolderText()});
    } catch (const std::exception& error) {
        // Shown, and the window closes all the same: it would fail again at
        // every later attempt.
        ShowErrorBox(this, error.what());
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (runActive_) {
        closeAfterRun_ = true;
        RequestAbortForClose();
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        SaveOnClose();
    }
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel1 && event->type() == QEvent::Resize) {
        const auto s = [this](int design) { return Scaled(design, factor_); };
        Panel2->setGeometry(0, s(208), Panel1->width() - s(1), std::max(0, Panel1->height() - s(208) - s(8)));
    }
    // A key pressed while a drop-down list is open belongs to the list: Esc
    // closes the list, not the window, and F10 starts nothing.
    if (event->type() == QEvent::ShortcutOverride && QApplication::activePopupWidget()) {
        event->accept();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::SetInstitutions(const std::vector<std::string>& entries) { Fill(CBKodif, entries); }
void MainWindow::SetPeriods(const std::vector<std::string>& entries) { Fill(CBPeriod, entries); }

std::vector<std::string> MainWindow::FormEntries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < CBForm->count(); ++i) entries.push_back(S(CBForm->itemText(i)));
    return entries;
}

void MainWindow::SelectInstitution(int index) {
    const QSignalBlocker blocker(CBKodif);
    CBKodif->setCurrentIndex(index);
}

void MainWindow::SelectForm(int index) {
    const QSignalBlocker blocker(CBForm);
    CBForm->setCurrentIndex(index);
}

void MainWindow::SetDatabaseName(const std::string& name) { databaseName_ = name; }
void MainWindow::SetDatabaseStatus(const std::string& text) {
    statusPanel0_->setText(Q(text));
    // A long database name does not fit the panel; the whole name is one
    // pointer rest away.
    statusPanel0_->setToolTip(Q(text));
}

int MainWindow::ThemeIndex() const { return CBTheme->currentIndex(); }
int MainWindow::FormPosition() const { return CBForm->currentIndex(); }
int MainWindow::InstitutionIndex() const { return CBKodif->currentIndex(); }
int MainWindow::PeriodIndex() const { return CBPeriod->currentIndex(); }
std::string MainWindow::FormText() const { return S(CBForm->currentText()); }
std::string MainWindow::InstitutionText() const { return S(CBKodif->currentText()); }
std::string MainWindow::PeriodText() const { return S(CBPeriod->currentText()); }
std::string MainWindow::RazrezText() const { return S(MERazrez->SectionText()); }
std::string MainWindow::YearText() const { return S(SE_Year->text()); }
std::string MainWindow::TemplateFolderText() const { return S(DirectoryEdit1->Text()); }
bool MainWindow::DetailShown() const { return BView->text() == Q(DetailHideCaption); }

void MainWindow::SetStatusText(const std::string& text) { statusPanel1_->setText(Q(text)); }
void MainWindow::SetGauge(int percent) { Gauge1->SetValue(percent); }

void MainWindow::SetResultText(const std::string& text) {
    LRezult->setText(Q(text));
    LRezult->adjustSize();
}

void MainWindow::SetExportButtonState(ExportButtonState state) {
    const bool filling = state == ExportButtonState::Filling;
    BExport->setText(Q(filling ? AbortCaption : ExportCaption));
    BExport->setToolTip(Q(filling ? AbortHint : ExportHint));
}

void MainWindow::SetExportEnabled(bool enabled) { BExport->setEnabled(enabled); }
void MainWindow::SetJournalEnabled(bool enabled) { BJournal->setEnabled(enabled); }
void MainWindow::ShowMessage(const std::string& text) { ShowPlainBox(this, text); }
bool MainWindow::Confirm(const std::string& text) { return AskConfirmation(this, text); }
void MainWindow::ProcessPendingInput() { QCoreApplication::processEvents(); }

}  // namespace tarnfold::app
