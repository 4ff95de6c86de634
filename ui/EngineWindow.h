// The engine's window: what the commands need of the main window, answered
// from TForm1's controls. The window builds controls and wires slots; this
// class alone turns the engine's texts and paths into what those controls
// show, and back.
#pragma once

#include "engine/CommandWindow.h"

#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <string>

namespace tarnex {

class TForm1;

class EngineWindow : public CommandWindow {
public:
    explicit EngineWindow(TForm1& form);
    ~EngineWindow() override;
    EngineWindow(const EngineWindow&) = delete;
    EngineWindow& operator=(const EngineWindow&) = delete;

    std::string PasswordText() override;
    void SetPasswordText(const std::string& text) override;
    std::string PassesText() override;
    int RowCount() override;
    std::string RowPath(int row) override;
    void ClearRows() override;
    void SetStatusText(const std::string& text) override;
    void ShowMessage(MessageKind kind, const std::string& text) override;
    bool Confirm(const std::string& text) override;
    bool AskPassword() override;
    std::string ClipboardText() override;
    void SetClipboardText(const std::string& text) override;
    // The text, marked for clipboard managers as a secret to keep out of
    // their history.
    void SetClipboardSecretText(const std::string& text) override;
    void EmptyClipboard() override;
    void Beep() override;
    void SetBusyCursor(bool busy) override;
    void SetPassLabel(const std::string& text) override;
    void SetProgressMaximum(int maximum) override;
    void StepProgress() override;
    void SetProgressPosition(int position) override;
    void ClearRememberedFileName() override;
    // Between chunks of the file at hand: the file commands show it in the
    // progress bar, and every command lets the window paint and answer the
    // desktop meanwhile.
    void ReportProgress(std::uint64_t done, std::uint64_t total) override;

    // Runs Encrypt or Decrypt with the busy cursor over the window and the
    // file's progress in the bar; both are undone however the command ends.
    void RunFileCommand(const std::function<void(CommandWindow&)>& command);

    // Handles the events waiting for the program except the user's input,
    // which is dropped: the windows repaint, the window manager gets its
    // answers, and anything that would start a command or change the list
    // is refused (a close request is kept by the window until the command
    // ends). Only on the thread the windows live on.
    void KeepAnswering();

private:
    // Runs a modal box with the normal cursor over it, and lets the window
    // repaint where the box was as soon as it has gone.
    template <class F>
    auto InBox(F&& box);

    TForm1& form_;
    bool busyCursor_ = false;
    bool fileProgress_ = false;
    QElapsedTimer sinceAnswered_;
};

} // namespace tarnex
