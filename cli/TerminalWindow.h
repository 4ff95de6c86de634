// The engine's window over a terminal: the listed files are the command
// line's, boxes become lines on standard error, the clipboard is standard
// input and output, and the password comes from a file or a prompt that does
// not echo.
#pragma once

#include "engine/CommandWindow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnex {

class TerminalWindow : public CommandWindow {
public:
    std::vector<std::string> rows;
    std::string passes = "3";
    std::optional<std::string> passwordFile; // else the terminal is asked
    bool confirmPassword = false;            // ask twice (encryption)
    bool assumeYes = false;

    // A box other than a plain message was shown, or the password could not
    // be had.
    bool failed = false;

    ~TerminalWindow() override;

    // Reads the password now; false (with a message on standard error)
    // when there is none to be had.
    bool LoadPassword();

    std::string PasswordText() override;
    void SetPasswordText(const std::string& text) override;
    std::string PassesText() override { return passes; }
    int RowCount() override { return static_cast<int>(rows.size()); }
    std::string RowPath(int row) override;
    void ClearRows() override;
    void SetStatusText(const std::string& text) override;
    void ShowMessage(MessageKind kind, const std::string& text) override;
    bool Confirm(const std::string& text) override;
    bool AskPassword() override;
    std::string ClipboardText() override;
    void SetClipboardText(const std::string& text) override;
    void EmptyClipboard() override {}
    void Beep() override;
    void SetBusyCursor(bool) override {}
    void SetPassLabel(const std::string&) override {}
    void SetProgressMaximum(int) override {}
    void StepProgress() override {}
    void SetProgressPosition(int) override {}
    void ClearRememberedFileName() override {}
    void ReportProgress(std::uint64_t done, std::uint64_t total) override;

    // Removes a progress line from the terminal before other output.
    void EndProgressLine();

private:
    std::string password_;
    bool havePassword_ = false;
    std::string status_;
    std::string currentFile_;
    int shownPercent_ = -1;
};

// Standard error is a terminal.
bool ErrorIsTerminal();
// A controlling terminal can be opened for prompts.
bool HaveTerminal();
// Writes a prompt to the controlling terminal and reads one line, without
// echo when asked; nullopt when there is no terminal.
std::optional<std::string> AskTerminal(const std::string& prompt, bool echo);

} // namespace tarnex
