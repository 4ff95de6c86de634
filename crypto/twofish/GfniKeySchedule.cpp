// The key-dependent tables of set-up, 64 bytes at a time: the q permutations
// of h are byte permutes (VPERMI2B over 128 entries, two per 256-entry table),
// the MDS products come from GF2P8AFFINEQB (multiplying by a constant of the
// cipher's field is linear over GF(2)), and byte permutes put each table
// entry's four products together.
//
// Built with AVX-512 (F, BW, VBMI) and GFNI for this file alone, and only
// called where the CPU has them.
#include "crypto/Tools.h"
#include "crypto/twofish/Internal.h"
#include "crypto/twofish/Paths.h"

// GCC 12's AVX-512 headers start some intrinsics from a deliberately
// undefined register, which its flow analysis reports as uninitialised.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

namespace tarnex::detail {

namespace {

constexpr std::uint64_t MultiplyMatrix(unsigned c)
{
    unsigned column[8] = {};
    for (int i = 0; i < 8; ++i)
        column[i] = GfMul(1u << i, c, 0x169);
    return AffineMatrix(column);
}

// The q layers of h by byte position (word 3, word 2, word 1, word 0 layers,
// then the final q): 0 for q0, 1 for q1.
constexpr int kLayer[4][5] = {{1, 1, 0, 0, 1}, {0, 1, 1, 0, 0}, {0, 0, 0, 1, 1}, {1, 0, 1, 1, 0}};

// MDS column j, byte i of the entry: 0 = 1, 1 = 0x5B, 2 = 0xEF times s_j.
constexpr int kProduct[4][4] = {{0, 1, 2, 2}, {2, 2, 1, 0}, {1, 2, 0, 2}, {1, 0, 2, 1}};

// Byte permutes that build 16 entries (64 bytes) of T_j from the products of
// 64 consecutive x: index x (into s) or 64 + x (into 0x5B * s); the bytes
// that take 0xEF * s are merged in afterwards under efMask[j], with the same
// index (VPERMB reads its low six bits).
struct Assembly {
    alignas(64) std::uint8_t index[4][4][64];
    std::uint64_t efMask[4];
};

constexpr Assembly BuildAssembly()
{
    Assembly a{};
    for (int j = 0; j < 4; ++j) {
        for (int m = 0; m < 4; ++m)
            for (int o = 0; o < 64; ++o)
                a.index[j][m][o] = static_cast<std::uint8_t>(16 * m + o / 4 + (kProduct[j][o % 4] == 1 ? 64 : 0));
        for (int o = 0; o < 64; ++o)
            if (kProduct[j][o % 4] == 2)
                a.efMask[j] |= std::uint64_t{1} << o;
    }
    return a;
}

constexpr Assembly kAssembly = BuildAssembly();

struct alignas(64) Iota {
    std::uint8_t v[256];
};

constexpr Iota BuildIota()
{
    Iota t{};
    for (int i = 0; i < 256; ++i)
        t.v[i] = static_cast<std::uint8_t>(i);
    return t;
}

constexpr Iota kIota = BuildIota();

// Dword interleave of two tables: entries 0..7, then 8..15.
alignas(64) constexpr std::uint32_t kInterleave[2][16] = {
    {0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23},
    {8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31},
};

inline __m512i Permute(const __m512i (&q)[4], __m512i x)
{
    const __m512i lo = _mm512_permutex2var_epi8(q[0], x, q[1]);
    const __m512i hi = _mm512_permutex2var_epi8(q[2], x, q[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), lo, hi);
}

} // namespace

void BuildSBoxesGfni(const std::uint32_t* sboxKey, int k, std::uint32_t* tables) noexcept
{
    __m512i q[2][4];
    for (int i = 0; i < 4; ++i) {
        q[0][i] = _mm512_load_si512(kQ.q0 + 64 * i);
        q[1][i] = _mm512_load_si512(kQ.q1 + 64 * i);
    }
    const __m512i times5B = _mm512_set1_epi64(static_cast<long long>(MultiplyMatrix(0x5B)));
    const __m512i timesEF = _mm512_set1_epi64(static_cast<long long>(MultiplyMatrix(0xEF)));
    const __m512i interleave0 = _mm512_load_si512(kInterleave[0]);
    const __m512i interleave1 = _mm512_load_si512(kInterleave[1]);

    __m512i key[4][4]; // [position][word]: that byte of the word in every lane
    for (int j = 0; j < 4; ++j)
        for (int w = 0; w < 4; ++w)
            key[j][w] = _mm512_set1_epi8(static_cast<char>(w < k ? sboxKey[w] >> (8 * j) : 0));

    for (int quarter = 0; quarter < 4; ++quarter) {
        const __m512i x0 = _mm512_load_si512(kIota.v + 64 * quarter);
        __m512i entries[4][4]; // [position][16 entries]
        for (int j = 0; j < 4; ++j) {
            __m512i x = x0;
            if (k == 4)
                x = _mm512_xor_si512(Permute(q[kLayer[j][0]], x), key[j][3]);
            if (k >= 3)
                x = _mm512_xor_si512(Permute(q[kLayer[j][1]], x), key[j][2]);
            x = _mm512_xor_si512(Permute(q[kLayer[j][2]], x), key[j][1]);
            x = _mm512_xor_si512(Permute(q[kLayer[j][3]], x), key[j][0]);
            const __m512i s = Permute(q[kLayer[j][4]], x);
            const __m512i s5B = _mm512_gf2p8affine_epi64_epi8(s, times5B, 0);
            const __m512i sEF = _mm512_gf2p8affine_epi64_epi8(s, timesEF, 0);
            for (int m = 0; m < 4; ++m) {
                const __m512i index = _mm512_load_si512(kAssembly.index[j][m]);
                const __m512i v = _mm512_permutex2var_epi8(s, index, s5B);
                entries[j][m] = _mm512_mask_permutexvar_epi8(v, kAssembly.efMask[j], index, sEF);
            }
        }
        for (int half = 0; half < 2; ++half) {
            for (int m = 0; m < 4; ++m) {
                std::uint32_t* out = tables + 512 * half + 2 * (64 * quarter + 16 * m);
                const __m512i a = entries[2 * half][m], b = entries[2 * half + 1][m];
                _mm512_storeu_si512(out, _mm512_permutex2var_epi32(a, interleave0, b));
                _mm512_storeu_si512(out + 16, _mm512_permutex2var_epi32(a, interleave1, b));
            }
        }
    }
    SecureZero(key, sizeof key);
}

} // namespace tarnex::detail
