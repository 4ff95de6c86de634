#include "ui/ClipboardCommands.h"

#include "engine/Outcome.h"
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
class PasswordGivenWindow : public EngineWindow {
public:
    PasswordGivenWindow(TForm1& form, Tpass& dialog) : EngineWindow(form), dialog_(dialog) {}

    bool AskPassword() override
    {
        if (given_) {
            given_ = false;
            return true;
        }
        CloseDialog();
        return EngineWindow::AskPassword();
    }
    void ShowMessage(MessageKind kind, const std::string& text) override
    {
        CloseDialog();
        EngineWindow::ShowMessage(kind, text);
    }
    bool Confirm(const std::string& text) override
    {
        CloseDialog();
        return EngineWindow::Confirm(text);
    }

private:
    void CloseDialog()
    {
        // Its OK finishes closing it (and scrubs its box) once the command
        // has returned.
        if (dialog_.isVisible())
            dialog_.hide();
    }

    Tpass& dialog_;
    bool given_ = true;
};

} // namespace

void RunClipboardCommand(TForm1& form, Tpass& dialog, CommandOutcome (*command)(CommandWindow&))
{
    PasswordGivenWindow window(form, dialog);
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
