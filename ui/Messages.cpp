#include "ui/Messages.h"

#include <QPushButton>
#include <QWidget>

namespace tarnex {
namespace {

int RunBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
           QMessageBox::StandardButton escapeButton)
{
    QMessageBox box(icon, caption, text, buttons, BoxParent(parent));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(escapeButton);
    return box.exec();
}

} // namespace

QWidget* BoxParent(QWidget* window)
{
    return window != nullptr && window->isVisible() && !window->isMinimized() ? window : nullptr;
}

void ShowPlainMessage(QWidget* parent, const QString& text)
{
    RunBox(parent, QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok,
           QMessageBox::Ok, QMessageBox::Ok);
}

void ShowInformationBox(QWidget* parent, const QString& text)
{
    RunBox(parent, QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok,
           QMessageBox::Ok, QMessageBox::Ok);
}

void ShowErrorBox(QWidget* parent, const QString& text)
{
    RunBox(parent, QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, QMessageBox::Ok,
           QMessageBox::Ok);
}

bool ConfirmBox(QWidget* parent, const QString& text)
{
    return RunBox(parent, QMessageBox::Question, QStringLiteral("Confirm"), text,
                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No) == QMessageBox::Yes;
}

QString WithFullStop(const QString& message)
{
    if (message.isEmpty() || message.endsWith(QLatin1Char('.')))
        return message;
    return message + QLatin1Char('.');
}

void ShowErrorReport(QWidget* parent, const QString& message)
{
    RunBox(parent, QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), WithFullStop(message),
           QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

} // namespace tarnex
