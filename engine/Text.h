// The one rule by which text becomes the 8-bit bytes that are hashed and
// encrypted, and by which decrypted bytes become text again.
//
// Text to bytes: a text is its Windows-1252 bytes when every character has a
// byte there, so that passwords and clipboard lines made by the Windows
// program work here; otherwise it is its own UTF-8, so that no character is
// ever lost. Lines and keys depend on this rule: it never changes.
//
// Bytes to text: the reading chosen is one the encrypting side could have
// written, so that the text comes back as it was typed:
//   1. bytes that are not valid UTF-8 can only be Windows-1252;
//   2. valid UTF-8 whose every character has a Windows-1252 byte cannot come
//      from this encoder, which would have written those bytes instead: it is
//      Windows-1252 text ("Ã©" stays "Ã©", it is not "é");
//   3. otherwise both readings are possible (the Windows-1252 "CAFÉ…" are the
//      UTF-8 bytes of "CAFɅ"), and the more plausible one wins, UTF-8 on a
//      tie. Each reading gets a count of what rarely happens in typed text:
//      characters of rare or private blocks, control characters, letters of
//      two scripts side by side, a lower-case letter followed by a capital,
//      and a letter followed by a symbol that seldom follows one (the pairs
//      that decoding UTF-8 as Windows-1252 makes: "Ð¸", "Ã¼", "Ä‡").
//      The reading with the smaller count is the text.
// Whichever reading is chosen turns back into exactly the same bytes, so a
// decrypted text encrypted again always gives the same line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnex {

// UTF-8 text to bytes. Input that is not valid UTF-8 is already bytes and is
// returned unchanged.
std::string TextToBytes(std::string_view utf8);
// The same, for input that must be text: nullopt when it is not valid UTF-8.
std::optional<std::string> TextOnlyToBytes(std::string_view utf8);
// Bytes to UTF-8 text, zero bytes included.
std::string BytesToText(std::string_view bytes);

// The clipboard cipher: CFB-8 in place under the key text's cipher.
void EncryptText(std::string_view keyBytes, std::string& data);
void DecryptText(std::string_view keyBytes, std::string& data);
// The same under a password as typed, whose bytes by the rule above are the
// key text.
void EncryptTextWithPassword(std::string_view password, std::string& data);
void DecryptTextWithPassword(std::string_view password, std::string& data);

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
