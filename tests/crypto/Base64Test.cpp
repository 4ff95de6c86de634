#include "crypto/Base64.h"
#include "crypto/Tools.h"

#include "tests/support/Bytes.h"

#include <gtest/gtest.h>
#include <nettle/base64.h>

#include <string>

using namespace tarnex;
using namespace tarnex::test;

namespace {

TEST(Base64, StandardExamplesBothWays)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"A", "QQ=="},
        {"AB", "QUI="},   {"abc", "YWJj"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Base64Encode(bytes), text);
        EXPECT_EQ(Base64Decode(text), bytes);
    }
}

TEST(Base64, EveryLengthMatchesTheOracleAndRoundTrips)
{
    Random rnd(31);
    for (std::size_t len = 0; len <= 100; ++len) {
        const auto raw = rnd.Bytes(len);
        const std::string bytes(raw.begin(), raw.end());
        std::string theirs(BASE64_ENCODE_RAW_LENGTH(len), '\0');
        base64_encode_raw(theirs.data(), len, raw.data());
        const std::string ours = Base64Encode(bytes);
        ASSERT_EQ(ours, theirs) << "length " << len;
        ASSERT_EQ(Base64Decode(ours), bytes) << "length " << len;
    }
}

// The reader accepts any text of a length divisible by four; characters
// outside the alphabet count as 63, and the last group's '=' decide its size.
TEST(Base64, LenientReader)
{
    const std::pair<std::string, std::string> cases[] = {
        {"A===", "\x03"},
        {"====", "\xFF"},
        {"QQ=x", "A"},
        {"QUI=", "AB"},
        {"////", "\xFF\xFF\xFF"},
        {"\r\n \x80QQ==", "\xFF\xFF\xFF" "A"},
        {"=A==QUJD", std::string("\xFC\x0F\xFF", 3) + "ABC"},
        {"QQ\nx", std::string("A\x0F\xF1", 3)},
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(Base64Decode(text), bytes) << text;
}

TEST(Base64, ReaderRefusesOnlyLengthsNotDivisibleByFour)
{
    for (const char* text : {"Q", "QQ", "QQ=", "QUJDR", "QUJDRE", "QUJDREE"}) {
        try {
            Base64Decode(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Base64: Incorrect string format");
        }
    }
    EXPECT_EQ(Base64Decode(""), "");
}

} // namespace
