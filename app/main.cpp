// Tarnex Fast: the desktop program's start-up.
#include "engine/Interrupts.h"
#include "ui/Application.h"
#include "ui/Artwork.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

#include <memory>

int main(int argc, char** argv)
{
    tarnex::Application app(argc, argv);
    tarnex::InstallInterruptCleanup();
    // The title captions plain messages and error reports. It is not set as
    // the display name: X11 window titles would then all end in it.
    QApplication::setApplicationName(QStringLiteral("Tarnex Fast"));
    QApplication::setApplicationVersion(QStringLiteral("3.1.1"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tarnexfast"));
    QApplication::setWindowIcon(tarnex::AppIcon());

    // Main window first, then the information dialog, then the password
    // dialog; all three live until the program ends.
    auto form1 = std::make_unique<tarnex::TForm1>();
    tarnex::Form1 = form1.get();
    auto form2 = std::make_unique<tarnex::TForm2>();
    tarnex::Form2 = form2.get();
    auto passDialog = std::make_unique<tarnex::Tpass>();
    tarnex::pass = passDialog.get();

    // The main window shows itself only when the desktop has no tray.
    const int result = QApplication::exec();

    tarnex::pass = nullptr;
    tarnex::Form2 = nullptr;
    passDialog.reset();
    form2.reset();
    tarnex::Form1 = nullptr;
    form1.reset();
    return result;
}
