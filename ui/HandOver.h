// Files given to the program at start or handed over by a later start: they
// are listed as dropped files are, and the main window comes forward.
#pragma once

#include <QByteArray>
#include <QList>

namespace tarnex {

class TForm1;

// Appends the files and shows and raises the main window; `activationToken`
// is the launcher's token that lets the window take the focus. Refused, with
// a beep, while a command runs. Returns whether the files were taken.
bool AcceptFiles(TForm1& form, const QList<QByteArray>& files, const QByteArray& activationToken);

} // namespace tarnex
