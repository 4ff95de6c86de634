#include "ui/Application.h"

#include "ui/Messages.h"

#include <exception>

namespace tarnex {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

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
