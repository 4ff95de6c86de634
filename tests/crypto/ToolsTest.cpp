#include "crypto/Tools.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace tarnex;

namespace {

TEST(Tools, XorBuffersWorksInPlaceAndIgnoresEmptyCounts)
{
    std::uint8_t a[5] = {1, 2, 3, 4, 5};
    const std::uint8_t b[5] = {0xFF, 0x0F, 0xF0, 0x00, 0x55};
    XorBuffers(a, b, a, 5);
    const std::uint8_t want[5] = {0xFE, 0x0D, 0xF3, 0x04, 0x50};
    EXPECT_EQ(std::memcmp(a, want, 5), 0);

    for (std::int32_t count : {0, -1, INT_MIN}) {
        XorBuffers(b, b, a, count);
        EXPECT_EQ(std::memcmp(a, want, 5), 0) << count;
    }
}

TEST(Tools, RotationsTakeTheCountModulo32)
{
    struct Case {
        std::uint32_t x;
        unsigned n;
        std::uint32_t left, right;
    };
    const Case cases[] = {
        {0x80000001u, 1, 0x00000003u, 0xC0000000u},
        {0x12345678u, 8, 0x34567812u, 0x78123456u},
        {0x12345678u, 0, 0x12345678u, 0x12345678u},
        {0x12345678u, 32, 0x12345678u, 0x12345678u},
        {0x80000001u, 33, 0x00000003u, 0xC0000000u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RotateLeft32(c.x, c.n), c.left) << c.n;
        EXPECT_EQ(RotateRight32(c.x, c.n), c.right) << c.n;
    }
}

TEST(Tools, SecureZeroClears)
{
    std::uint8_t secret[33];
    std::memset(secret, 0xAB, sizeof secret);
    SecureZero(secret, sizeof secret);
    const std::uint8_t zero[33] = {};
    EXPECT_EQ(std::memcmp(secret, zero, sizeof secret), 0);
}

} // namespace
