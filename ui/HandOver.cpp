#include "ui/HandOver.h"

#include "ui/Unit1.h"
#include "ui/components/CoolTrayIcon.h"

#include <QApplication>

namespace tarnex {

bool AcceptFiles(TForm1& form, const QList<QByteArray>& files, const QByteArray& activationToken)
{
    if (form.CommandRunning()) {
        QApplication::beep();
        return false;
    }
    form.AppendFiles(files);
    // Qt's Wayland windows take the focus with the token found here.
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    form.CoolTrayIcon1->ShowMainWindow();
    return true;
}

} // namespace tarnex
