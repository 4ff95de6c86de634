#include "ui/OpenDialog.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace tarnex {

namespace {

// A folder under a file that is not one: nothing can be created there, so
// what Qt would store is dropped without a word.
const char* const kNowhere = "/dev/null/no-settings";

void PointUserSettingsAt(const QString& folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

class NoSettingsTrace {
public:
    NoSettingsTrace() { PointUserSettingsAt(QString::fromLatin1(kNowhere)); }
    ~NoSettingsTrace() { PointUserSettingsAt(UserFolder()); }
    NoSettingsTrace(const NoSettingsTrace&) = delete;
    NoSettingsTrace& operator=(const NoSettingsTrace&) = delete;

private:
    // Where Qt keeps them unless told otherwise.
    static QString UserFolder() { return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation); }
};

} // namespace

QFileDialog* MakeOpenDialog(const QString& folder, const QStringList& history)
{
    const NoSettingsTrace away;
    auto* dialog = new QFileDialog;
    // First, before anything else is set: later it would not take.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setObjectName(QStringLiteral("OpenDialog1"));
    dialog->setWindowTitle(QStringLiteral("Select file(s)"));
    dialog->setNameFilter(QStringLiteral("All Files (*)"));
    dialog->setDirectory(folder);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setSizeGripEnabled(true);
    if (!history.isEmpty())
        dialog->setHistory(history);
    // The completer's list is a window of its own and would otherwise stay on
    // the screen when the dialog closes under it.
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog] {
        for (const QCompleter* completer : dialog->findChildren<QCompleter*>()) {
            if (completer->popup() != nullptr)
                completer->popup()->hide();
        }
    });
    return dialog;
}

void DisposeOpenDialog(QFileDialog* dialog)
{
    const NoSettingsTrace away;
    delete dialog;
}

QList<QByteArray> ChosenPaths(const QFileDialog& dialog)
{
    QList<QByteArray> paths;
    for (const QString& file : dialog.selectedFiles())
        paths.append(QFile::encodeName(file));
    return paths;
}

} // namespace tarnex
