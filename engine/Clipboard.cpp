#include "crypto/Base64.h"
#include "engine/Commands.h"
#include "engine/Text.h"

namespace tarnex {

bool FilesChosen = false;

CommandOutcome EncryptClipboard(CommandWindow& window)
{
    if (!window.AskPassword())
        return CommandOutcome::Of(CommandOutcome::Status::Cancelled);
    SecretString data(TextToBytes(window.ClipboardText()));
    {
        SecretString password(window.PasswordText());
        EncryptTextWithPassword(password.value, data.value);
    }
    const std::string line = Base64Encode(data.value);
    window.SetPasswordText(std::string());
    if (!line.empty())
        window.SetClipboardText(line);
    window.ShowMessage(MessageKind::Plain, "Clipboard encrypted.");
    return CommandOutcome::Of(CommandOutcome::Status::Done);
}

CommandOutcome DecryptClipboard(CommandWindow& window)
{
    if (!window.AskPassword())
        return CommandOutcome::Of(CommandOutcome::Status::Cancelled);
    // Decoding comes first: a malformed line ends the command before the
    // password is read.
    SecretString data(Base64Decode(TextToBytes(window.ClipboardText())));
    {
        SecretString password(window.PasswordText());
        DecryptTextWithPassword(password.value, data.value);
    }
    window.SetPasswordText(std::string());
    // Clipboard text ends at its first zero byte.
    const auto zero = data.value.find('\0');
    const std::string_view text(data.value.data(), zero == std::string::npos ? data.value.size() : zero);
    if (!text.empty()) {
        SecretString shown(BytesToText(text));
        window.SetClipboardSecretText(shown.value);
    }
    window.ShowMessage(MessageKind::Plain, "Clipboard decrypted.");
    return CommandOutcome::Of(CommandOutcome::Status::Done);
}

CommandOutcome EmptyClipboardCommand(CommandWindow& window)
{
    if (!window.Confirm("Are you sure you want empty the clipboard?"))
        return CommandOutcome::Of(CommandOutcome::Status::Cancelled);
    window.EmptyClipboard();
    window.Beep();
    return CommandOutcome::Of(CommandOutcome::Status::Done);
}

} // namespace tarnex
