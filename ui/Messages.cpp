#include "ui/Messages.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QWidget>

namespace tarnex {

int CaptionRoom(const QString& caption)
{
    // Window managers draw titles in a bold font a little larger than the
    // application's, beside the window's icon and its buttons.
    QFont title = QApplication::font();
    title.setBold(true);
    if (title.pointSizeF() > 0)
        title.setPointSizeF(title.pointSizeF() * 1.2);
    else
        title.setPixelSize(title.pixelSize() * 6 / 5);
    return QFontMetrics(title).horizontalAdvance(caption) + kTitleBarDecorations;
}

namespace {

int RunBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
           QMessageBox::StandardButton escapeButton)
{
    QMessageBox box(icon, caption, text, buttons, BoxParent(parent));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(escapeButton);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(CaptionRoom(caption), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
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
