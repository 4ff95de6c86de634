#include "engine/Text.h"

#include "crypto/Tools.h"
#include "crypto/Twofish.h"
#include "engine/Key.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <locale.h>
#include <wctype.h>

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

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    char32_t c;
    while (i < bytes.size())
        if (!NextChar(bytes, i, c))
            return false;
    return true;
}

// Choosing between the two readings of bytes that are valid UTF-8 (see
// Text.h). Everything below only counts what is unusual in typed text; the
// weights matter only relative to one another.

struct Block {
    char32_t first, last;
    int weight;
};

// Characters that typed text seldom holds, by block; the first range that
// holds a character gives its weight, and characters in none weigh nothing.
// Letters of living languages inside otherwise rare blocks come first.
constexpr Block kRareBlocks[] = {
    {0x0080, 0x009F, 5},    // C1 control characters
    {0x0108, 0x010B, 1},    // the letters of Latin Extended-A of a few
    {0x0114, 0x0115, 1},    // languages each (Esperanto, Maltese, Latvian,
    {0x011C, 0x011D, 1},    // Sami, Welsh), which mis-read Scandinavian or
    {0x0120, 0x0127, 1},
    {0x0132, 0x0138, 1},    // Finnish capitals make ("PÅ…" is "PŅ")
    {0x013B, 0x013C, 1},
    {0x013F, 0x0140, 1},
    {0x0145, 0x0146, 1},
    {0x0149, 0x014B, 1},
    {0x0154, 0x0157, 1},
    {0x015C, 0x015D, 1},
    {0x0166, 0x0167, 1},
    {0x016C, 0x016D, 1},
    {0x0174, 0x0177, 1},
    {0x018F, 0x018F, 0},    // Ə (Azerbaijani)
    {0x0181, 0x0181, 1},    // Ɓ (West African)
    {0x0186, 0x0186, 1},    // Ɔ
    {0x0190, 0x0190, 1},    // Ɛ
    {0x0194, 0x0194, 1},    // Ɣ
    {0x0198, 0x0199, 1},    // Ƙ ƙ
    {0x019D, 0x019D, 1},    // Ɲ
    {0x01B3, 0x01B4, 1},    // Ƴ ƴ
    {0x0192, 0x0192, 0},    // ƒ
    {0x01A0, 0x01A1, 0},    // Ơ ơ (Vietnamese)
    {0x01AF, 0x01B0, 0},    // Ư ư
    {0x01CD, 0x01DC, 0},    // Pinyin tones
    {0x0218, 0x021B, 0},    // Ș ș Ț ț (Romanian)
    {0x0253, 0x0254, 1},    // ɓ ɔ (West African)
    {0x0259, 0x0259, 0},    // ə (Azerbaijani)
    {0x025B, 0x025B, 1},    // ɛ
    {0x0263, 0x0263, 1},    // ɣ
    {0x0272, 0x0272, 1},    // ɲ
    {0x0180, 0x024F, 2},    // rest of Latin Extended-B
    {0x0250, 0x02AF, 2},    // IPA extensions
    {0x02BB, 0x02BC, 0},    // ʻ ʼ (Uzbek, Hawaiian)
    {0x02B0, 0x02FF, 1},    // spacing modifier letters
    {0x0300, 0x036F, 1},    // combining diacritics, mostly precomposed in typing
    {0x037E, 0x037E, 0},    // Greek question mark
    {0x0370, 0x0385, 2},    // Greek numeral signs and spacing accents
    {0x0460, 0x04FF, 1},    // historic and extended Cyrillic
    {0x0500, 0x052F, 2},    // Cyrillic supplement
    {0x0591, 0x05CF, 1},    // Hebrew points
    {0x060C, 0x060C, 0},    // Arabic comma
    {0x061B, 0x061B, 0},    // Arabic semicolon
    {0x061F, 0x061F, 0},    // Arabic question mark
    {0x0600, 0x061F, 2},    // Arabic signs and format characters
    {0x06F0, 0x06F9, 0},    // Persian digits
    {0x06D4, 0x06FF, 1},    // Arabic extended letters and signs
    {0x0700, 0x074F, 1},    // Syriac
    {0x0750, 0x077F, 2},    // Arabic supplement
    {0x07C0, 0x08FF, 2},    // NKo, Samaritan, Mandaic, Arabic extended
    {0x0F00, 0x0FFF, 1},    // Tibetan
    {0x1100, 0x11FF, 1},    // conjoining Hangul jamo
    {0x1680, 0x177F, 1},    // Ogham, Runic, Philippine scripts
    {0x1800, 0x1CFF, 1},    // Mongolian and other rare scripts
    {0x2400, 0x24FF, 1},    // control pictures, enclosed alphanumerics
    {0x27C0, 0x2BFF, 1},    // rare mathematical symbols and arrows
    {0x2C00, 0x2DFF, 2},    // Glagolitic, Coptic, Tifinagh
    {0x2E00, 0x2FFF, 1},    // supplemental punctuation, radicals
    {0x3100, 0x33FF, 1},    // Bopomofo, enclosed CJK
    {0x3400, 0x4DBF, 1},    // rare ideographs
    {0x4DC0, 0x4DFF, 2},    // hexagrams
    {0xA000, 0xABFF, 2},    // Yi, Vai and other rare scripts
    {0xD7B0, 0xDFFF, 2},    // jamo extended, surrogates
    {0xE000, 0xF8FF, 5},    // private use
    {0xF900, 0xFDCF, 1},    // compatibility ideographs, presentation forms
    {0xFDD0, 0xFDEF, 5},    // not characters
    {0xFDF0, 0xFDFF, 1},
    {0xFEFF, 0xFEFF, 0},    // byte order mark
    {0xFE10, 0xFEFE, 1},    // vertical and small forms, presentation forms
    {0xFFFD, 0xFFFD, 1},    // replacement character: text damaged before
    {0xFFF0, 0xFFFF, 5},    // specials
    {0x10000, 0x1EFFF, 2},  // historic scripts
    {0x1F1E6, 0x1F1FF, 0},  // regional indicators: flags
    {0x1F000, 0x1F2FF, 1},  // tiles, cards, enclosed supplements
    {0x1FB00, 0x1FFFF, 2},
    {0x20000, 0x3FFFF, 2},  // rare ideographs
    {0xE0000, 0xE007F, 1},  // tags
    {0xE0080, 0x10FFFF, 5}, // variation selectors supplement, private use
};

int Rarity(char32_t c)
{
    if (c < 0x80)
        return 0;
    if ((c & 0xFFFE) == 0xFFFE)
        return 5; // not a character
    for (const Block& b : kRareBlocks)
        if (c >= b.first && c <= b.last)
            return b.weight;
    return 0;
}

// Letter classes come from the C library's Unicode tables, in a locale of
// its own so that the user's locale cannot change a reading.
locale_t UnicodeLocale()
{
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

// Decimal digits of other scripts, which the C library counts as letters.
constexpr char32_t kDigitBlocks[] = {
    0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6, 0x0C66, 0x0CE6,
    0x0D66, 0x0DE6, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0, 0x1810, 0xFF10,
};

bool IsLetter(char32_t c)
{
    if (c < 0x80)
        return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    for (const char32_t zero : kDigitBlocks)
        if (c >= zero && c <= zero + 9)
            return false;
    const locale_t l = UnicodeLocale();
    return l && ::iswalpha_l(static_cast<wint_t>(c), l);
}

bool IsUpper(char32_t c)
{
    const locale_t l = UnicodeLocale();
    return l && ::iswupper_l(static_cast<wint_t>(c), l);
}

bool IsLower(char32_t c)
{
    const locale_t l = UnicodeLocale();
    return l && ::iswlower_l(static_cast<wint_t>(c), l);
}

enum class Script { Latin, Greek, Cyrillic, Armenian, Hebrew, Arabic, Cjk, Hangul, Other };

struct ScriptRange {
    char32_t first, last;
    Script script;
};

constexpr ScriptRange kScripts[] = {
    {0x0000, 0x02FF, Script::Latin},    {0x0370, 0x03FF, Script::Greek},    {0x0400, 0x052F, Script::Cyrillic},
    {0x0530, 0x058F, Script::Armenian}, {0x0590, 0x05FF, Script::Hebrew},   {0x0600, 0x06FF, Script::Arabic},
    {0x0750, 0x077F, Script::Arabic},   {0x08A0, 0x08FF, Script::Arabic},   {0x1100, 0x11FF, Script::Hangul},
    {0x1C80, 0x1C8F, Script::Cyrillic}, {0x1D00, 0x1DBF, Script::Latin},    {0x1E00, 0x1EFF, Script::Latin},
    {0x1F00, 0x1FFF, Script::Greek},    {0x2C60, 0x2C7F, Script::Latin},    {0x2DE0, 0x2DFF, Script::Cyrillic},
    {0x2E80, 0x312F, Script::Cjk},      {0x3130, 0x318F, Script::Hangul},   {0x31A0, 0x31FF, Script::Cjk},
    {0x3400, 0x4DBF, Script::Cjk},      {0x4E00, 0x9FFF, Script::Cjk},      {0xA640, 0xA69F, Script::Cyrillic},
    {0xA720, 0xA7FF, Script::Latin},    {0xA960, 0xA97F, Script::Hangul},   {0xAB30, 0xAB6F, Script::Latin},
    {0xAC00, 0xD7FF, Script::Hangul},   {0xF900, 0xFAFF, Script::Cjk},      {0xFB00, 0xFB06, Script::Latin},
    {0xFB13, 0xFB17, Script::Armenian}, {0xFB1D, 0xFB4F, Script::Hebrew},   {0xFB50, 0xFDFF, Script::Arabic},
    {0xFE70, 0xFEFF, Script::Arabic},   {0xFF21, 0xFF5A, Script::Latin},    {0xFF66, 0xFF9D, Script::Cjk},
    {0xFFA0, 0xFFDC, Script::Hangul},   {0x20000, 0x3FFFF, Script::Cjk},
};

// Scripts of letters only; other scripts are told apart by their block of
// 128 characters.
std::uint32_t ScriptOf(char32_t c)
{
    for (const ScriptRange& r : kScripts)
        if (c >= r.first && c <= r.last)
            return static_cast<std::uint32_t>(r.script);
    return static_cast<std::uint32_t>(Script::Other) + (c >> 7);
}

// Two letters side by side in different scripts: Latin beside Chinese,
// Japanese or Korean happens in real text, any other pair hardly ever.
int ScriptChange(char32_t a, char32_t b)
{
    const auto sa = static_cast<Script>(std::min<std::uint32_t>(ScriptOf(a), static_cast<std::uint32_t>(Script::Other)));
    const auto sb = static_cast<Script>(std::min<std::uint32_t>(ScriptOf(b), static_cast<std::uint32_t>(Script::Other)));
    if (ScriptOf(a) == ScriptOf(b))
        return 0;
    const auto eastAsian = [](Script s) { return s == Script::Cjk || s == Script::Hangul; };
    if ((sa == Script::Latin && eastAsian(sb)) || (eastAsian(sa) && sb == Script::Latin))
        return 1;
    return 2;
}

// Symbols of Windows-1252 beyond ASCII: the characters that continuation
// bytes become when UTF-8 is read as Windows-1252.
bool IsCp1252Symbol(char32_t c)
{
    if (c >= 0xA0 && c <= 0xBF)
        return c != 0xAA && c != 0xB5 && c != 0xBA;
    if (c == 0xD7 || c == 0xF7)
        return true;
    const int b = CharToCp1252(c);
    return b >= 0x80 && b <= 0x9F && !IsLetter(c);
}

// Quotes, dashes and ellipses, which follow one another ("…»", "”—").
bool IsQuoteOrDash(char32_t c)
{
    switch (c) {
    case 0x2026: case 0x2019: case 0x201D: case 0x201C: case 0x2018: case 0x00BB: case 0x00AB:
    case 0x203A: case 0x2039: case 0x2013: case 0x2014: case 0x00A0: case 0x201E: case 0x201A:
        return true;
    default:
        return false;
    }
}

// A character right after a letter: words end in letters, quotes, dashes,
// ellipses, degrees and superscripts, not in these.
int AfterLetter(char32_t c)
{
    switch (c) {
    case 0x20AC: case 0x2020: case 0x2021: case 0x02C6: case 0x2030: case 0x02DC: case 0x2022:
    case 0x0192: case 0x00A2: case 0x00A3: case 0x00A4: case 0x00A5: case 0x00A6: case 0x00A7:
    case 0x00A8: case 0x00AA: case 0x00AC: case 0x00AD: case 0x00AF: case 0x00B1: case 0x00B4:
    case 0x00B5: case 0x00B6: case 0x00B7: case 0x00B8: case 0x00B9: case 0x00BA: case 0x00BC:
    case 0x00BD: case 0x00BE: case 0x00D7: case 0x00F7:
        return 2;
    case 0x201A: case 0x201E: case 0x00A1: case 0x00BF: // opening marks
        return 1;
    default:
        return 0;
    }
}

// Inside a word, between two letters: apostrophes, dashes and the middle
// dot join words, other symbols do not.
bool JoinsWords(char32_t c)
{
    return c == 0x2019 || c == 0x2018 || c == 0x2013 || c == 0x2014 || c == 0x00B7;
}

// The small letters of Windows-1252's 0x80 row, seldom right after another
// accented letter ("áž" is Khmer read as Windows-1252; capitals such as
// "VÝŠKA" are real).
bool IsHighRowSmallLetter(char32_t c)
{
    return c == 0x0161 || c == 0x0153 || c == 0x017E;
}

// What the count needs to know of one character.
struct CharClass {
    char32_t c = 0xFFFFFFFF; // none yet
    std::uint32_t script = 0;
    int rarity = 0;
    int afterLetter = 0;
    bool letter = false, upper = false, lower = false;
    bool cp1252Symbol = false, quoteOrDash = false, joinsWords = false, highRowSmall = false;
};

CharClass Classify(char32_t c)
{
    CharClass k;
    k.c = c;
    k.script = ScriptOf(c);
    k.rarity = Rarity(c);
    k.afterLetter = AfterLetter(c);
    k.letter = IsLetter(c);
    k.upper = k.letter && IsUpper(c);
    k.lower = k.letter && IsLower(c);
    k.cp1252Symbol = IsCp1252Symbol(c);
    k.quoteOrDash = IsQuoteOrDash(c);
    k.joinsWords = JoinsWords(c);
    k.highRowSmall = IsHighRowSmallLetter(c);
    return k;
}

// Texts use few distinct characters: each is classified once per text.
class ClassCache {
public:
    const CharClass& Of(char32_t c)
    {
        CharClass& slot = slots_[(c * 2654435761u) >> 23 & (kSlots - 1)];
        if (slot.c != c)
            slot = Classify(c);
        return slot;
    }

private:
    static constexpr std::size_t kSlots = 512;
    std::array<CharClass, kSlots> slots_{};
};

// How unusual a reading is as typed text (see Text.h).
long long Oddness(std::u32string_view text)
{
    auto cache = std::make_unique<ClassCache>();
    const CharClass none;
    long long odd = 0;
    // Copies: the next character's class may take the slot of one of these.
    CharClass before = none, prev = none, cur = text.empty() ? none : cache->Of(text[0]);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const CharClass next = i + 1 < text.size() ? cache->Of(text[i + 1]) : none;
        odd += cur.rarity;
        if (prev.letter) {
            if (cur.letter) {
                if (prev.script != cur.script)
                    odd += ScriptChange(prev.c, cur.c);
                if (prev.lower && cur.upper)
                    odd += 2;
                // A capitals' word ending in a small letter: "KYETą" for "KYETÄ…".
                if (cur.lower && prev.upper && before.upper)
                    odd += 2;
                if (prev.c >= 0xC0 && cur.highRowSmall)
                    odd += 2;
            }
            odd += cur.afterLetter;
            if (next.letter && cur.cp1252Symbol && !cur.joinsWords)
                odd += 1;
        }
        if (prev.cp1252Symbol && cur.cp1252Symbol && !(prev.quoteOrDash && cur.quoteOrDash))
            odd += 2;
        before = prev;
        prev = cur;
        cur = next;
    }
    return odd;
}

// Both readings of valid UTF-8 bytes; the first is false when some
// character has no Windows-1252 byte, so that the bytes could be UTF-8
// written by this program.
struct Readings {
    bool utf8IsAll1252 = true;
    std::u32string utf8;
    std::u32string cp1252;
};

Readings ReadBoth(std::string_view bytes)
{
    Readings r;
    r.utf8.reserve(bytes.size());
    r.cp1252.reserve(bytes.size());
    std::size_t i = 0;
    char32_t c;
    while (i < bytes.size() && NextChar(bytes, i, c)) {
        r.utf8 += c;
        if (CharToCp1252(c) < 0)
            r.utf8IsAll1252 = false;
    }
    for (const char ch : bytes)
        r.cp1252 += Cp1252ToChar(static_cast<unsigned char>(ch));
    return r;
}

void Wipe(std::u32string& s)
{
    SecureZero(s.data(), s.size() * sizeof(char32_t));
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

std::optional<std::string> TextOnlyToBytes(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    char32_t c;
    while (i < utf8.size()) {
        if (!NextChar(utf8, i, c)) {
            SecureZero(out.data(), out.size());
            return std::nullopt;
        }
        const int b = CharToCp1252(c);
        if (b < 0) {
            SecureZero(out.data(), out.size());
            if (!IsValidUtf8(utf8))
                return std::nullopt;
            return std::string(utf8);
        }
        out += static_cast<char>(b);
    }
    return out;
}

std::string TextToBytes(std::string_view utf8)
{
    std::optional<std::string> bytes = TextOnlyToBytes(utf8);
    return bytes ? std::move(*bytes) : std::string(utf8);
}

std::string BytesToText(std::string_view bytes)
{
    if (IsValidUtf8(bytes)) {
        Readings r = ReadBoth(bytes);
        const bool utf8 = !r.utf8IsAll1252 && Oddness(r.utf8) <= Oddness(r.cp1252);
        Wipe(r.utf8);
        Wipe(r.cp1252);
        if (utf8)
            return std::string(bytes);
    }
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

void EncryptTextWithPassword(std::string_view password, std::string& data)
{
    SecretString keyBytes(TextToBytes(password));
    EncryptText(keyBytes.value, data);
}

void DecryptTextWithPassword(std::string_view password, std::string& data)
{
    SecretString keyBytes(TextToBytes(password));
    DecryptText(keyBytes.value, data);
}

SecretString::~SecretString()
{
    SecureZero(value.data(), value.size());
}

} // namespace tarnex
