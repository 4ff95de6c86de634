#include "ui/Application.h"

#include "ui/Messages.h"

#include <exception>

namespace tarnex {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // The program lives in the tray: closing a dialog or a message box while
    // the main window is hidden must not end it. It ends by E&xit, the Exit
    // button or the main window's close command, each of which quits.
    setQuitOnLastWindowClosed(false);
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        RunGuarded(nullptr, [&] { ShowErrorReport(nullptr, QString::fromUtf8(e.what())); });
    } catch (...) {
        RunGuarded(nullptr, [] { ShowErrorReport(nullptr, QStringLiteral("Unexpected error")); });
    }
    return false;
}

} // namespace tarnex
