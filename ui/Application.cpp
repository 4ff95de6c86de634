#include "ui/Application.h"

#include "ui/Messages.h"

#include <QSocketNotifier>

#include <cerrno>
#include <exception>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnex {

namespace {

// The handler may only write to a descriptor; the event loop reads the other end.
int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // The program lives in the tray: closing a dialog or a message box while
    // the main window is hidden must not end it. It ends by E&xit, the Exit
    // button or the main window's close command, each of which quits.
    setQuitOnLastWindowClosed(false);
}

Application::~Application()
{
    if (signalNotifier_ == nullptr)
        return;
    delete signalNotifier_;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void Application::CatchTerminationSignals()
{
    if (signalNotifier_ != nullptr)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    signalNotifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(signalNotifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        emit TerminationRequested();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
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
