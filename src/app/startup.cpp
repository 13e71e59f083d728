#include "app/startup.h"

#include <QCoreApplication>
#include <QDate>
#include <QPointer>
#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/application.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "window/single_instance.h"
#include "core/end_signals.h"
#include "core/paths.h"
#include "db/data_module.h"
#include "platform/x11/x11_window_system.h"
#include "window/data_module_start.h"

namespace tarnfold::app {

namespace {

// The main window once it shows; touched on the window's thread only.
QPointer<QWidget> shownWindow;

// On the signal-watching thread: the window closes as if the user closed it
// (a running export aborted, the choices saved), on its own thread. Before
// it shows there is nothing to save.
void CloseOnEndSignal(int signal) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) std::_Exit(128 + signal);
    QMetaObject::invokeMethod(
        application,
        [signal] {
            if (!shownWindow) std::_Exit(128 + signal);
            shownWindow->close();
        },
        Qt::QueuedConnection);
}

void CentreOnDesktop(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect desktop = screen->availableGeometry();
    window.move(desktop.center() - QPoint(window.width() / 2, window.height() / 2));
}

int RunStarted(Application& application, const ConnectWindow& connect) {
    // Before the main window is made: another running copy of the program,
    // found by its application window's title, is asked to come forward and
    // this copy ends; otherwise this copy takes that title for itself.
    std::unique_ptr<x11::X11WindowSystem> x11Windows;
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        x11Windows = x11::X11WindowSystem::Open(qEnvironmentVariable("DISPLAY").toStdString());
    window::NoWindowSystem none;
    window::WindowSystem& windows = x11Windows ? static_cast<window::WindowSystem&>(*x11Windows) : none;
    if (!window::StartAsOnlyCopy(windows)) return 0;

    InstallRussianQtTranslation(application);
    const std::string programFolder = ProgramFolder();
    MainWindow window(programFolder, QDate::currentDate().year());
    const window::DataModuleStart data = window::StartDataModule(window.Logic(), programFolder);
    if (!data.module || data.endRequested) return 0;
    if (connect) connect(window, *data.module);

    CentreOnDesktop(window);
    window.show();
    shownWindow = &window;
    window.activateWindow();
    if (x11Windows) {
        x11::X11WindowSystem& system = *x11Windows;
        // Without a window manager nothing else would give the new window the
        // keyboard.
        SyncToolkitConnection();
        system.BringToFront(window.winId());
        system.Listen(
            [&window] {
                window.showNormal();
                SyncToolkitConnection();
            },
            [&window, &system] {
                window.raise();
                SyncToolkitConnection();
                system.BringToFront(window.winId());
            });
    }
    application.exec();
    shownWindow = nullptr;
    return 0;
}

}  // namespace

int Run(int argc, char** argv, const ConnectWindow& connect) {
    WatchEndSignals(CloseOnEndSignal);
    // The program takes no command line: the toolkit's own options
    // (-platform, -reverse, -qwindowtitle, …) are not offered to it either.
    int noArguments = argc > 0 ? 1 : 0;
    // A Wayland session runs X programs through XWayland: on X the window
    // finds a copy already running and gives it the keyboard, which the
    // toolkit's Wayland platform could not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    Application application(noArguments, argv);
    try {
        return RunStarted(application, connect);
    } catch (const std::exception& error) {
        ShowErrorBox(nullptr, error.what());
    }
    return 0;
}

}  // namespace tarnfold::app
