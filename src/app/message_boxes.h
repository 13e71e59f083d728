#pragma once
// The three boxes the program speaks through: the standard error box, the
// plain message box and the one yes/no question. A recorder can stand in for
// the screen so that window tests never wait for a person.

#include <deque>
#include <memory>
#include <string>
#include <vector>

class QMessageBox;
class QWidget;

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
// also chooses. True unless the answer is No.
bool AskConfirmation(QWidget* parent, const std::string& text);

// The boxes as they are shown, for a look at their make-up.
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const std::string& message);
std::unique_ptr<QMessageBox> MakePlainBox(QWidget* parent, const std::string& text);
std::unique_ptr<QMessageBox> MakeConfirmationBox(QWidget* parent, const std::string& text);
// True unless the box was answered with its No button.
bool ConfirmationAnswer(const QMessageBox& box);

// Line ends as the system writes them ("\r", "\r\n") become line breaks.
std::string WithLineBreaks(const std::string& text);

}  // namespace tarnfold::app
