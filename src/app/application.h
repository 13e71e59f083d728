#pragma once
// The application object: an error that escapes any event handler ends that
// handler and is shown in the standard error box; the program goes on.

#include <QApplication>

namespace tarnfold::app {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Qt's own dialogs (the folder dialog, the boxes' buttons) in Russian; false
// when the translation is not installed.
bool InstallRussianQtTranslation(QCoreApplication& application);

// Makes Qt's requests so far reach the display before another connection
// acts on the same windows.
void SyncToolkitConnection();

}  // namespace tarnfold::app
