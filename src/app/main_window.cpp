#include "app/main_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QWindow>
#include <algorithm>

#include "app/controls.h"
#include "app/message_boxes.h"
#include "app/qt_text.h"
#include "window/field_rules.h"

namespace tarnfold::app {

using window::Control;

namespace {

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

QSize ToQt(window::WindowSize size) { return {size.width, size.height}; }
window::WindowSize FromQt(QSize size) { return {size.width(), size.height()}; }
window::WindowSize Thickness(const QMargins& frame) {
    return {frame.left() + frame.right(), frame.top() + frame.bottom()};
}

}  // namespace

MainWindow::MainWindow(std::string programFolder, std::int32_t currentYear, QWidget* parent)
    : QMainWindow(parent), logic_(*this, std::move(programFolder)) {
    Build();
    logic_.Create(window::ScaledExportButtonHeight(logicalDpiY()), currentYear);
}

MainWindow::~MainWindow() {
    if (qApp) qApp->removeEventFilter(this);
}

QWidget* MainWindow::Make(Control control, QWidget* holder) {
    switch (control) {
        case Control::Window:
            return this;
        case Control::Panel1:
            holderPanel_ = new QWidget(this);
            setCentralWidget(holderPanel_);
            holderPanel_->installEventFilter(this);
            return holderPanel_;
        case Control::ThemeList:
        case Control::PeriodList:
        case Control::FormList:
        case Control::InstitutionList: {
            auto* combo = new QComboBox(holder);
            combo->setEditable(false);
            combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            return combo;
        }
        case Control::SectionField:
            return sectionField_ = new SectionField(holder);
        case Control::YearField:
            return yearField_ = new YearField(holder);
        case Control::Gauge:
            return gauge_ = new Gauge(holder);
        case Control::ExportButton:
        case Control::DetailButton:
        case Control::JournalButton:
            return new QPushButton(holder);
        case Control::DetailPanel:
            return new QWidget(holder);
        case Control::TemplateFolder:
            return folderField_ = new DirectoryEdit(holder);
        case Control::StatusBar:
            statusBar_ = new QStatusBar(this);
            setStatusBar(statusBar_);
            return statusBar_;
        case Control::DatabasePanel:
        case Control::ProgressPanel: {
            auto* panel = new QLabel(holder);
            // The last panel takes the rest of the bar; a long text is cut
            // there instead of widening the window.
            const bool rest = window::PlaceOf(control).sizing == window::Sizing::Rest;
            if (rest) panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            statusBar_->addWidget(panel, rest ? 1 : 0);
            return panel;
        }
        case Control::ThemeLabel:
        case Control::PeriodLabel:
        case Control::FormLabel:
        case Control::InstitutionLabel:
        case Control::SectionLabel:
        case Control::YearLabel:
        case Control::TemplateFolderLabel:
        case Control::ResultLine:
            break;
    }
    auto* label = new QLabel(holder);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

void MainWindow::Build() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(8);
    setFont(font);

    for (const window::ControlPlace& place : window::ControlPlaces()) {
        QWidget* widget = Make(place.control, place.control == Control::Window ? nullptr : Widget(place.holder));
        if (place.control != Control::Window) widget->setObjectName(QString::fromLatin1(place.name));
        controls_[place.control] = widget;
    }
    auto* result = static_cast<QLabel*>(Widget(Control::ResultLine));
    QPalette navyText = result->palette();
    navyText.setColor(QPalette::WindowText, Navy);
    result->setPalette(navyText);

    const std::span<const Control> tabs = window::TabOrder();
    const auto tabStop = [this](Control control) {
        return control == Control::TemplateFolder ? folderField_->LineEdit() : Widget(control);
    };
    for (std::size_t i = 1; i < tabs.size(); ++i) setTabOrder(tabStop(tabs[i - 1]), tabStop(tabs[i]));

    // The shortcuts live on actions of the window itself: there is no visible
    // menu to carry them.
    auto* exportKey = new QAction(QStringLiteral("Экспорт"), this);
    exportKey->setObjectName(QStringLiteral("N2"));
    exportKey->setShortcut(QKeySequence(Qt::Key_F10));
    exportKey->setShortcutContext(Qt::WindowShortcut);
    addAction(exportKey);
    auto* exitKey = new QAction(QStringLiteral("Выход"), this);
    exitKey->setObjectName(QStringLiteral("N3"));
    exitKey->setShortcut(QKeySequence(Qt::Key_Escape));
    exitKey->setShortcutContext(Qt::WindowShortcut);
    addAction(exitKey);
    if (qApp) qApp->installEventFilter(this);

    window::MainWindowLogic& logic = logic_;
    connect(exportKey, &QAction::triggered, this, [&logic] { logic.OnExportKey(); });
    connect(exitKey, &QAction::triggered, this, [&logic] { logic.OnExitKey(); });
    const auto button = [this](Control control) { return static_cast<QPushButton*>(Widget(control)); };
    connect(button(Control::ExportButton), &QPushButton::clicked, this, [&logic] { logic.OnExportPressed(); });
    connect(button(Control::DetailButton), &QPushButton::clicked, this, [&logic] { logic.OnDetailPressed(); });
    connect(button(Control::JournalButton), &QPushButton::clicked, this, [&logic] { logic.OnJournalPressed(); });
    connect(List(Control::ThemeList), &QComboBox::currentIndexChanged, this,
            [&logic](int index) { logic.OnThemeChosen(index); });
    connect(List(Control::FormList), &QComboBox::currentIndexChanged, this,
            [&logic](int index) { logic.OnFormChosen(index); });
    connect(List(Control::InstitutionList), &QComboBox::currentIndexChanged, this,
            [&logic](int index) { logic.OnInstitutionChosen(index); });
    connect(List(Control::PeriodList), &QComboBox::currentIndexChanged, this,
            [&logic](int index) { logic.OnPeriodChosen(index); });
    connect(sectionField_, &QLineEdit::textChanged, this,
            [&logic](const QString& text) { logic.OnSectionTyped(Utf8FromQt(text)); });
    connect(yearField_, &QSpinBox::textChanged, this,
            [&logic](const QString& text) { logic.OnYearTyped(Utf8FromQt(text)); });
    connect(folderField_, &DirectoryEdit::browseRequested, this, [&logic] { logic.OnBrowsePressed(); });
    connect(folderField_, &DirectoryEdit::namesDropped, this, [&logic](const QStringList& names) {
        std::vector<std::string> dropped;
        for (const QString& name : names) dropped.push_back(Utf8FromQt(name));
        logic.OnNamesDropped(dropped);
    });
}

QWidget* MainWindow::Widget(Control control) const { return controls_.at(control); }

QComboBox* MainWindow::List(Control control) const { return static_cast<QComboBox*>(Widget(control)); }

void MainWindow::Place(Control control, window::Rect rect, window::Sizing sizing) {
    QWidget* widget = Widget(control);
    switch (sizing) {
        case window::Sizing::Holder:
            // The window's client area holds the first panel by itself.
            if (control != Control::Panel1) widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
            return;
        case window::Sizing::OwnSize:
            widget->move(rect.x, rect.y);
            widget->adjustSize();
            return;
        case window::Sizing::Rest:
            // The status bar gives the last panel the rest of its width.
            return;
        case window::Sizing::Fixed:
            break;
    }
    if (control == Control::StatusBar) {
        widget->setFixedHeight(rect.height);
    } else if (control == Control::DatabasePanel) {
        widget->setFixedWidth(rect.width);
    } else {
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    }
}

void MainWindow::SetText(Control control, const std::string& text) {
    QWidget* widget = Widget(control);
    const QSignalBlocker blocker(widget);
    if (control == Control::Window) {
        setWindowTitle(QtFromUtf8(text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(QtFromUtf8(text));
        if (window::PlaceOf(control).sizing == window::Sizing::OwnSize) label->adjustSize();
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(QtFromUtf8(text));
    } else if (widget == yearField_) {
        yearField_->setValue(window::YearValue(text));
    } else if (widget == sectionField_) {
        sectionField_->setText(QtFromUtf8(text));
    } else if (widget == folderField_) {
        folderField_->SetText(QtFromUtf8(text));
    }
}

void MainWindow::SetHint(Control control, const std::string& hint) { Widget(control)->setToolTip(QtFromUtf8(hint)); }
void MainWindow::SetEnabled(Control control, bool enabled) { Widget(control)->setEnabled(enabled); }
void MainWindow::SetShown(Control control, bool shown) { Widget(control)->setVisible(shown); }

void MainWindow::SetItems(Control list, const std::vector<std::string>& items, int selected) {
    QComboBox* combo = List(list);
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const std::string& item : items) combo->addItem(QtFromUtf8(item));
    combo->setCurrentIndex(selected);
    FitPopupToEntries(combo);
}

void MainWindow::Select(Control list, int index) {
    QComboBox* combo = List(list);
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(index);
}

void MainWindow::SetGauge(int percent) { gauge_->SetValue(percent); }
void MainWindow::Focus(Control control) { Widget(control)->setFocus(); }

QMargins MainWindow::Frame() const {
    const QWindow* handle = windowHandle();
    return handle && isVisible() ? handle->frameMargins() : QMargins();
}

void MainWindow::FollowFrame() {
    const QMargins frame = Frame();
    if (frame == frame_) return;
    const window::WindowSize outer = OuterSize();
    frame_ = frame;
    setMinimumSize(ToQt(window::Inside(minimumOuter_, Thickness(frame_))));
    resize(ToQt(window::Inside(outer, Thickness(frame_))));
}

window::WindowSize MainWindow::OuterSize() const {
    const window::WindowSize frame = Thickness(frame_);
    return {width() + frame.width, height() + frame.height};
}

void MainWindow::SetOuterSize(window::WindowSize size) { resize(ToQt(window::Inside(size, Thickness(frame_)))); }

void MainWindow::SetMinimumOuterSize(window::WindowSize size) {
    minimumOuter_ = size;
    setMinimumSize(ToQt(window::Inside(size, Thickness(frame_))));
}

// Before the window shows, a box has no window to stand over.
void MainWindow::ShowError(const std::string& message) { ShowErrorBox(isVisible() ? this : nullptr, message); }
void MainWindow::ShowMessage(const std::string& text) { ShowPlainBox(isVisible() ? this : nullptr, text); }
bool MainWindow::Confirm(const std::string& text) { return AskConfirmation(this, text); }

std::optional<std::string> MainWindow::ChooseFolder(const std::string& start) {
    const std::optional<QString> chosen = folderField_->chooseFolder(this, QtFromUtf8(start));
    if (!chosen) return std::nullopt;
    return Utf8FromQt(*chosen);
}

void MainWindow::ProcessPendingInput() { QCoreApplication::processEvents(); }
void MainWindow::Close() { close(); }

void MainWindow::closeEvent(QCloseEvent* event) {
    if (logic_.OnCloseRequested())
        event->accept();
    else
        event->ignore();
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            FollowFrame();
            break;
        default:
            break;
    }
    return handled;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == holderPanel_ && event->type() == QEvent::Resize)
        logic_.OnHolderResized(FromQt(holderPanel_->size()));
    // While a drop-down list is open, the window's two keys are kept from its
    // shortcuts: Esc closes the list, not the window, and F10 starts nothing.
    // Every other key goes on to the list, which picks its entry on Enter
    // while the key is still being offered to the shortcuts.
    if (event->type() == QEvent::ShortcutOverride && QApplication::activePopupWidget()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F10 || key == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace tarnfold::app
