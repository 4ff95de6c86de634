// The program's application object. Commands report their own failures
// (RunGuarded); this is the last line for anything raised elsewhere in an
// event handler, so that no exception unwinds through Qt's event loop.
#pragma once

#include <QApplication>

namespace tarnex {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tarnex
