// The file-open dialog of Browse. It is Qt's own dialog, never the desktop's:
// only that one can be kept from recording the folders visited anywhere on
// the disk.
#pragma once

#include <QByteArray>
#include <QFileDialog>
#include <QList>
#include <QStringList>

namespace tarnex {

// "Select file(s)", all files, several at once, each of which must exist; it
// opens in `folder` with the session's `history` of folders. Qt's dialog
// reads other programs' folder history from the user's settings as it is
// built and writes its own there as it is destroyed: these two point those
// settings away from the disk meanwhile.
QFileDialog* MakeOpenDialog(const QString& folder, const QStringList& history);
void DisposeOpenDialog(QFileDialog* dialog);

// The files chosen in the dialog, as the file system's bytes. Qt's dialog
// lists no name that is not valid UTF-8, so every name it gives converts
// back to its bytes exactly.
QList<QByteArray> ChosenPaths(const QFileDialog& dialog);

} // namespace tarnex
