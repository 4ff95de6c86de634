#include "engine/Text.h"

#include "crypto/Tools.h"
#include "crypto/Twofish.h"
#include "engine/Key.h"

#include <cstdint>
#include <limits>

namespace tarnex {
namespace {

// Windows-1252 0x80..0x9F. The five bytes the code page leaves undefined map
// to the C1 controls of the same value, as Windows converts them, so every
// byte has a character and back.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t Cp1252ToChar(unsigned char b)
{
    return b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char32_t{b};
}

// The byte of c in Windows-1252, or -1 when it has none.
int CharToCp1252(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == c)
            return 0x80 + i;
    return -1;
}

// Decodes one well-formed UTF-8 sequence at s[i]; false on any ill-formed
// one (overlong forms, surrogates, values past U+10FFFF, truncation).
bool NextChar(std::string_view s, std::size_t& i, char32_t& c)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        c = b0;
        ++i;
        return true;
    }
    std::size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        c = b0 & 0x1Fu;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        c = b0 & 0x0Fu;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        c = b0 & 0x07u;
        min = 0x10000;
    } else {
        return false;
    }
    if (s.size() - i < len)
        return false;
    for (std::size_t k = 1; k < len; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0u) != 0x80u)
            return false;
        c = (c << 6) | (b & 0x3Fu);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    i += len;
    return true;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

template <typename Step>
void Cfb8InPieces(std::string_view keyBytes, std::string& data, Step step)
{
    PreparedCipher cipher(keyBytes);
    char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const std::size_t piece = std::min<std::size_t>(left, std::numeric_limits<std::int32_t>::max());
        step(cipher.ctx, p, p, static_cast<std::int32_t>(piece));
        p += piece;
        left -= piece;
    }
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    char32_t c;
    while (i < bytes.size())
        if (!NextChar(bytes, i, c))
            return false;
    return true;
}

std::string TextToBytes(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    char32_t c;
    while (i < utf8.size()) {
        if (!NextChar(utf8, i, c))
            return std::string(utf8);
        const int b = CharToCp1252(c);
        if (b < 0) {
            SecureZero(out.data(), out.size());
            return std::string(utf8);
        }
        out += static_cast<char>(b);
    }
    return out;
}

std::string BytesToText(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes)
        AppendUtf8(out, Cp1252ToChar(static_cast<unsigned char>(ch)));
    return out;
}

void EncryptText(std::string_view keyBytes, std::string& data)
{
    Cfb8InPieces(keyBytes, data, TwofishEncryptCfb8);
}

void DecryptText(std::string_view keyBytes, std::string& data)
{
    Cfb8InPieces(keyBytes, data, TwofishDecryptCfb8);
}

SecretString::~SecretString()
{
    SecureZero(value.data(), value.size());
}

} // namespace tarnex
