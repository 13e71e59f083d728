#pragma once
// The three boxes the program speaks through: the standard error box, the
// plain message box and the one yes/no question. A recorder can stand in for
// the screen so that window tests never wait for a person.

#include <QMessageBox>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace tarnfold::app {

enum class BoxKind { Error, Plain, Confirm };

struct ShownBox {
    BoxKind kind;
    std::string caption;
    std::string text;  // as the box shows it
};

// While one exists, boxes are recorded instead of shown and questions take
// their answers from `answers` (Yes when it runs dry).
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<ShownBox> shown;
    std::deque<bool> answers;
};

// Caption AppTitle, stop icon, OK; a full stop is added where the message
// lacks its own ending.
void ShowErrorBox(QWidget* parent, const std::string& message);
// Caption AppTitle, no icon, OK. A carriage return breaks the line.
void ShowPlainBox(QWidget* parent, const std::string& text);
// Caption "Confirm", question icon, "&Yes" (the default) and "&No", which Esc
// also chooses. False only when the answer is No.
bool AskConfirmation(QWidget* parent, const std::string& text);

// The question as it is shown. Only the No button and Esc answer No: a box
// closed by its close box or the system menu goes on as Yes, where Qt would
// take the escape button for the answer.
class ConfirmationBox : public QMessageBox {
    Q_OBJECT
public:
    ConfirmationBox(QWidget* parent, const std::string& text);
    bool Answer() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool closedUnanswered_ = false;
};

// The boxes as they are shown, for a look at their make-up.
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const std::string& message);
std::unique_ptr<QMessageBox> MakePlainBox(QWidget* parent, const std::string& text);

// Line ends as the system writes them ("\r", "\r\n") become line breaks.
std::string WithLineBreaks(const std::string& text);

}  // namespace tarnfold::app
