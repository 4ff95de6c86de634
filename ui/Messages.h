// The program's modal boxes and its top-level error report.
//
// Every box shows its text as plain text: the texts carry file paths, and a
// path such as "/tmp/<b>x" must read as it is, never as markup.
#pragma once

#include <QMessageBox>
#include <QString>

#include <exception>
#include <utility>

class QWidget;

namespace tarnex {

// The application's title: the caption of plain messages and error reports.
inline constexpr char kApplicationTitle[] = "Tarnex Fast";

// What a box's title bar needs beside the caption: the window's icon and up
// to three buttons.
inline constexpr int kTitleBarDecorations = 4 * 24 + 16;
// The width a box keeps so that its caption is not cut short.
int CaptionRoom(const QString& caption);

// The four kinds of box; each returns when the user has closed it.
void ShowPlainMessage(QWidget* parent, const QString& text);  // title, OK, no icon
void ShowInformationBox(QWidget* parent, const QString& text); // "Information", OK
void ShowErrorBox(QWidget* parent, const QString& text);       // "Error", OK
// "Confirm", question icon, Yes and No; Yes is the default, Esc answers No.
// Only Yes gives true.
bool ConfirmBox(QWidget* parent, const QString& text);

// The report of a failure that no command handled: the message in a box
// captioned with the application's title, ending in a full stop.
QString WithFullStop(const QString& message);
void ShowErrorReport(QWidget* parent, const QString& message);

// Runs one command to its end and reports whatever escapes it, so that no
// exception ever unwinds into the event loop. Returns false when it failed.
template <class F>
bool RunGuarded(QWidget* parent, F&& command) noexcept
{
    try {
        try {
            std::forward<F>(command)();
            return true;
        } catch (const std::exception& e) {
            ShowErrorReport(parent, QString::fromUtf8(e.what()));
        } catch (...) {
            ShowErrorReport(parent, QStringLiteral("Unexpected error"));
        }
    } catch (...) {
        // Showing the report itself failed (out of memory): nothing is left
        // to tell the user with, but the program keeps running.
    }
    return false;
}

// The parent a box should use: the window when it is on screen, otherwise
// none, so that a box raised from the tray centres on the desktop.
QWidget* BoxParent(QWidget* window);

} // namespace tarnex
