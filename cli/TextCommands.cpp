#include "cli/TextCommands.h"

#include "crypto/Base64.h"
#include "crypto/Tools.h"
#include "engine/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnex {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

[[noreturn]] void ThrowStreamError(const char* what, int error)
{
    throw Error(std::string("tarnexfast-cli: cannot ") + what + ": " + std::strerror(error));
}

// Reads standard input whole. The buffer grows by copies, and each one
// left behind is cleared: the input is a secret.
std::string ReadStandardInput()
{
    std::string data;
    std::size_t used = 0;
    for (;;) {
        if (used == data.size()) {
            std::string bigger(std::max<std::size_t>(65536, 2 * data.size()), '\0');
            std::memcpy(bigger.data(), data.data(), used);
            SecureZero(data.data(), data.size());
            data.swap(bigger);
        }
        const ssize_t n = ::read(STDIN_FILENO, data.data() + used, data.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            SecureZero(data.data(), data.size());
            ThrowStreamError("read the input", error);
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    data.resize(used);
    return data;
}

// Writes everything to standard output; when that is a file, also to its
// disk, so that the success message never precedes a lost output.
void WriteStandardOutput(const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowStreamError("write the output", errno);
        done += static_cast<std::size_t>(n);
    }
    struct stat st;
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode) && ::fdatasync(STDOUT_FILENO) != 0)
        ThrowStreamError("write the output", errno);
}

int NotText(const char* command)
{
    std::cerr << "tarnexfast-cli: standard input is not UTF-8 text; use " << command
              << " --bytes to take its bytes as they are\n";
    return kFailure;
}

} // namespace

int RunTextCommand(TerminalWindow& window, TextDirection direction, bool rawBytes)
{
    const bool encrypt = direction == TextDirection::Encrypt;
    if (!window.AskPassword())
        return kFailure;
    SecretString input(ReadStandardInput());

    SecretString data;
    if (rawBytes) {
        data.value.swap(input.value);
    } else {
        std::optional<std::string> bytes = TextOnlyToBytes(input.value);
        if (!bytes)
            return NotText(encrypt ? "encrypt-text" : "decrypt-text");
        data.value.swap(*bytes);
    }
    // The line is decoded before the password is used, as in the window.
    if (!encrypt) {
        SecretString cipher(Base64Decode(data.value));
        data.value.swap(cipher.value);
    }
    {
        SecretString password(window.PasswordText());
        if (encrypt)
            EncryptTextWithPassword(password.value, data.value);
        else
            DecryptTextWithPassword(password.value, data.value);
    }
    window.SetPasswordText(std::string());

    if (encrypt) {
        WriteStandardOutput(Base64Encode(data.value));
    } else if (rawBytes) {
        WriteStandardOutput(data.value);
    } else {
        // Zero bytes included: unlike a clipboard, a stream has no end mark.
        SecretString text(BytesToText(data.value));
        WriteStandardOutput(text.value);
    }
    window.ShowMessage(MessageKind::Plain, encrypt ? "Clipboard encrypted." : "Clipboard decrypted.");
    return kSuccess;
}

} // namespace tarnex
