#include "engine/Key.h"
#include "engine/Text.h"
#include "tests/engine/Support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

using namespace testing_support;

namespace {

std::string Bytes(const tarnex::Key& key)
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
    EXPECT_EQ(Hex(Bytes(tarnex::DeriveKey(""))), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Hex(Bytes(tarnex::DeriveKey("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
    // No trimming, no change of case, no terminator: each of these is its own key.
    const std::string_view texts[] = {"Secret", "secret", " secret", "secret ", std::string_view("s\0x", 3)};
    for (const std::string_view text : texts)
        EXPECT_EQ(Bytes(tarnex::DeriveKey(text)), NettleSha1(text)) << text;
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

TEST(BytesToText, ShowsValidUtf8AsItIsElseReadsWindows1252)
{
    const TextCase cases[] = {
        {"ascii", "plain text\r\n", "plain text\r\n"},
        {"valid UTF-8", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"},
        {"1252 letters", "\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},
        {"1252 0x80 row", "\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8", "\x80\x93\x9F"},
        {"undefined bytes", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "\x81\x8D\x8F\x90\x9D"},
        {"overlong is not UTF-8", "\xC3\x80\xC2\xAF", "\xC0\xAF"},
        {"surrogate is not UTF-8", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", "\xED\xA0\x80"},
        {"truncated sequence", "a\xC3\x83", "a\xC3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(tarnex::BytesToText(c.bytes)), Hex(c.text)) << c.name;
}

TEST(TextBytes, EveryByteStringSurvivesTheWayBackAndForth)
{
    // Decrypted bytes shown as text and encrypted again give the same bytes
    // whenever they were not valid UTF-8.
    for (int b = 0x80; b < 0x100; ++b) {
        const std::string bytes{'x', static_cast<char>(b)};
        EXPECT_EQ(Hex(tarnex::TextToBytes(tarnex::BytesToText(bytes))), Hex(bytes)) << b;
    }
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
