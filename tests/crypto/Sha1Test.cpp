#include "crypto/SHA1.h"
#include "crypto/sha1/Compress.h"

#include "tests/support/Bytes.h"

#include <gtest/gtest.h>
#include <nettle/sha1.h>

#include <cstdint>
#include <cstring>
#include <string>

using namespace tarnex;
using namespace tarnex::test;

namespace {

std::string Digest(const std::string& message)
{
    Sha1Context ctx;
    Sha1Start(ctx);
    Sha1Update(ctx, message.data(), static_cast<std::int32_t>(message.size()));
    std::uint8_t out[20];
    Sha1Finish(ctx, out);
    return Hex(out, 20);
}

TEST(Sha1, StandardExamples)
{
    EXPECT_EQ(Digest(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Digest("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    // 56 bytes: the 0x80 byte lands at position 56 and the length needs a block of its own.
    EXPECT_EQ(Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
}

TEST(Sha1, OneMillionLettersInPieces)
{
    const std::string chunk(1000, 'a');
    Random rnd(21);
    Sha1Context ctx;
    Sha1Start(ctx);
    std::size_t left = 1000000;
    while (left > 0) {
        const std::size_t piece = std::min(rnd.Between(0, 1000), left);
        Sha1Update(ctx, chunk.data(), static_cast<std::int32_t>(piece));
        left -= piece;
    }
    std::uint8_t out[20];
    Sha1Finish(ctx, out);
    EXPECT_EQ(Hex(out, 20), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

// Every length through five blocks covers the 55/56 and 63/64 boundaries.
TEST(Sha1, EveryLengthInRandomPiecesMatchesTheOracle)
{
    Random rnd(22);
    for (std::size_t len = 0; len <= 300; ++len) {
        const auto message = rnd.Bytes(len);
        Sha1Context ctx;
        Sha1Start(ctx);
        std::size_t at = 0;
        while (at < len) {
            const std::size_t piece = std::min(rnd.Between(0, 70), len - at);
            Sha1Update(ctx, message.data() + at, static_cast<std::int32_t>(piece));
            at += piece;
        }
        std::uint8_t ours[20], theirs[20];
        Sha1Finish(ctx, ours);

        sha1_ctx ref;
        sha1_init(&ref);
        sha1_update(&ref, len, message.data());
        sha1_digest(&ref, 20, theirs);
        ASSERT_EQ(Hex(ours, 20), Hex(theirs, 20)) << "length " << len;
    }
}

// Every implementation of the compression function gives the plain one's
// chaining values and leaves the block zeroed.
TEST(Sha1, EveryCompressionMatchesThePlainOne)
{
    Random rnd(23);
    const auto paths = detail::Sha1CompressPaths();
    for (const auto& path : paths) {
        if (!detail::CanRun(path, detail::CpuFeatures()))
            continue;
        for (int round = 0; round < 200; ++round) {
            Sha1Context ours, plain;
            const auto raw = rnd.Bytes(sizeof ours);
            std::memcpy(&ours, raw.data(), sizeof ours);
            plain = ours;
            path.Run(ours);
            paths.back().Run(plain);
            ASSERT_EQ(std::memcmp(&ours, &plain, sizeof ours), 0) << path.Name << ", round " << round;
            const std::uint8_t zero[64] = {};
            ASSERT_EQ(std::memcmp(ours.Buffer, zero, 64), 0) << path.Name;
        }
    }
}

TEST(Sha1, EachCpuGetsTheBestCompressionItCanRun)
{
    using namespace detail;
    const struct {
        Features cpu;
        const char* name;
    } cases[] = {
        {kPlain, "portable"},
#if defined(__x86_64__)
        {kSha, "portable"}, // its byte swaps and word extraction are SSSE3 and SSE4.1
        {kSha | kSse41, "sha extensions"},
#endif
    };
    for (const auto& c : cases)
        EXPECT_STREQ(Best(Sha1CompressPaths(), c.cpu).Name, c.name) << c.cpu;
}

TEST(Sha1, FinishLeavesNothingBehind)
{
    for (std::size_t len : {0, 3, 55, 56, 64, 100}) {
        Sha1Context ctx;
        Sha1Start(ctx);
        const std::string message(len, 'k');
        Sha1Update(ctx, message.data(), static_cast<std::int32_t>(len));
        std::uint8_t out[20];
        Sha1Finish(ctx, out);
        const Sha1Context zero{};
        EXPECT_EQ(std::memcmp(&ctx, &zero, sizeof ctx), 0) << len;
    }
}

TEST(Sha1, EmptyOrNegativeLengthAbsorbsNothing)
{
    Sha1Context ctx;
    Sha1Start(ctx);
    Sha1Update(ctx, "abc", 3);
    const Sha1Context before = ctx;
    for (std::int32_t length : {0, -1, -64, INT32_MIN})
        Sha1Update(ctx, "xyz", length);
    EXPECT_EQ(std::memcmp(&ctx, &before, sizeof ctx), 0);
}

TEST(Sha1, CompressedBlockIsScrubbedAtOnce)
{
    Sha1Context ctx;
    Sha1Start(ctx);
    const std::string block(64, 'p');
    Sha1Update(ctx, block.data(), 64);
    const std::uint8_t zero[64] = {};
    EXPECT_EQ(ctx.Index, 0);
    EXPECT_EQ(std::memcmp(ctx.Buffer, zero, 64), 0);
}

TEST(Sha1, BitCountCarriesOnlyWhenTheLowWordWraps)
{
    struct Case {
        std::uint32_t lo;
        std::int32_t bytes;
        std::uint32_t wantHi, wantLo;
    };
    const Case cases[] = {
        {0xFFFFFFF0u, 1, 0, 0xFFFFFFF8u},
        {0xFFFFFFF8u, 1, 1, 0},
        {0xFFFFFFF8u, 3, 1, 0x10},
        {0xFFFFFF00u, 40, 1, 0x40},
    };
    const std::string data(64, 'x');
    for (const auto& c : cases) {
        Sha1Context ctx;
        Sha1Start(ctx);
        ctx.LenHi = 0;
        ctx.LenLo = c.lo;
        Sha1Update(ctx, data.data(), c.bytes);
        EXPECT_EQ(ctx.LenHi, c.wantHi) << c.lo;
        EXPECT_EQ(ctx.LenLo, c.wantLo) << c.lo;
    }
}

} // namespace
