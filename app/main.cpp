// Tarnex Fast: the desktop program's start-up.
#include "app/StartupArguments.h"
#include "engine/Interrupts.h"
#include "ui/Application.h"
#include "ui/Artwork.h"
#include "ui/HandOver.h"
#include "ui/SingleInstance.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

#include <tarnex/Version.h>

#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Writes to stdout and says whether it all got there (a closed pipe, a full disk).
int Print(const std::string& text)
{
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}

std::string CurrentFolder()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The display this program shows on: one program per user and display.
QString DisplayName()
{
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) {
        const QString name = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
        return QStringLiteral("wayland-") + name;
    }
    if (platform == QLatin1String("xcb"))
        return QStringLiteral("x11-") + qEnvironmentVariable("DISPLAY");
    return platform;
}

// The token a launcher hands a program so that its window may take the
// focus; the running program needs it to raise its window for this start.
QByteArray ActivationToken()
{
    const QByteArray wayland = qgetenv("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qgetenv("DESKTOP_STARTUP_ID") : wayland;
}

} // namespace

int main(int argc, char** argv)
{
    const tarnex::StartupArguments args = tarnex::ParseStartupArguments(argc, argv);
    switch (args.action) {
    case tarnex::StartupArguments::Action::Help:
        return Print(tarnex::UsageText());
    case tarnex::StartupArguments::Action::Version:
        return Print(tarnex::VersionText());
    case tarnex::StartupArguments::Action::Run:
        break;
    }

    // Qt takes its own options from the arguments before "--" and leaves the rest.
    std::vector<std::string> qtStrings = args.beforeDashes;
    std::vector<char*> qtArgv;
    for (std::string& s : qtStrings)
        qtArgv.push_back(s.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtStrings.size());
    tarnex::Application app(qtArgc, qtArgv.data());

    const tarnex::StartupFiles startFiles = tarnex::CollectStartupFiles(
        std::vector<std::string>(qtArgv.begin() + (qtArgc > 0 ? 1 : 0), qtArgv.begin() + qtArgc), args.afterDashes,
        CurrentFolder());
    if (!startFiles.error.empty()) {
        std::fprintf(stderr, "tarnexfast: %s\nTry 'tarnexfast --help' for more information.\n",
                     startFiles.error.c_str());
        return 2;
    }
    QList<QByteArray> files;
    for (const std::string& f : startFiles.files)
        files << QByteArray(f.data(), static_cast<qsizetype>(f.size()));

    // The title captions plain messages and error reports. It is not set as
    // the display name: X11 window titles would then all end in it.
    QApplication::setApplicationName(QStringLiteral("Tarnex Fast"));
    QApplication::setApplicationVersion(QString::fromLatin1(tarnex::kVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(tarnex::kDesktopFileName));
    QApplication::setWindowIcon(tarnex::AppIcon());

    tarnex::SingleInstance instance(tarnex::SingleInstance::SessionPath(DisplayName()));
    switch (instance.Start()) {
    case tarnex::SingleInstance::Role::Running:
        switch (instance.HandOver(files, ActivationToken())) {
        case tarnex::SingleInstance::HandOverResult::Accepted:
            return 0;
        case tarnex::SingleInstance::HandOverResult::Refused:
            std::fprintf(stderr, "tarnexfast: the running program is busy with a command; "
                                 "nothing was added. Try again when it has finished.\n");
            return 1;
        case tarnex::SingleInstance::HandOverResult::NoAnswer:
            std::fprintf(stderr, "tarnexfast: the running program did not answer; nothing was added.\n");
            return 1;
        }
        return 1;
    case tarnex::SingleInstance::Role::Silent:
        std::fprintf(stderr, "tarnexfast: another Tarnex Fast runs in this session but does not answer; "
                             "nothing was added.\n");
        return 1;
    case tarnex::SingleInstance::Role::Alone:
        std::fprintf(stderr, "tarnexfast: no private runtime folder ($XDG_RUNTIME_DIR); "
                             "a later start will not find this one.\n");
        break;
    case tarnex::SingleInstance::Role::First:
        break;
    }

    // Main window first, then the information dialog, then the password
    // dialog; all three live until the program ends.
    auto form1 = std::make_unique<tarnex::TForm1>();
    tarnex::Form1 = form1.get();
    auto form2 = std::make_unique<tarnex::TForm2>();
    tarnex::Form2 = form2.get();
    auto passDialog = std::make_unique<tarnex::Tpass>();
    tarnex::pass = passDialog.get();

    // A later start's files arrive as a drop does, and refused likewise
    // while a command runs.
    instance.OnHandOver = [](const QList<QByteArray>& handed, const QByteArray& token) {
        return tarnex::AcceptFiles(*tarnex::Form1, handed, token);
    };

    // Log-out or kill ends the program as E&xit does, once a running command
    // has finished writing its files.
    app.CatchTerminationSignals();
    // After the orderly quit above, which it hands signals to between
    // commands; during one it removes the unfinished output first.
    tarnex::InstallInterruptCleanup();
    QTimer quitWhenIdle;
    quitWhenIdle.setInterval(100);
    QObject::connect(&quitWhenIdle, &QTimer::timeout, [] {
        if (!tarnex::Form1->CommandRunning())
            QCoreApplication::exit(0);
    });
    QObject::connect(&app, &tarnex::Application::TerminationRequested, [&quitWhenIdle] {
        if (!tarnex::Form1->CommandRunning())
            QCoreApplication::exit(0);
        else
            quitWhenIdle.start();
    });

    // With files the window shows with them listed; without, it stays in
    // the tray (it shows itself only when the desktop has no tray).
    if (!files.isEmpty())
        tarnex::AcceptFiles(*tarnex::Form1, files, ActivationToken());

    const int result = QApplication::exec();

    tarnex::pass = nullptr;
    tarnex::Form2 = nullptr;
    passDialog.reset();
    form2.reset();
    tarnex::Form1 = nullptr;
    form1.reset();
    return result;
}
