#include "app/message_boxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "core/app_title.h"
#include "core/error.h"

namespace tarnfold::app {

namespace {

MessageBoxRecorder* recorder = nullptr;

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

std::unique_ptr<QMessageBox> MakeBox(QWidget* parent, QMessageBox::Icon icon, const std::string& caption,
                                     const std::string& text) {
    auto box = std::make_unique<QMessageBox>(icon, Q(caption), Q(text), QMessageBox::NoButton, parent);
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

std::string WithLineBreaks(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

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

std::unique_ptr<QMessageBox> MakeConfirmationBox(QWidget* parent, const std::string& text) {
    auto box = MakeBox(parent, QMessageBox::Question, "Confirm", WithLineBreaks(text));
    QPushButton* yes = box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    no->setObjectName(QStringLiteral("No"));
    yes->setObjectName(QStringLiteral("Yes"));
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    return box;
}

bool ConfirmationAnswer(const QMessageBox& box) {
    const QAbstractButton* clicked = box.clickedButton();
    return !(clicked && clicked->objectName() == QStringLiteral("No"));
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
    auto box = MakeConfirmationBox(parent, text);
    box->exec();
    return ConfirmationAnswer(*box);
}

}  // namespace tarnfold::app
