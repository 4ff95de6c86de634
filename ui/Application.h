// The program's application object. Commands report their own failures
// (RunGuarded); this is the last line for anything raised elsewhere in an
// event handler, so that no exception unwinds through Qt's event loop.
#pragma once

#include <QApplication>

class QSocketNotifier;

namespace tarnex {

class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);
    ~Application() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // From now on SIGTERM, SIGINT and SIGHUP (log-out, Ctrl+C, a closed
    // terminal) raise TerminationRequested in the event loop instead of
    // killing the program where it stands.
    void CatchTerminationSignals();

signals:
    void TerminationRequested();

private:
    QSocketNotifier* signalNotifier_ = nullptr;
};

} // namespace tarnex
