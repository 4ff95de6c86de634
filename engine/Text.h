// The one rule by which text becomes the 8-bit bytes that are hashed and
// encrypted, and by which decrypted bytes become text again.
//
// Text is Windows-1252 when every character has a byte there, so that
// passwords and clipboard lines made by the Windows program work here;
// otherwise it is its own UTF-8, so that no character is ever lost.
// Decrypted bytes are shown as UTF-8 when they are valid UTF-8, else read
// as Windows-1252.
#pragma once

#include <string>
#include <string_view>

namespace tarnex {

// UTF-8 text to bytes. Input that is not valid UTF-8 is already bytes and is
// returned unchanged.
std::string TextToBytes(std::string_view utf8);
// Bytes to UTF-8 text.
std::string BytesToText(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);

// The clipboard cipher: CFB-8 in place under the key text's cipher.
void EncryptText(std::string_view keyBytes, std::string& data);
void DecryptText(std::string_view keyBytes, std::string& data);

// A string that is zeroed when it goes out of scope (passwords, key texts).
class SecretString {
public:
    SecretString() = default;
    explicit SecretString(std::string s) : value(std::move(s)) {}
    ~SecretString();
    SecretString(const SecretString&) = delete;
    SecretString& operator=(const SecretString&) = delete;

    std::string value;
};

} // namespace tarnex
