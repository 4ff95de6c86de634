// What the engine's commands need of the window they run in. The desktop
// window implements it with Qt, the tests with a recording fake and the
// command-line tool with the terminal.
//
// Texts crossing this interface are UTF-8 (messages, the password box, the
// clipboard); paths are the file system's bytes. Turning password and
// clipboard text into the bytes that are hashed and encrypted is the engine's
// job (see Text.h), never the window's.
#pragma once

#include <cstdint>
#include <string>

namespace tarnex {

enum class MessageKind {
    Plain,       // captioned with the application's title, OK, no icon
    Information, // "Information", information icon, OK
    Error,       // "Error", error icon, OK
};

class CommandWindow {
public:
    virtual ~CommandWindow() = default;

    // The password box (Edit1).
    virtual std::string PasswordText() = 0;
    virtual void SetPasswordText(const std::string& text) = 0;

    // The passes box (Edit2), as typed.
    virtual std::string PassesText() = 0;

    // The file list (ListView1): one path per row.
    virtual int RowCount() = 0;
    virtual std::string RowPath(int row) = 0;
    virtual void ClearRows() = 0;

    // The status bar's single text (StatusBar1).
    virtual void SetStatusText(const std::string& text) = 0;

    // Modal boxes; each waits until closed.
    virtual void ShowMessage(MessageKind kind, const std::string& text) = 0;
    // "Confirm", question icon, Yes/No with Yes the default, Esc is No.
    virtual bool Confirm(const std::string& text) = 0;
    // The password dialog: true on OK, having written the password into the
    // password box; false when cancelled.
    virtual bool AskPassword() = 0;

    // The clipboard's text, empty when it holds none.
    virtual std::string ClipboardText() = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    // Plain text recovered from a secret: windows whose clipboard can ask
    // clipboard managers to keep it out of their history do so.
    virtual void SetClipboardSecretText(const std::string& text) { SetClipboardText(text); }
    // Throws Error("Cannot open clipboard") when it cannot be emptied.
    virtual void EmptyClipboard() = 0;
    virtual void Beep() = 0;

    // Wipe feedback: busy cursor, pass label (Label1), progress bar.
    virtual void SetBusyCursor(bool busy) = 0;
    virtual void SetPassLabel(const std::string& text) = 0;
    virtual void SetProgressMaximum(int maximum) = 0;
    virtual void StepProgress() = 0;
    virtual void SetProgressPosition(int position) = 0;

    // Forget the file name the file-open dialog remembers (OpenDialog1).
    virtual void ClearRememberedFileName() = 0;

    // Progress through the file at hand, between chunks of a long transfer or
    // wipe pass; windows that show nothing for it keep the default.
    virtual void ReportProgress(std::uint64_t done, std::uint64_t total)
    {
        (void)done;
        (void)total;
    }
};

} // namespace tarnex
