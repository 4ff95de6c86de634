#include "crypto/Tools.h"
#include "crypto/Twofish.h"
#include "crypto/twofish/Internal.h"
#include "crypto/twofish/Paths.h"

#include "tests/support/Bytes.h"
#include "tests/support/Oracle.h"

#include <gtest/gtest.h>
#include <nettle/twofish.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <vector>

using namespace tarnex;
using namespace tarnex::test;

namespace {

bool SameBytes(const TwofishContext& a, const TwofishContext& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Twofish, PublishedKnownAnswers)
{
    struct Case {
        std::string key, cipher;
    };
    const Case cases[] = {
        {std::string(32, '0'), "9f589f5cf6122c32b6bfec2f2ae8c35a"},
        {"0123456789ABCDEFFEDCBA98765432100011223344556677", "cfd1d2e5a9be9cdf501f13b892bd2248"},
        {"0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF", "37527be0052334b89f0cfccae87cfa20"},
    };
    for (const auto& c : cases) {
        const Bytes key = FromHex(c.key);
        TwofishContext ctx;
        TwofishSetup(ctx, key.data(), static_cast<std::int32_t>(key.size()), nullptr);
        EXPECT_EQ(ctx.KeyBits, static_cast<std::int32_t>(key.size() * 8));
        std::uint8_t block[16] = {};
        TwofishEncryptBlock(ctx, block, block);
        EXPECT_EQ(Hex(block, 16), c.cipher) << "key " << c.key;
        TwofishDecryptBlock(ctx, block, block);
        EXPECT_EQ(Hex(block, 16), std::string(32, '0')) << "key " << c.key;
    }
}

TEST(Twofish, FixedTablesAreTheMdsColumnsOfTheFinalPermutation)
{
    // Spot values: q1[0] = 0x75 through column 0 (01 5B EF EF), q0[0] = 0xA9
    // through column 3 (5B 01 EF 5B).
    EXPECT_EQ(MdsTables[0][0] & 0xFF, 0x75u);
    EXPECT_EQ((MdsTables[3][0] >> 8) & 0xFF, 0xA9u);
    EXPECT_EQ(MdsTables[1][0] >> 24, 0xA9u);
    EXPECT_EQ((MdsTables[2][0] >> 16) & 0xFF, 0x75u);
}

// Through the public operations and through every block implementation this
// CPU can run.
TEST(Twofish, EveryKeyLengthMatchesTheOracle)
{
    using Op = std::function<void(const TwofishContext&, const void*, void*)>;
    std::vector<std::pair<std::string, Op>> encrypt = {{"public", TwofishEncryptBlock}},
                                            decrypt = {{"public", TwofishDecryptBlock}};
    for (auto [paths, ops] : {std::pair{detail::EncryptBlockPaths(), &encrypt},
                              std::pair{detail::DecryptBlockPaths(), &decrypt}})
        for (const auto& path : paths)
            if (detail::CanRun(path, detail::CpuFeatures()))
                ops->emplace_back(path.Name, path.Run);

    Random rnd(11);
    for (int len = 1; len <= 32; ++len) {
        const Bytes key = rnd.Bytes(static_cast<std::size_t>(len));
        TwofishContext ctx;
        TwofishSetup(ctx, key.data(), len, nullptr);
        EXPECT_EQ(ctx.KeyBits, len <= 16 ? 128 : len <= 24 ? 192 : 256) << len;

        twofish_ctx ref;
        twofish_set_key(&ref, key.size(), key.data());
        const Bytes plain = rnd.Bytes(64);
        Bytes theirs(64);
        for (std::size_t i = 0; i < 64; i += 16)
            twofish_encrypt(&ref, 16, theirs.data() + i, plain.data() + i);
        for (const auto& [name, op] : encrypt) {
            Bytes ours(64);
            for (std::size_t i = 0; i < 64; i += 16)
                op(ctx, plain.data() + i, ours.data() + i);
            EXPECT_EQ(ours, theirs) << name << ", key length " << len;
        }
        for (const auto& [name, op] : decrypt) {
            Bytes back(64);
            for (std::size_t i = 0; i < 64; i += 16)
                op(ctx, theirs.data() + i, back.data() + i);
            EXPECT_EQ(back, plain) << name << ", key length " << len;
        }
    }
}

// Every implementation of full keying builds the same tables as the plain one.
TEST(Twofish, EverySBoxBuilderMatchesThePlainOne)
{
    Random rnd(20);
    const auto paths = detail::SBoxPaths();
    for (const auto& path : paths) {
        if (!detail::CanRun(path, detail::CpuFeatures()))
            continue;
        for (int k = 2; k <= 4; ++k) {
            for (int round = 0; round < 20; ++round) {
                std::uint32_t words[4];
                const Bytes raw = rnd.Bytes(16);
                std::memcpy(words, raw.data(), 16);
                std::vector<std::uint32_t> ours(1024, 0xDEADBEEF), plain(1024);
                path.Run(words, k, ours.data());
                paths.back().Run(words, k, plain.data());
                ASSERT_EQ(ours, plain) << path.Name << ", " << 64 * k << "-bit";
            }
        }
    }
}

TEST(Twofish, ShortKeyEqualsTheZeroPaddedStandardKey)
{
    Random rnd(12);
    const Bytes key20 = rnd.Bytes(20);
    Bytes key24 = key20;
    key24.resize(24, 0);
    TwofishContext a, b;
    std::memset(&a, 0x5A, sizeof a);
    std::memset(&b, 0x5A, sizeof b);
    TwofishSetup(a, key20.data(), 20, nullptr);
    TwofishSetup(b, key24.data(), 24, nullptr);
    EXPECT_TRUE(SameBytes(a, b));
}

TEST(Twofish, BadKeyLengthThrowsAndLeavesTheContextAlone)
{
    const std::uint8_t key[40] = {1, 2, 3};
    for (std::int32_t len : {0, -1, 33, INT_MIN, INT_MAX}) {
        TwofishContext ctx, before;
        std::memset(&ctx, 0xA5, sizeof ctx);
        before = ctx;
        try {
            TwofishSetup(ctx, key, len, key);
            ADD_FAILURE() << "no error for length " << len;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Key length must be between 1 and 32 bytes");
        }
        EXPECT_TRUE(SameBytes(ctx, before)) << "length " << len;
    }
}

TEST(Twofish, SetupStoresTheIvAndRestartReturnsToIt)
{
    const std::uint8_t key[20] = {9};
    std::uint8_t iv[16];
    for (int i = 0; i < 16; ++i)
        iv[i] = static_cast<std::uint8_t>(0xF0 + i);
    const std::uint8_t zero[16] = {};

    TwofishContext ctx;
    std::memset(&ctx, 0xFF, sizeof ctx);
    TwofishSetup(ctx, key, 20, nullptr);
    EXPECT_EQ(std::memcmp(ctx.InitVector, zero, 16), 0);
    EXPECT_EQ(std::memcmp(ctx.ChainBlock, zero, 16), 0);

    TwofishSetup(ctx, key, 20, iv);
    EXPECT_EQ(std::memcmp(ctx.InitVector, iv, 16), 0);
    EXPECT_EQ(std::memcmp(ctx.ChainBlock, iv, 16), 0);

    std::uint8_t block[16] = {};
    TwofishEncryptCbc(ctx, block, block);
    EXPECT_NE(std::memcmp(ctx.ChainBlock, iv, 16), 0);
    TwofishRestart(ctx);
    EXPECT_EQ(std::memcmp(ctx.ChainBlock, iv, 16), 0);
}

TEST(Twofish, SetupAgainWithoutWipeEqualsAFreshSetup)
{
    Random rnd(13);
    for (int len : {16, 20, 32}) {
        for (int previous : {1, 20, 32}) {
            const Bytes first = rnd.Bytes(static_cast<std::size_t>(previous));
            const Bytes key = rnd.Bytes(static_cast<std::size_t>(len));
            TwofishContext reused, fresh;
            std::memset(&fresh, 0, sizeof fresh);
            TwofishSetup(reused, first.data(), previous, nullptr);
            Bytes junk = rnd.Bytes(48);
            TwofishEncryptCbcBlocks(reused, junk.data(), 3);
            TwofishSetup(reused, key.data(), len, nullptr);
            TwofishSetup(fresh, key.data(), len, nullptr);

            // Entries of SBoxKey beyond the key's word count are never read.
            EXPECT_EQ(reused.KeyBits, fresh.KeyBits);
            EXPECT_EQ(std::memcmp(reused.SubKeys, fresh.SubKeys, sizeof fresh.SubKeys), 0);
            EXPECT_EQ(std::memcmp(reused.SBoxTables, fresh.SBoxTables, sizeof fresh.SBoxTables), 0);
            EXPECT_EQ(std::memcmp(reused.InitVector, fresh.InitVector, 16), 0);
            EXPECT_EQ(std::memcmp(reused.ChainBlock, fresh.ChainBlock, 16), 0);
            Bytes a = rnd.Bytes(64), b = a;
            TwofishEncryptCbcBlocks(reused, a.data(), 4);
            TwofishEncryptCbcBlocks(fresh, b.data(), 4);
            EXPECT_EQ(a, b) << len << " after " << previous;
        }
    }
}

TEST(Twofish, WipeZeroesTheWholeRecord)
{
    const std::uint8_t key[32] = {7, 7, 7};
    TwofishContext ctx;
    TwofishSetup(ctx, key, 32, key);
    TwofishWipe(ctx);
    TwofishContext zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_TRUE(SameBytes(ctx, zero));
}

// Every operation must give the same bytes whether it writes over its input
// or into a separate buffer, and must read all of a block before writing.
TEST(Twofish, InPlaceEqualsSeparateBuffers)
{
    Random rnd(14);
    const Bytes key = rnd.Bytes(20), iv = rnd.Bytes(16), plain = rnd.Bytes(80);
    TwofishContext ctx;
    TwofishSetup(ctx, key.data(), 20, iv.data());

    auto run = [&](auto op, bool inPlace) {
        TwofishRestart(ctx);
        Bytes in = plain, out(plain.size(), 0xEE);
        std::uint8_t* dst = inPlace ? in.data() : out.data();
        op(in.data(), dst);
        return Bytes(dst, dst + plain.size());
    };
    auto blocks = [&](auto one) {
        return [&ctx, one](const std::uint8_t* in, std::uint8_t* out) {
            for (std::size_t i = 0; i < 80; i += 16)
                one(ctx, in + i, out + i);
        };
    };
    const auto encBlock = blocks([](TwofishContext& c, const void* i, void* o) { TwofishEncryptBlock(c, i, o); });
    const auto decBlock = blocks([](TwofishContext& c, const void* i, void* o) { TwofishDecryptBlock(c, i, o); });
    const auto encCbc = blocks(TwofishEncryptCbc);
    const auto decCbc = blocks(TwofishDecryptCbc);
    auto encCfb = [&](const std::uint8_t* in, std::uint8_t* out) { TwofishEncryptCfb8(ctx, in, out, 80); };
    auto decCfb = [&](const std::uint8_t* in, std::uint8_t* out) { TwofishDecryptCfb8(ctx, in, out, 80); };

    EXPECT_EQ(run(encBlock, true), run(encBlock, false));
    EXPECT_EQ(run(decBlock, true), run(decBlock, false));
    EXPECT_EQ(run(encCbc, true), run(encCbc, false));
    EXPECT_EQ(run(decCbc, true), run(decCbc, false));
    EXPECT_EQ(run(encCfb, true), run(encCfb, false));
    EXPECT_EQ(run(decCfb, true), run(decCfb, false));
}

TEST(Twofish, CbcSequencesMatchTheOracleInPlace)
{
    Random rnd(15);
    for (int round = 0; round < 50; ++round) {
        const std::size_t len = 1 + rnd.Between(0, 31);
        const Bytes key = rnd.Bytes(len), iv = rnd.Bytes(16);
        const std::size_t n = 16 * rnd.Between(1, 20);
        const Bytes plain = rnd.Bytes(n);
        TwofishContext ctx;
        TwofishSetup(ctx, key.data(), static_cast<std::int32_t>(len), iv.data());
        NettleTwofish ref(key, iv.data());

        Bytes ours = plain, theirs = plain;
        for (std::size_t i = 0; i < n; i += 16)
            TwofishEncryptCbc(ctx, ours.data() + i, ours.data() + i);
        ref.CbcEncrypt(theirs.data(), n);
        ASSERT_EQ(ours, theirs) << "round " << round;
        EXPECT_EQ(std::memcmp(ctx.ChainBlock, ref.Chain(), 16), 0);

        TwofishRestart(ctx);
        for (std::size_t i = 0; i < n; i += 16)
            TwofishDecryptCbc(ctx, ours.data() + i, ours.data() + i);
        EXPECT_EQ(ours, plain) << "round " << round;
    }
}

// Through the public operations and through every implementation behind them.
TEST(Twofish, Cfb8AtRandomSplitPointsMatchesTheOracle)
{
    using Op = std::function<void(TwofishContext&, std::uint8_t*, std::int32_t, bool)>;
    std::vector<std::pair<std::string, Op>> ops = {
        {"public", [](TwofishContext& c, std::uint8_t* p, std::int32_t n, bool decrypt) {
             decrypt ? TwofishDecryptCfb8(c, p, p, n) : TwofishEncryptCfb8(c, p, p, n);
         }}};
    for (const auto& path : detail::Cfb8Paths())
        if (detail::CanRun(path, detail::CpuFeatures()))
            ops.emplace_back(path.Name, [&path](TwofishContext& c, std::uint8_t* p, std::int32_t n, bool decrypt) {
                path.Run(c, p, p, n, decrypt);
            });

    Random rnd(16);
    for (const auto& [name, op] : ops) {
        for (int round = 0; round < 40; ++round) {
            const Bytes key = rnd.Bytes(20), iv = rnd.Bytes(16);
            const Bytes plain = rnd.Bytes(rnd.Between(0, 200));
            TwofishContext ctx;
            TwofishSetup(ctx, key.data(), 20, iv.data());
            NettleTwofish ref(key, iv.data());

            // Pieces of random length, zero-length ones included.
            auto inPieces = [&](Bytes data, bool decrypt) {
                std::size_t at = 0;
                while (at < data.size()) {
                    const std::size_t piece = std::min(rnd.Between(0, 40), data.size() - at);
                    op(ctx, data.data() + at, static_cast<std::int32_t>(piece), decrypt);
                    at += piece;
                }
                return data;
            };
            const Bytes ours = inPieces(plain, false);
            Bytes theirs = plain;
            ref.Cfb8Encrypt(theirs.data(), theirs.size());
            ASSERT_EQ(ours, theirs) << name << ", round " << round;
            EXPECT_EQ(std::memcmp(ctx.ChainBlock, ref.Chain(), 16), 0) << name;

            TwofishRestart(ctx);
            EXPECT_EQ(inPieces(ours, true), plain) << name << ", round " << round;
        }
    }
}

TEST(Twofish, Cfb8WithNoBytesTouchesNothing)
{
    const std::uint8_t key[20] = {3};
    TwofishContext ctx;
    TwofishSetup(ctx, key, 20, key);
    const TwofishContext before = ctx;
    std::uint8_t in[4] = {1, 2, 3, 4}, out[4] = {9, 9, 9, 9};
    for (std::int32_t count : {0, -1, INT_MIN}) {
        TwofishEncryptCfb8(ctx, in, out, count);
        TwofishDecryptCfb8(ctx, in, out, count);
    }
    EXPECT_TRUE(SameBytes(ctx, before));
    EXPECT_EQ(out[0] + out[1] + out[2] + out[3], 36);
}

// The bulk operations, from every entry of their tables that this CPU can
// run (with the entries after it taking what is left), against the one-block
// operations and the oracle: every block count around the paths' group sizes,
// buffers at odd addresses, and a chain that continues across calls.
struct CbcCase {
    bool encrypt;
    std::size_t index; // into the direction's table
};

std::span<const detail::Path<detail::CbcFn>> CbcPaths(bool encrypt)
{
    return encrypt ? detail::CbcEncryptPaths() : detail::CbcDecryptPaths();
}

std::vector<CbcCase> CbcCases()
{
    std::vector<CbcCase> cases;
    for (bool encrypt : {true, false})
        for (std::size_t i = 0; i < CbcPaths(encrypt).size(); ++i)
            cases.push_back({encrypt, i});
    return cases;
}

std::string CbcCaseName(const testing::TestParamInfo<CbcCase>& info)
{
    std::string name = std::string(info.param.encrypt ? "Encrypt_" : "Decrypt_") +
                       CbcPaths(info.param.encrypt)[info.param.index].Name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

std::vector<std::size_t> BlockCounts()
{
    std::vector<std::size_t> counts;
    for (std::size_t n = 0; n <= 80; ++n)
        counts.push_back(n);
    for (std::size_t n : {127, 128, 129, 255, 256, 257, 511, 512, 513, 4096})
        counts.push_back(n);
    return counts;
}

class CbcPath : public testing::TestWithParam<CbcCase> {};

TEST_P(CbcPath, MatchesTheOneBlockOperationsAndTheOracle)
{
    const bool encrypt = GetParam().encrypt;
    const auto paths = CbcPaths(encrypt).subspan(GetParam().index);
    const detail::Features cpu = detail::CpuFeatures();
    if (!detail::CanRun(paths.front(), cpu))
        GTEST_SKIP() << paths.front().Name << " needs instructions this CPU lacks";
    Random rnd(encrypt ? 17 : 18);
    for (std::size_t n : BlockCounts()) {
        for (std::size_t misalign : {0, 1, 4, 8}) {
            for (bool inPlace : {true, false}) {
                const Bytes key = rnd.Bytes(20), iv = rnd.Bytes(16);
                const Bytes plain = rnd.Bytes(16 * n + 32);
                TwofishContext bulk{}, single{};
                TwofishSetup(bulk, key.data(), 20, iv.data());
                TwofishSetup(single, key.data(), 20, iv.data());
                NettleTwofish ref(key, iv.data());

                // Two calls, so that the chain carried in the context is tested too.
                Bytes storage(16 * n + 32 + misalign), output(storage.size(), 0xEE);
                std::uint8_t* in = storage.data() + misalign;
                std::uint8_t* out = inPlace ? in : output.data() + misalign;
                std::memcpy(in, plain.data(), plain.size());
                detail::RunCbc(paths, cpu, bulk, in, out, n);
                detail::RunCbc(paths, cpu, bulk, in + 16 * n, out + 16 * n, 2);
                if (!inPlace) {
                    ASSERT_EQ(Bytes(in, in + plain.size()), plain) << "input changed";
                }

                Bytes expected = plain;
                for (std::size_t i = 0; i < n + 2; ++i) {
                    std::uint8_t* b = expected.data() + 16 * i;
                    encrypt ? TwofishEncryptCbc(single, b, b) : TwofishDecryptCbc(single, b, b);
                }
                Bytes theirs = plain;
                encrypt ? ref.CbcEncrypt(theirs.data(), theirs.size()) : ref.CbcDecrypt(theirs.data(), theirs.size());

                ASSERT_EQ(Bytes(out, out + plain.size()), expected) << n << " blocks";
                ASSERT_EQ(expected, theirs) << n << " blocks";
                ASSERT_TRUE(SameBytes(bulk, single)) << n << " blocks";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Twofish, CbcPath, testing::ValuesIn(CbcCases()), CbcCaseName);

// Which code each operation runs on CPUs other than this one: the tables'
// order and what each entry needs decide it, and a wrong one either wastes
// the CPU's instructions or runs instructions it lacks.
TEST(Twofish, EachCpuGetsTheBestPathItCanRun)
{
    using namespace detail;
    constexpr Features avx512 = kBmi | kAvx2 | kAvx512F;
    constexpr Features gfni = avx512 | kAvx512Bw | kAvx512Vbmi | kGfni;
    struct Case {
        Features cpu;
        const char *single, *decryptFirst, *sboxes;
    };
    const Case cases[] = {
        {kPlain, "portable", "portable x4", "portable"},
        {kBmi, "x86 bmi", "x86 bmi", "portable"},
        {kBmi | kAvx2, "x86 bmi", "avx2 x8", "portable"},
        {avx512, "x86 bmi", "avx512 x16", "portable"},
        {gfni, "x86 bmi", "avx512 gfni x16", "avx512 gfni"},
        // GFNI without AVX-512 (some small cores) must not take the AVX-512 paths.
        {kBmi | kAvx2 | kGfni, "x86 bmi", "avx2 x8", "portable"},
    };
    auto first = [](auto paths, Features cpu) {
        for (const auto& path : paths)
            if (CanRun(path, cpu))
                return std::string(path.Name);
        return std::string("none");
    };
    for (const auto& c : cases) {
#if !defined(__x86_64__)
        if (c.cpu != kPlain)
            continue;
#endif
        for (auto paths : {EncryptBlockPaths(), DecryptBlockPaths()})
            EXPECT_STREQ(Best(paths, c.cpu).Name, c.single) << c.cpu;
        for (auto paths : {CbcEncryptPaths(), CbcDecryptPaths()})
            EXPECT_STREQ(Best(paths, c.cpu).Name, c.single) << c.cpu;
        EXPECT_STREQ(Best(Cfb8Paths(), c.cpu).Name, c.single) << c.cpu;
        EXPECT_EQ(first(CbcDecryptPaths(), c.cpu), c.decryptFirst) << c.cpu;
        EXPECT_EQ(first(CbcEncryptPaths(), c.cpu), c.single) << c.cpu;
        EXPECT_STREQ(Best(SBoxPaths(), c.cpu).Name, c.sboxes) << c.cpu;
    }
}

TEST(Twofish, SelectedBulkOperationsEqualTheOneBlockPath)
{
    Random rnd(19);
    for (std::size_t n : {0, 1, 15, 16, 17, 33, 512}) {
        const Bytes key = rnd.Bytes(20), iv = rnd.Bytes(16), plain = rnd.Bytes(16 * n);
        TwofishContext bulk, single;
        TwofishSetup(bulk, key.data(), 20, iv.data());
        TwofishSetup(single, key.data(), 20, iv.data());
        Bytes a = plain, b = plain;
        TwofishEncryptCbcBlocks(bulk, a.data(), n);
        for (std::size_t i = 0; i < n; ++i)
            TwofishEncryptCbc(single, b.data() + 16 * i, b.data() + 16 * i);
        EXPECT_EQ(a, b) << n;
        TwofishRestart(bulk);
        TwofishDecryptCbcBlocks(bulk, a.data(), n);
        EXPECT_EQ(a, plain) << n;
        EXPECT_EQ(std::memcmp(bulk.ChainBlock, n ? b.data() + 16 * (n - 1) : iv.data(), 16), 0);
    }
}

} // namespace
