#include "app/message_boxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "app/qt_text.h"
#include "core/app_title.h"
#include "core/error.h"
#include "core/text.h"

namespace tarnfold::app {

namespace {

MessageBoxRecorder* recorder = nullptr;

std::unique_ptr<QMessageBox> MakeBox(QWidget* parent, QMessageBox::Icon icon, const std::string& caption,
                                     const std::string& text) {
    auto box =
        std::make_unique<QMessageBox>(icon, QtFromUtf8(caption), QtFromUtf8(text), QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

bool Record(BoxKind kind, const std::string& caption, const std::string& text) {
    if (!recorder) return false;
    recorder->shown.push_back({kind, caption, text});
    return true;
}

}  // namespace

MessageBoxRecorder::MessageBoxRecorder() { recorder = this; }
MessageBoxRecorder::~MessageBoxRecorder() { recorder = nullptr; }

std::string WithLineBreaks(const std::string& text) { return tarnfold::WithLineBreaks(text, "\n"); }

std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const std::string& message) {
    auto box = MakeBox(parent, QMessageBox::Critical, AppTitle, WithLineBreaks(ErrorBoxText(message)));
    box->setStandardButtons(QMessageBox::Ok);
    return box;
}

std::unique_ptr<QMessageBox> MakePlainBox(QWidget* parent, const std::string& text) {
    auto box = MakeBox(parent, QMessageBox::NoIcon, AppTitle, WithLineBreaks(text));
    box->setStandardButtons(QMessageBox::Ok);
    return box;
}

ConfirmationBox::ConfirmationBox(QWidget* parent, const std::string& text)
    : QMessageBox(QMessageBox::Question, QStringLiteral("Confirm"), QtFromUtf8(WithLineBreaks(text)),
                  QMessageBox::NoButton, parent) {
    setTextFormat(Qt::PlainText);
    QPushButton* yes = addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    no->setObjectName(QStringLiteral("No"));
    yes->setObjectName(QStringLiteral("Yes"));
    setDefaultButton(yes);
    setEscapeButton(no);
}

bool ConfirmationBox::Answer() const {
    if (closedUnanswered_) return true;
    const QAbstractButton* clicked = clickedButton();
    return !(clicked && clicked->objectName() == QStringLiteral("No"));
}

void ConfirmationBox::closeEvent(QCloseEvent* event) {
    // Esc clicks the No button itself; a close without a click is no answer.
    if (!clickedButton()) closedUnanswered_ = true;
    QMessageBox::closeEvent(event);
}

void ShowErrorBox(QWidget* parent, const std::string& message) {
    if (Record(BoxKind::Error, AppTitle, WithLineBreaks(ErrorBoxText(message)))) return;
    MakeErrorBox(parent, message)->exec();
}

void ShowPlainBox(QWidget* parent, const std::string& text) {
    if (Record(BoxKind::Plain, AppTitle, WithLineBreaks(text))) return;
    MakePlainBox(parent, text)->exec();
}

bool AskConfirmation(QWidget* parent, const std::string& text) {
    if (Record(BoxKind::Confirm, "Confirm", WithLineBreaks(text))) {
        if (recorder->answers.empty()) return true;
        const bool answer = recorder->answers.front();
        recorder->answers.pop_front();
        return answer;
    }
    ConfirmationBox box(parent, text);
    box.exec();
    return box.Answer();
}

}  // namespace tarnfold::app
