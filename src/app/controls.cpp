#include "app/controls.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <climits>

#include "app/qt_text.h"
#include "core/integer.h"
#include "window/field_rules.h"

namespace tarnfold::app {

SectionField::SectionField(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(2);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), this));
    connect(this, &QLineEdit::editingFinished, this, [this] {
        if (text() != SectionText()) setText(SectionText());
    });
}

QString SectionField::SectionText() const { return QtFromUtf8(SectionFieldText(Utf8FromQt(text()))); }

void SectionField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Typing replaces both positions, as a mask field does.
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

YearField::YearField(QWidget* parent) : QSpinBox(parent) {
    setRange(INT_MIN, INT_MAX);
    setSingleStep(1);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(true);
}

QValidator::State YearField::validate(QString& input, int&) const {
    const QString trimmed = input.trimmed();
    if (trimmed.isEmpty() || trimmed == QStringLiteral("-") || trimmed == QStringLiteral("+"))
        return QValidator::Acceptable;
    for (QChar c : trimmed.mid(trimmed.front() == u'-' || trimmed.front() == u'+' ? 1 : 0)) {
        if (!c.isDigit()) return QValidator::Invalid;
    }
    return ParseInteger(Utf8FromQt(trimmed)) ? QValidator::Acceptable : QValidator::Invalid;
}

int YearField::valueFromText(const QString& text) const { return window::YearValue(Utf8FromQt(text.trimmed())); }

void YearField::fixup(QString&) const {}

Gauge::Gauge(QWidget* parent) : QWidget(parent) {}

void Gauge::SetValue(int percent) {
    if (percent == value_) return;
    value_ = percent;
    update();
}

QString Gauge::Text() const { return QString::number(value_) + u'%'; }

void Gauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(inside, Qt::white);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
    const QRect bar(inside.left(), inside.top(), inside.width() * value_ / 100, inside.height());
    painter.fillRect(bar, QColor(0, 0, 128));
    painter.setFont(font());
    painter.setClipRect(inside);
    painter.setPen(QColor(0, 0, 128));
    painter.drawText(inside, Qt::AlignCenter, Text());
    painter.setClipRect(bar);
    painter.setPen(Qt::white);
    painter.drawText(inside, Qt::AlignCenter, Text());
}

DirectoryEdit::DirectoryEdit(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
    edit_->setReadOnly(true);
    edit_->setAcceptDrops(false);
    edit_->setObjectName(QStringLiteral("DirectoryEdit1Text"));
    edit_->installEventFilter(this);
    button_->setText(QStringLiteral("…"));
    button_->setToolTip(QStringLiteral("Выбрать папку (Alt+Вниз)"));
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setCursor(Qt::ArrowCursor);
    button_->setObjectName(QStringLiteral("DirectoryEdit1Browse"));
    setFocusProxy(edit_);
    setAcceptDrops(true);
    chooseFolder = ChooseFolderWithDialog;
    connect(button_, &QToolButton::clicked, this, &DirectoryEdit::browseRequested);
}

QString DirectoryEdit::Text() const { return edit_->text(); }

void DirectoryEdit::SetText(const QString& text) {
    edit_->setText(text);
    edit_->setCursorPosition(0);
}

void DirectoryEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void DirectoryEdit::dropEvent(QDropEvent* event) {
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) names << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    event->acceptProposedAction();
    if (!names.isEmpty()) emit namesDropped(names);
}

void DirectoryEdit::resizeEvent(QResizeEvent*) {
    const int h = height();
    button_->setGeometry(width() - h, 0, h, h);
    edit_->setGeometry(0, 0, width() - h, h);
}

bool DirectoryEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier)) {
            emit browseRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::optional<QString> ChooseFolderWithDialog(QWidget* parent, const QString& start) {
    const QString folder =
        QFileDialog::getExistingDirectory(parent, QStringLiteral("Папка с шаблонами"), start,
                                          QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

}  // namespace tarnfold::app
