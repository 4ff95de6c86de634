// The engine's window: what the commands need of the main window, answered
// from TForm1's controls. The window builds controls and wires slots; this
// class alone turns the engine's texts and paths into what those controls
// show, and back.
#pragma once

#include "engine/CommandWindow.h"

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

private:
    TForm1& form_;
    bool busyCursor_ = false;
};

} // namespace tarnex
