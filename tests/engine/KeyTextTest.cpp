#include "engine/Key.h"
#include "engine/Text.h"
#include "tests/support/Bytes.h"
#include "tests/support/Oracle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <optional>
#include <random>

using namespace tarnex::test;

namespace {

std::string KeyBytes(const tarnex::Key& key)
{
    return std::string(reinterpret_cast<const char*>(key.data()), key.size());
}

std::string NettleSha1(std::string_view text)
{
    sha1_ctx sha;
    sha1_init(&sha);
    sha1_update(&sha, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
    std::uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&sha, sizeof digest, digest);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

TEST(DeriveKey, IsTheSha1OfTheTextsBytesAsTheyAre)
{
    EXPECT_EQ(Hex(KeyBytes(tarnex::DeriveKey(""))), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Hex(KeyBytes(tarnex::DeriveKey("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
    // No trimming, no change of case, no terminator: each of these is its own key.
    const std::string_view texts[] = {"Secret", "secret", " secret", "secret ", std::string_view("s\0x", 3)};
    for (const std::string_view text : texts)
        EXPECT_EQ(KeyBytes(tarnex::DeriveKey(text)), NettleSha1(text)) << text;
}

// The state the cipher runs on: everything but the RS key words, which set-up
// only needs on the way and, for 192-bit keys, does not fill in full.
bool SameRunningState(const tarnex::TwofishContext& a, const tarnex::TwofishContext& b)
{
    return a.KeyBits == b.KeyBits && std::memcmp(a.SubKeys, b.SubKeys, sizeof a.SubKeys) == 0
           && std::memcmp(a.SBoxTables, b.SBoxTables, sizeof a.SBoxTables) == 0
           && std::memcmp(a.InitVector, b.InitVector, 16) == 0 && std::memcmp(a.ChainBlock, b.ChainBlock, 16) == 0;
}

TEST(PrepareCipher, ChainsFromTheEncryptedZeroBlockAndRepeatsExactly)
{
    const std::string_view texts[] = {"", "password", "\xE9t\xE9"};
    for (const std::string_view text : texts) {
        tarnex::TwofishContext a, b;
        std::memset(&b, 0xAB, sizeof b); // preparation must not depend on what was there
        tarnex::PrepareCipher(text, a);
        tarnex::PrepareCipher(text, b);
        const OracleCipher oracle(text);
        EXPECT_EQ(a.KeyBits, 192) << text;
        EXPECT_EQ(0, std::memcmp(a.InitVector, oracle.zeroBlock, 16)) << text;
        EXPECT_EQ(0, std::memcmp(a.ChainBlock, oracle.zeroBlock, 16)) << text;
        EXPECT_TRUE(SameRunningState(a, b)) << text;
        tarnex::TwofishRestart(a);
        EXPECT_TRUE(SameRunningState(a, b)) << text;
    }
}

TEST(PreparedCipher, IsZeroedWhenItsScopeEnds)
{
    alignas(tarnex::PreparedCipher) unsigned char storage[sizeof(tarnex::PreparedCipher)];
    auto* cipher = new (storage) tarnex::PreparedCipher("key");
    cipher->~PreparedCipher();
    for (const unsigned char b : storage)
        ASSERT_EQ(b, 0);
}

struct TextCase {
    const char* name;
    std::string text;  // UTF-8
    std::string bytes; // what is hashed and encrypted
};

TEST(TextToBytes, UsesWindows1252WhenEveryCharacterHasAByteElseUtf8)
{
    const TextCase cases[] = {
        {"ascii", "Password 1!", "Password 1!"},
        {"empty", "", ""},
        {"latin-1 letters", "Gr\xC3\xBC\xC3\x9F" "e \xC3\xA9t\xC3\xA9", "Gr\xFC\xDF" "e \xE9t\xE9"},
        {"the 0x80 row", "\xE2\x82\xAC \xE2\x80\x9C\xC5\xA1\xE2\x84\xA2", "\x80 \x93\x9A\x99"},
        {"undefined byte as its control", "\xC2\x81", "\x81"},
        {"line breaks kept", "a\r\nb\n", "a\r\nb\n"},
        {"a character outside 1252 keeps all UTF-8", "\xC3\xA9 \xC4\x80", "\xC3\xA9 \xC4\x80"},
        {"cyrillic", "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C", "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C"},
        {"U+0080 has no byte", "\xC2\x80", "\xC2\x80"},
        {"not UTF-8 passes as bytes", "\xE9t\xE9", "\xE9t\xE9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(tarnex::TextToBytes(c.text)), Hex(c.bytes)) << c.name;
}

TEST(BytesToText, ReadsTheBytesAsTheEncryptingSideCouldHaveWrittenThem)
{
    const TextCase cases[] = {
        {"ascii", "plain text\r\n", "plain text\r\n"},
        {"zero bytes kept", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"not UTF-8: 1252 letters", "\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},
        {"not UTF-8: 1252 0x80 row", "\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8", "\x80\x93\x9F"},
        {"not UTF-8: undefined bytes", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "\x81\x8D\x8F\x90\x9D"},
        {"overlong is not UTF-8", "\xC3\x80\xC2\xAF", "\xC0\xAF"},
        {"surrogate is not UTF-8", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", "\xED\xA0\x80"},
        {"truncated sequence", "a\xC3\x83", "a\xC3"},
        // This encoder writes these characters in 1252, so their UTF-8 is 1252 text.
        {"UTF-8 of 1252 characters", "\xC3\x83\xC2\xA9 \xC3\xA2\xE2\x80\x9A\xC2\xAC", "\xC3\xA9 \xE2\x82\xAC"},
        {"UTF-8 beyond 1252", "\xD0\xBF\xD1\x80\xD0\xB8", "\xD0\xBF\xD1\x80\xD0\xB8"},
        {"UTF-8 mixing 1252 and other letters", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87"},
        // Both readings possible: "CAF\u0245 ouvert" is far less likely text.
        {"the plausible reading", "CAF\xC3\x89\xE2\x80\xA6 ouvert", "CAF\xC9\x85 ouvert"},
        {"a tie goes to UTF-8", "S\xC4\x85", "S\xC4\x85"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(tarnex::BytesToText(c.bytes)), Hex(c.text)) << c.name;
}

// Random valid UTF-8 from every plane, a quarter of it from the two-byte
// forms where the two readings meet most.
std::string RandomUtf8(std::mt19937_64& rng, std::size_t chars)
{
    std::wstring text;
    for (std::size_t i = 0; i < chars; ++i) {
        const std::uint64_t r = rng();
        const char32_t ranges[4][2] = {{0x20, 0x80}, {0x80, 0x800}, {0x800, 0x10000}, {0x10000, 0x110000}};
        const auto& range = ranges[r % 4];
        char32_t c = static_cast<char32_t>(range[0] + (r >> 2) % (range[1] - range[0]));
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 'x';
        text += static_cast<wchar_t>(c);
    }
    const std::string_view raw(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return Iconv("UTF-8", "WCHAR_T", raw).value();
}

TEST(TextBytes, DecryptedBytesShownAsTextGiveTheSameBytesAgain)
{
    // Whichever reading is chosen, the text encrypted again gives the same line.
    for (int b = 0x80; b < 0x100; ++b) {
        const std::string bytes{'x', static_cast<char>(b)};
        EXPECT_EQ(Hex(tarnex::TextToBytes(tarnex::BytesToText(bytes))), Hex(bytes)) << b;
    }
    std::mt19937_64 rng(7);
    for (int round = 0; round < 4000; ++round) {
        const std::size_t n = 1 + static_cast<std::size_t>(round % 24);
        const std::string bytes = round % 2 ? RandomBytes(n, static_cast<std::uint64_t>(round)) : RandomUtf8(rng, n);
        ASSERT_EQ(Hex(tarnex::TextToBytes(tarnex::BytesToText(bytes))), Hex(bytes)) << round;
    }
}

TEST(TextOnlyToBytes, RefusesWhatIsNotUtf8AndOtherwiseFollowsTheRule)
{
    using Bytes = std::optional<std::string>;
    EXPECT_EQ(tarnex::TextOnlyToBytes("\xE9t\xE9"), std::nullopt);
    EXPECT_EQ(tarnex::TextOnlyToBytes("\xD0\xBF \xFF"), std::nullopt);
    EXPECT_EQ(tarnex::TextOnlyToBytes("\xC3\xA9t\xC3\xA9"), Bytes("\xE9t\xE9"));
    EXPECT_EQ(tarnex::TextOnlyToBytes("\xD0\xBF"), Bytes("\xD0\xBF"));
    EXPECT_EQ(tarnex::TextOnlyToBytes(std::string("a\0b", 3)), Bytes(std::string("a\0b", 3)));
}

TEST(EncryptText, IsCfb8FromTheEncryptedZeroBlockAndDecryptsBack)
{
    for (const std::size_t n : {0u, 1u, 15u, 16u, 17u, 1000u}) {
        const std::string plain = RandomBytes(n, n);
        std::string data = plain;
        tarnex::EncryptText("pw", data);
        EXPECT_EQ(Hex(data), Hex(OracleText("pw", plain, true))) << n;
        tarnex::DecryptText("pw", data);
        EXPECT_EQ(data, plain) << n;
    }
}

} // namespace
