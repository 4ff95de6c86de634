#include "crypto/SHA1.h"
#include "crypto/SHA1Paths.h"

#include "crypto/Tools.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tarnex {

namespace {

std::uint32_t LoadBigEndian(const std::uint8_t* p) noexcept
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void StoreBigEndian(std::uint8_t* p, std::uint32_t v) noexcept
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

} // namespace

void Sha1Start(Sha1Context& ctx) noexcept
{
    ctx.LenHi = 0;
    ctx.LenLo = 0;
    ctx.Index = 0;
    std::memset(ctx.Buffer, 0, sizeof ctx.Buffer);
    ctx.Hash[0] = 0x67452301;
    ctx.Hash[1] = 0xEFCDAB89;
    ctx.Hash[2] = 0x98BADCFE;
    ctx.Hash[3] = 0x10325476;
    ctx.Hash[4] = 0xC3D2E1F0;
}

void Sha1Update(Sha1Context& ctx, const void* data, std::int32_t length) noexcept
{
    if (length <= 0)
        return;
    // The bit count is a 64-bit number kept as two words.
    const std::uint64_t bits = (std::uint64_t{ctx.LenHi} << 32 | ctx.LenLo) + 8 * static_cast<std::uint64_t>(length);
    ctx.LenHi = static_cast<std::uint32_t>(bits >> 32);
    ctx.LenLo = static_cast<std::uint32_t>(bits);

    // Bytes go into Buffer in order, a block being compressed as soon as it
    // is full; copied a run at a time rather than byte by byte.
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t left = static_cast<std::size_t>(length);
    while (left > 0) {
        const std::size_t room = 64 - static_cast<std::size_t>(ctx.Index);
        const std::size_t n = left < room ? left : room;
        std::memcpy(ctx.Buffer + ctx.Index, p, n);
        ctx.Index += static_cast<std::int32_t>(n);
        p += n;
        left -= n;
        if (ctx.Index == 64) {
            ctx.Index = 0;
            Sha1Compress(ctx);
        }
    }
}

void detail::Sha1CompressPortable(Sha1Context& ctx) noexcept
{
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = LoadBigEndian(ctx.Buffer + 4 * t);
    for (int t = 16; t < 80; ++t)
        w[t] = RotateLeft32(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

    std::uint32_t a = ctx.Hash[0], b = ctx.Hash[1], c = ctx.Hash[2], d = ctx.Hash[3], e = ctx.Hash[4];
    auto step = [&](std::uint32_t f, std::uint32_t k, std::uint32_t wt) {
        const std::uint32_t t = RotateLeft32(a, 5) + f + e + wt + k;
        e = d;
        d = c;
        c = RotateLeft32(b, 30);
        b = a;
        a = t;
    };
    for (int t = 0; t < 20; ++t)
        step((b & c) | (~b & d), 0x5A827999, w[t]);
    for (int t = 20; t < 40; ++t)
        step(b ^ c ^ d, 0x6ED9EBA1, w[t]);
    for (int t = 40; t < 60; ++t)
        step((b & c) | (d & (b | c)), 0x8F1BBCDC, w[t]);
    for (int t = 60; t < 80; ++t)
        step(b ^ c ^ d, 0xCA62C1D6, w[t]);

    ctx.Hash[0] += a;
    ctx.Hash[1] += b;
    ctx.Hash[2] += c;
    ctx.Hash[3] += d;
    ctx.Hash[4] += e;

    // The schedule and the block are message-derived; leave none of it behind.
    SecureZero(w, sizeof w);
    SecureZero(ctx.Buffer, sizeof ctx.Buffer);
}

#if defined(__x86_64__)

namespace {

// Four steps of one group: E from the state before the previous four.
template <int F>
__attribute__((target("sha,sse4.1"), always_inline)) inline void ShaNiSteps(__m128i& abcd, __m128i& previous,
                                                                           __m128i w) noexcept
{
    const __m128i e = _mm_sha1nexte_epu32(previous, w);
    previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e, F);
}

} // namespace

// The same compression with the SHA extensions: four steps per instruction.
// The schedule is kept as a window of four message vectors, all in
// registers, so no part of it is ever stored; the block is scrubbed as in
// the plain version.
__attribute__((target("sha,sse4.1"))) void detail::Sha1CompressShaNi(Sha1Context& ctx) noexcept
{
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    __m128i m[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i)
        m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(ctx.Buffer + 16 * i)), byteSwap);

    const __m128i abcdStart = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(ctx.Hash)), 0x1B);
    const __m128i eStart = _mm_set_epi32(static_cast<int>(ctx.Hash[4]), 0, 0, 0);
    __m128i abcd = abcdStart, previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(eStart, m[0]), 0);
#pragma GCC unroll 19
    for (int i = 1; i < 20; ++i) {
        if (i >= 4)
            m[i & 3] = _mm_sha1msg2_epu32(
                _mm_xor_si128(_mm_sha1msg1_epu32(m[i & 3], m[(i + 1) & 3]), m[(i + 2) & 3]), m[(i + 3) & 3]);
        switch (i / 5) {
        case 0: ShaNiSteps<0>(abcd, previous, m[i & 3]); break;
        case 1: ShaNiSteps<1>(abcd, previous, m[i & 3]); break;
        case 2: ShaNiSteps<2>(abcd, previous, m[i & 3]); break;
        default: ShaNiSteps<3>(abcd, previous, m[i & 3]); break;
        }
    }
    const __m128i e = _mm_sha1nexte_epu32(previous, eStart);
    abcd = _mm_add_epi32(abcd, abcdStart);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(ctx.Hash), _mm_shuffle_epi32(abcd, 0x1B));
    ctx.Hash[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
    SecureZero(ctx.Buffer, sizeof ctx.Buffer);
}

bool detail::HasShaNi() noexcept
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sha") && __builtin_cpu_supports("sse4.1");
    }();
    return has;
}

#else

bool detail::HasShaNi() noexcept { return false; }

#endif

void Sha1Compress(Sha1Context& ctx) noexcept
{
#if defined(__x86_64__)
    if (detail::HasShaNi())
        return detail::Sha1CompressShaNi(ctx);
#endif
    detail::Sha1CompressPortable(ctx);
}

void Sha1Finish(Sha1Context& ctx, void* digest) noexcept
{
    // Every byte from Index on is already zero, so the padding is just 0x80.
    ctx.Buffer[ctx.Index] = 0x80;
    if (ctx.Index >= 56)
        Sha1Compress(ctx);
    StoreBigEndian(ctx.Buffer + 56, ctx.LenHi);
    StoreBigEndian(ctx.Buffer + 60, ctx.LenLo);
    Sha1Compress(ctx);

    auto* out = static_cast<std::uint8_t*>(digest);
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(out + 4 * i, ctx.Hash[i]);
    SecureZero(&ctx, sizeof ctx);
}

} // namespace tarnex
