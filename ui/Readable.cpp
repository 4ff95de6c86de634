#include "ui/Readable.h"

#include <cstdint>

namespace tarnex {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte there does
// not start one (a stray continuation byte, an overlong form, a surrogate, a
// code point past U+10FFFF, or a sequence cut short).
std::size_t SequenceLength(std::string_view s, std::size_t i, char32_t& code)
{
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t b0 = byte(i);
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    std::size_t n = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        code = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        code = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        code = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

void AppendEscape(QString& out, std::uint8_t b)
{
    static const char digits[] = "0123456789ABCDEF";
    out += QLatin1String("\\x");
    out += QLatin1Char(digits[b >> 4]);
    out += QLatin1Char(digits[b & 0xF]);
}

} // namespace

QString ReadableText(std::string_view bytes, LineBreaks breaks)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t code = 0;
        const std::size_t n = SequenceLength(bytes, i, code);
        if (n == 0) {
            AppendEscape(out, static_cast<std::uint8_t>(bytes[i]));
            ++i;
            continue;
        }
        if (breaks == LineBreaks::Keep && (code == '\r' || code == '\n')) {
            // CR LF, a lone CR and a lone LF each end one line.
            if (code == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            out += QLatin1Char('\n');
        } else if (code < 0x20 || (code >= 0x7F && code < 0xA0)) {
            if (code < 0x80)
                AppendEscape(out, static_cast<std::uint8_t>(code));
            else
                for (std::size_t k = 0; k < n; ++k)
                    AppendEscape(out, static_cast<std::uint8_t>(bytes[i + k]));
        } else {
            out += QString::fromUcs4(&code, 1);
        }
        i += n;
    }
    return out;
}

} // namespace tarnex
