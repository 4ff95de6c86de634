// The compression function with the SHA extensions: four steps per
// instruction. Built with SSE4.1 and SHA for this file alone, and only called
// where the CPU has them.
#include "crypto/Tools.h"
#include "crypto/sha1/Compress.h"

#include <immintrin.h>

namespace tarnex::detail {

namespace {

// Four steps of one group: E from the state before the previous four.
template <int F>
[[gnu::always_inline]] inline void ShaNiSteps(__m128i& abcd, __m128i& previous, __m128i w) noexcept
{
    const __m128i e = _mm_sha1nexte_epu32(previous, w);
    previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e, F);
}

} // namespace

// The schedule is kept as a window of four message vectors, all in
// registers, so no part of it is ever stored; the block is scrubbed as in
// the plain version.
void Sha1CompressShaNi(Sha1Context& ctx) noexcept
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

} // namespace tarnex::detail
