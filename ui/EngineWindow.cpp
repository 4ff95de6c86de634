#include "ui/EngineWindow.h"

#include "crypto/Tools.h"
#include "ui/Messages.h"
#include "ui/Readable.h"
#include "ui/Unit1.h"
#include "ui/Unit3.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QThread>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace tarnex {

namespace {

// The engine's texts are UTF-8 with paths in them as the file system's bytes;
// boxes separate lines with carriage returns, as those the engine was written
// for did.
QString BoxText(const std::string& text)
{
    return ReadableText(text, LineBreaks::Keep);
}

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Between two answers to the desktop while a command works: well inside the
// time after which window managers take a window for hung, and rare enough
// to cost nothing next to a chunk of the file.
constexpr qint64 kAnswerIntervalMs = 20;

// Drops the user's input to every window while a command works: typed keys
// and clicks must neither start anything nor wait to land in the next box.
class InputRefusal : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
            return true;
        default:
            return false;
        }
    }
};

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
    form_.StatusText->setText(ReadableText(text));
    // Nothing else is painted until the command ends: show it now.
    form_.StatusText->repaint();
}

template <class F>
auto EngineWindow::InBox(F&& box)
{
    struct Around {
        EngineWindow& window;
        bool busy;
        explicit Around(EngineWindow& w) : window(w), busy(w.busyCursor_)
        {
            if (busy)
                QApplication::restoreOverrideCursor();
        }
        ~Around()
        {
            if (busy)
                QApplication::setOverrideCursor(Qt::WaitCursor);
            // The window manager takes the box away in its own time: answer
            // now, and again at the next chunk whatever the interval.
            window.sinceAnswered_.invalidate();
            window.KeepAnswering();
        }
        Around(const Around&) = delete;
        Around& operator=(const Around&) = delete;
    } around(*this);
    return std::forward<F>(box)();
}

void EngineWindow::ShowMessage(MessageKind kind, const std::string& text)
{
    InBox([&] {
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
    });
}

bool EngineWindow::Confirm(const std::string& text)
{
    return InBox([&] { return ConfirmBox(&form_, BoxText(text)); });
}

bool EngineWindow::AskPassword()
{
    if (pass == nullptr)
        return false;
    return InBox([&] {
        // The dialog hands its text over before it scrubs its own box.
        pass->OnPassword = [this](const QString& text) { form_.Edit1->setText(text); };
        const bool ok = pass->exec() == QDialog::Accepted;
        pass->OnPassword = nullptr;
        return ok;
    });
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
    form_.Label1->setText(ReadableText(text));
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

void EngineWindow::ReportProgress(std::uint64_t done, std::uint64_t total)
{
    if (fileProgress_) {
        QProgressBar* bar = form_.ProgressBar1;
        const auto range = static_cast<std::uint64_t>(bar->maximum());
        const auto position = static_cast<int>(total == 0 ? range : std::min(done, total) * range / total);
        if (position != bar->value())
            bar->setValue(position);
    }
    if (!sinceAnswered_.isValid() || sinceAnswered_.elapsed() >= kAnswerIntervalMs)
        KeepAnswering();
}

void EngineWindow::RunFileCommand(const std::function<void(CommandWindow&)>& command)
{
    struct Feedback {
        EngineWindow& window;
        explicit Feedback(EngineWindow& w) : window(w)
        {
            window.form_.ProgressBar1->setRange(0, 100);
            window.form_.ProgressBar1->setValue(0);
            window.fileProgress_ = true;
            window.SetBusyCursor(true);
        }
        ~Feedback()
        {
            window.fileProgress_ = false;
            window.form_.ProgressBar1->setValue(0);
            window.SetBusyCursor(false);
        }
        Feedback(const Feedback&) = delete;
        Feedback& operator=(const Feedback&) = delete;
    } feedback(*this);
    command(*this);
}

void EngineWindow::KeepAnswering()
{
    // The engine promises to call its window only from the command's own
    // thread, which is this one; anything else must not touch the windows.
    if (QThread::currentThread() != form_.thread())
        return;
    InputRefusal refusal;
    QCoreApplication::instance()->installEventFilter(&refusal);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::instance()->removeEventFilter(&refusal);
    sinceAnswered_.start();
}

} // namespace tarnex
