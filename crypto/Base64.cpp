#include "crypto/Base64.h"

#include "crypto/Tools.h"

#include <cstdint>

namespace tarnex {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The reader never refuses a character: anything outside A-Z, a-z, 0-9 and '+'
// counts as 63, the value of '/'. Texts written by older versions rely on it.
constexpr std::uint8_t Value(char c) noexcept
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<std::uint8_t>(c - 'A');
    if (c >= 'a' && c <= 'z')
        return static_cast<std::uint8_t>(c - 'a' + 26);
    if (c >= '0' && c <= '9')
        return static_cast<std::uint8_t>(c - '0' + 52);
    if (c == '+')
        return 62;
    return 63;
}

} // namespace

std::string Base64Encode(std::string_view bytes)
{
    const std::size_t n = bytes.size();
    std::string out(4 * ((n + 2) / 3), '\0');
    std::size_t o = 0;
    for (std::size_t i = 0; i < n; i += 3) {
        const unsigned b0 = static_cast<std::uint8_t>(bytes[i]);
        const unsigned b1 = i + 1 < n ? static_cast<std::uint8_t>(bytes[i + 1]) : 0u;
        const unsigned b2 = i + 2 < n ? static_cast<std::uint8_t>(bytes[i + 2]) : 0u;
        out[o++] = kAlphabet[b0 >> 2];
        out[o++] = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        out[o++] = kAlphabet[((b1 & 15) << 2) | (b2 >> 6)];
        out[o++] = kAlphabet[b2 & 63];
    }
    if (n % 3 == 1) {
        out[o - 2] = '=';
        out[o - 1] = '=';
    } else if (n % 3 == 2) {
        out[o - 1] = '=';
    }
    return out;
}

std::string Base64Decode(std::string_view text)
{
    const std::size_t m = text.size();
    if (m % 4 != 0)
        throw Error("Base64: Incorrect string format");
    std::string out;
    if (m == 0)
        return out;
    out.reserve(3 * (m / 4));
    auto group = [&](std::size_t i, int bytes) {
        const unsigned s0 = Value(text[i]), s1 = Value(text[i + 1]);
        const unsigned s2 = Value(text[i + 2]), s3 = Value(text[i + 3]);
        out.push_back(static_cast<char>(static_cast<std::uint8_t>((s0 << 2) | ((s1 >> 4) & 3))));
        if (bytes > 1)
            out.push_back(static_cast<char>(static_cast<std::uint8_t>((s1 << 4) | ((s2 >> 2) & 15))));
        if (bytes > 2)
            out.push_back(static_cast<char>(static_cast<std::uint8_t>((s2 << 6) | (s3 & 63))));
    };
    for (std::size_t i = 0; i + 4 < m; i += 4)
        group(i, 3);
    const std::size_t last = m - 4;
    group(last, text[last + 2] == '=' ? 1 : text[last + 3] == '=' ? 2 : 3);
    return out;
}

} // namespace tarnex
