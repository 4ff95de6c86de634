// A window that records, in order, every call the commands make of it.
#pragma once

#include "crypto/Tools.h"
#include "engine/CommandWindow.h"

#include <string>
#include <vector>

namespace tarnex::test {

class RecordingWindow : public tarnex::CommandWindow {
public:
    // State the commands read.
    std::string password;
    std::string passes = "3";
    std::vector<std::string> rows;
    std::string clipboard;
    bool confirmAnswer = true;
    bool passwordDialogOk = true;
    std::string passwordTyped; // written into the box when the dialog says OK
    bool clipboardLocked = false;

    // Every call, getters marked with a leading '?'.
    std::vector<std::string> calls;

    // The calls that change something or show something, in order.
    std::vector<std::string> Effects() const
    {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.empty() || c[0] != '?')
                out.push_back(c);
        return out;
    }

    std::string PasswordText() override { return Log("?password", password); }
    void SetPasswordText(const std::string& text) override
    {
        calls.push_back("password:" + text);
        password = text;
    }
    std::string PassesText() override { return Log("?passes", passes); }
    int RowCount() override
    {
        calls.push_back("?rows");
        return static_cast<int>(rows.size());
    }
    std::string RowPath(int row) override { return Log("?row", rows.at(static_cast<std::size_t>(row))); }
    void ClearRows() override
    {
        calls.push_back("clear");
        rows.clear();
    }
    void SetStatusText(const std::string& text) override { calls.push_back("status:" + text); }
    void ShowMessage(tarnex::MessageKind kind, const std::string& text) override
    {
        const char* prefix = kind == tarnex::MessageKind::Plain ? "plain:"
                             : kind == tarnex::MessageKind::Information ? "info:"
                                                                        : "error:";
        calls.push_back(prefix + text);
    }
    bool Confirm(const std::string& text) override
    {
        calls.push_back("confirm:" + text);
        return confirmAnswer;
    }
    bool AskPassword() override
    {
        calls.push_back("ask");
        if (passwordDialogOk)
            password = passwordTyped;
        return passwordDialogOk;
    }
    std::string ClipboardText() override { return Log("?clipboard", clipboard); }
    void SetClipboardText(const std::string& text) override
    {
        calls.push_back("clipboard:" + text);
        clipboard = text;
    }
    void SetClipboardSecretText(const std::string& text) override
    {
        calls.push_back("secret clipboard:" + text);
        clipboard = text;
    }
    void EmptyClipboard() override
    {
        if (clipboardLocked)
            throw tarnex::Error("Cannot open clipboard");
        calls.push_back("empty");
        clipboard.clear();
    }
    void Beep() override { calls.push_back("beep"); }
    void SetBusyCursor(bool busy) override { calls.push_back(busy ? "busy:1" : "busy:0"); }
    void SetPassLabel(const std::string& text) override { calls.push_back("label:" + text); }
    void SetProgressMaximum(int maximum) override { calls.push_back("max:" + std::to_string(maximum)); }
    void StepProgress() override { calls.push_back("step"); }
    void SetProgressPosition(int position) override { calls.push_back("pos:" + std::to_string(position)); }
    void ClearRememberedFileName() override { calls.push_back("forget"); }
    // Progress is sampled, not part of the command's story.

private:
    std::string Log(const char* what, const std::string& value)
    {
        calls.push_back(what);
        return value;
    }
};

} // namespace tarnex::test
