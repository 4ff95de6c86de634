#include "ui/ClipboardCommands.h"

#include "engine/CommandWindow.h"
#include "ui/EngineWindow.h"
#include "ui/Unit1.h"
#include "ui/Unit3.h"

#include <QLineEdit>

#include <exception>

namespace tarnex {

namespace {

// The main window's engine side for a command started from the password
// dialog's OK: the password has been given, and the dialog is taken off the
// screen before anything else is shown.
class PasswordGivenWindow : public CommandWindow {
public:
    PasswordGivenWindow(EngineWindow& engine, Tpass& dialog) : engine_(engine), dialog_(dialog) {}

    bool AskPassword() override
    {
        if (given_) {
            given_ = false;
            return true;
        }
        CloseDialog();
        return engine_.AskPassword();
    }
    void ShowMessage(MessageKind kind, const std::string& text) override
    {
        CloseDialog();
        engine_.ShowMessage(kind, text);
    }
    bool Confirm(const std::string& text) override
    {
        CloseDialog();
        return engine_.Confirm(text);
    }

    std::string PasswordText() override { return engine_.PasswordText(); }
    void SetPasswordText(const std::string& text) override { engine_.SetPasswordText(text); }
    std::string PassesText() override { return engine_.PassesText(); }
    int RowCount() override { return engine_.RowCount(); }
    std::string RowPath(int row) override { return engine_.RowPath(row); }
    void ClearRows() override { engine_.ClearRows(); }
    void SetStatusText(const std::string& text) override { engine_.SetStatusText(text); }
    std::string ClipboardText() override { return engine_.ClipboardText(); }
    void SetClipboardText(const std::string& text) override { engine_.SetClipboardText(text); }
    void SetClipboardSecretText(const std::string& text) override { engine_.SetClipboardSecretText(text); }
    void EmptyClipboard() override { engine_.EmptyClipboard(); }
    void Beep() override { engine_.Beep(); }
    void SetBusyCursor(bool busy) override { engine_.SetBusyCursor(busy); }
    void SetPassLabel(const std::string& text) override { engine_.SetPassLabel(text); }
    void SetProgressMaximum(int maximum) override { engine_.SetProgressMaximum(maximum); }
    void StepProgress() override { engine_.StepProgress(); }
    void SetProgressPosition(int position) override { engine_.SetProgressPosition(position); }
    void ClearRememberedFileName() override { engine_.ClearRememberedFileName(); }
    void ReportProgress(std::uint64_t done, std::uint64_t total) override { engine_.ReportProgress(done, total); }

private:
    void CloseDialog()
    {
        // Its OK finishes closing it (and scrubs its box) once the command
        // has returned.
        if (dialog_.isVisible())
            dialog_.hide();
    }

    EngineWindow& engine_;
    Tpass& dialog_;
    bool given_ = true;
};

} // namespace

void RunClipboardCommand(TForm1& form, Tpass& dialog, void (*command)(CommandWindow&))
{
    PasswordGivenWindow window(form.Engine(), dialog);
    std::exception_ptr failure;
    dialog.OnPassword = [&](const QString& text) {
        form.Edit1->setText(text);
        // Nothing may unwind through the dialog's button and Qt's event loop.
        try {
            command(window);
        } catch (...) {
            failure = std::current_exception();
        }
    };
    dialog.exec();
    dialog.OnPassword = nullptr;
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace tarnex
