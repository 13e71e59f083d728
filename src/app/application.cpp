#include "app/application.h"

#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>
#include <exception>
#include <memory>

#include "app/message_boxes.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace tarnfold::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(8);
    setFont(font);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowErrorBox(activeWindow(), error.what());
    } catch (...) {
        ShowErrorBox(activeWindow(), "Неизвестная ошибка");
    }
    return false;
}

bool InstallRussianQtTranslation(QCoreApplication& application) {
    auto translator = std::make_unique<QTranslator>(&application);
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    // The application owns it from here on.
    return QCoreApplication::installTranslator(translator.release());
}

void SyncToolkitConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

}  // namespace tarnfold::app
