#include "ui/EngineWindow.h"

#include "crypto/Tools.h"
#include "ui/Messages.h"
#include "ui/Unit1.h"
#include "ui/Unit3.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QTreeWidget>

#include <algorithm>

namespace tarnex {

namespace {

// The engine separates lines with carriage returns, as the boxes it was
// written for expected; Qt's labels break lines at '\n' only.
QString BoxText(const std::string& text)
{
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What goes on the clipboard: the text up to a zero byte. Nothing goes when
// that is empty, and the clipboard keeps what it held.
QString ClipboardTextOf(const std::string& text)
{
    return QString::fromUtf8(text.c_str());
}

} // namespace

EngineWindow::EngineWindow(TForm1& form) : form_(form) {}

EngineWindow::~EngineWindow()
{
    if (busyCursor_)
        QApplication::restoreOverrideCursor();
}

std::string EngineWindow::PasswordText()
{
    QByteArray bytes = form_.Edit1->text().toUtf8();
    std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    SecureZero(bytes.data(), static_cast<std::size_t>(bytes.size()));
    return text;
}

void EngineWindow::SetPasswordText(const std::string& text)
{
    form_.Edit1->setText(FromUtf8(text));
}

std::string EngineWindow::PassesText()
{
    return form_.Edit2->text().toStdString();
}

int EngineWindow::RowCount()
{
    return form_.ListView1->topLevelItemCount();
}

std::string EngineWindow::RowPath(int row)
{
    const QByteArray path = form_.RowPathBytes(row);
    return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

void EngineWindow::ClearRows()
{
    form_.ListView1->clear();
}

void EngineWindow::SetStatusText(const std::string& text)
{
    form_.StatusText->setText(FromUtf8(text));
    // Nothing else is painted until the command ends: show it now.
    form_.StatusText->repaint();
}

void EngineWindow::ShowMessage(MessageKind kind, const std::string& text)
{
    switch (kind) {
    case MessageKind::Plain:
        ShowPlainMessage(&form_, BoxText(text));
        break;
    case MessageKind::Information:
        ShowInformationBox(&form_, BoxText(text));
        break;
    case MessageKind::Error:
        ShowErrorBox(&form_, BoxText(text));
        break;
    }
}

bool EngineWindow::Confirm(const std::string& text)
{
    return ConfirmBox(&form_, BoxText(text));
}

bool EngineWindow::AskPassword()
{
    if (pass == nullptr)
        return false;
    // The dialog hands its text over before it scrubs its own box.
    pass->OnPassword = [this](const QString& text) { form_.Edit1->setText(text); };
    const bool ok = pass->exec() == QDialog::Accepted;
    pass->OnPassword = nullptr;
    return ok;
}

std::string EngineWindow::ClipboardText()
{
    return QGuiApplication::clipboard()->text().toStdString();
}

void EngineWindow::SetClipboardText(const std::string& text)
{
    const QString s = ClipboardTextOf(text);
    if (!s.isEmpty())
        QGuiApplication::clipboard()->setText(s);
}

void EngineWindow::SetClipboardSecretText(const std::string& text)
{
    const QString s = ClipboardTextOf(text);
    if (s.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setText(s);
    // KDE's clipboard and CopyQ leave text carrying this out of their history.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data);
}

void EngineWindow::EmptyClipboard()
{
    QGuiApplication::clipboard()->clear();
}

void EngineWindow::Beep()
{
    QApplication::beep();
}

void EngineWindow::SetBusyCursor(bool busy)
{
    if (busy == busyCursor_)
        return;
    busyCursor_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void EngineWindow::SetPassLabel(const std::string& text)
{
    form_.Label1->setText(FromUtf8(text));
    form_.Label1->adjustSize();
    form_.Label1->repaint();
}

void EngineWindow::SetProgressMaximum(int maximum)
{
    QProgressBar* bar = form_.ProgressBar1;
    if (maximum < bar->minimum())
        throw Error("TProgressBar property out of range");
    bar->setMaximum(maximum);
    bar->repaint();
}

void EngineWindow::StepProgress()
{
    QProgressBar* bar = form_.ProgressBar1;
    bar->setValue(std::min(bar->value() + 1, bar->maximum()));
    bar->repaint();
}

void EngineWindow::SetProgressPosition(int position)
{
    form_.ProgressBar1->setValue(position);
    form_.ProgressBar1->repaint();
}

void EngineWindow::ClearRememberedFileName()
{
    form_.ForgetRememberedFileName();
}

} // namespace tarnex
