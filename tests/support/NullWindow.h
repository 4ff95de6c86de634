// A window that asks nothing and shows nothing, for running commands where
// only their work counts (the benchmark): the password and the rows are set
// beforehand, every question is answered yes, and a box other than a plain
// message is a failure, thrown with its text.
#pragma once

#include "engine/CommandWindow.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tarnex::test {

class NullWindow : public CommandWindow {
public:
    std::string password = "benchmark password";
    std::vector<std::string> rows;
    std::string PasswordText() override { return password; }
    void SetPasswordText(const std::string& text) override { password = text; }
    std::string PassesText() override { return "1"; }
    int RowCount() override { return static_cast<int>(rows.size()); }
    std::string RowPath(int row) override { return rows.at(static_cast<std::size_t>(row)); }
    void ClearRows() override { rows.clear(); }
    void SetStatusText(const std::string&) override {}
    void ShowMessage(MessageKind kind, const std::string& text) override
    {
        if (kind != MessageKind::Plain)
            throw std::runtime_error(text);
    }
    bool Confirm(const std::string&) override { return true; }
    bool AskPassword() override { return true; }
    std::string ClipboardText() override { return {}; }
    void SetClipboardText(const std::string&) override {}
    void EmptyClipboard() override {}
    void Beep() override {}
    void SetBusyCursor(bool) override {}
    void SetPassLabel(const std::string&) override {}
    void SetProgressMaximum(int) override {}
    void StepProgress() override {}
    void SetProgressPosition(int) override {}
    void ClearRememberedFileName() override {}
};

} // namespace tarnex::test
