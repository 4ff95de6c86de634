// Sixteen blocks at a time without table loads: the key-dependent S-boxes are
// byte permutations done with VPERMI2B from four 256-byte tables, and the MDS
// matrix is applied with carry-less multiplications. GF2P8MULB multiplies in
// the field of the AES polynomial, not in the cipher's own field, so the
// S-box outputs are kept in an isomorphic copy of the cipher's field and one
// affine map brings the sum back. Gathers are slow on the CPUs that have these
// instructions; this path does 16 blocks in about the time the gathers take
// for four.
//
// Built with AVX-512 (F, BW, VBMI) and GFNI for this file alone, and only
// called where the CPU has them.
#include "crypto/Tools.h"
#include "crypto/twofish/Avx512Registers.h"
#include "crypto/twofish/Internal.h"
#include "crypto/twofish/Paths.h"
#include "crypto/twofish/WideCbcDecrypt.h"

namespace tarnex::detail {

namespace {

// phi: the cipher's field (modulus 0x169) onto the AES field (modulus 0x11B),
// x mapped to a root of 0x169 in the AES field. Linear over GF(2), so both
// directions are 8x8 bit matrices for GF2P8AFFINEQB.
struct Isomorphism {
    std::uint8_t forward[256];
    std::uint64_t forwardMatrix;
    std::uint64_t inverseMatrix;
};

constexpr Isomorphism BuildIsomorphism()
{
    Isomorphism iso{};
    unsigned beta = 0;
    for (unsigned b = 2; b < 256 && beta == 0; ++b) {
        unsigned pw[9] = {1};
        for (int i = 1; i <= 8; ++i)
            pw[i] = GfMul(pw[i - 1], b, 0x11B);
        if ((pw[8] ^ pw[6] ^ pw[5] ^ pw[3] ^ pw[0]) == 0)
            beta = b;
    }
    unsigned column[8] = {1};
    for (int i = 1; i < 8; ++i)
        column[i] = GfMul(column[i - 1], beta, 0x11B);
    std::uint8_t inverse[256] = {};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned f = 0;
        for (int i = 0; i < 8; ++i)
            if (v & (1u << i))
                f ^= column[i];
        iso.forward[v] = static_cast<std::uint8_t>(f);
        inverse[f] = static_cast<std::uint8_t>(v);
    }
    iso.forwardMatrix = AffineMatrix(column);
    unsigned inverseColumn[8] = {};
    for (int i = 0; i < 8; ++i)
        inverseColumn[i] = inverse[1u << i];
    iso.inverseMatrix = AffineMatrix(inverseColumn);
    return iso;
}

constexpr Isomorphism kIso = BuildIsomorphism();

// The MDS matrix of the cipher, rows by output byte.
constexpr unsigned kMds[4][4] = {
    {0x01, 0xEF, 0x5B, 0x5B},
    {0x5B, 0xEF, 0xEF, 0x01},
    {0xEF, 0x5B, 0x01, 0xEF},
    {0xEF, 0x01, 0xEF, 0x5B},
};

// Multipliers for S rotated right by 8r bits, whose byte i holds S byte (i+r) mod 4.
constexpr std::uint32_t Diagonal(int r)
{
    std::uint32_t d = 0;
    for (int i = 0; i < 4; ++i)
        d |= static_cast<std::uint32_t>(kIso.forward[kMds[i][(i + r) % 4]]) << (8 * i);
    return d;
}

// The four S-boxes as bytes: byte i of T_j that MDS column j multiplies by 1.
void ExtractSBoxes(const TwofishContext& ctx, std::uint8_t (&out)[4][256])
{
    const __m512i* t = reinterpret_cast<const __m512i*>(ctx.SBoxTables);
    for (int x = 0; x < 256; x += 8) {
        // Eight entries of each half: qword x holds T0[x] | T1[x] << 32, or T2/T3.
        const __m512i lo = _mm512_loadu_si512(t + x / 8);
        const __m512i hi = _mm512_loadu_si512(t + 32 + x / 8);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[0] + x), _mm512_cvtepi64_epi8(lo));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[1] + x), _mm512_cvtepi64_epi8(_mm512_srli_epi64(lo, 56)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[2] + x), _mm512_cvtepi64_epi8(_mm512_srli_epi64(hi, 16)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[3] + x), _mm512_cvtepi64_epi8(_mm512_srli_epi64(hi, 40)));
    }
}

struct Gfni : Avx512Registers {
    // Two groups side by side: one group's rounds are a chain of dependent
    // permutes, and the other group fills the gaps.
    static constexpr int Side = 2;

    struct Keyed {
        __m512i sbox[4][4]; // per byte position, 256 entries in four registers, in the AES-field copy
        __m512i diagonal[4];
        __m512i inverse;

        explicit Keyed(const TwofishContext& ctx) noexcept
        {
            alignas(64) std::uint8_t bytes[4][256];
            ExtractSBoxes(ctx, bytes);
            const __m512i forward = _mm512_set1_epi64(static_cast<long long>(kIso.forwardMatrix));
            for (int j = 0; j < 4; ++j)
                for (int q = 0; q < 4; ++q)
                    sbox[j][q] = _mm512_gf2p8affine_epi64_epi8(_mm512_load_si512(bytes[j] + 64 * q), forward, 0);
            SecureZero(bytes, sizeof bytes);
            for (int r = 0; r < 4; ++r)
                diagonal[r] = _mm512_set1_epi32(static_cast<int>(Diagonal(r)));
            inverse = _mm512_set1_epi64(static_cast<long long>(kIso.inverseMatrix));
        }
        ~Keyed() { SecureZero(this, sizeof *this); }
        Keyed(const Keyed&) = delete;
        Keyed& operator=(const Keyed&) = delete;
    };

    static __m512i G0(const Keyed& s, __m512i x)
    {
        const __mmask64 high = _mm512_movepi8_mask(x);
        __m512i lane[4];
#pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            const __m512i lo = _mm512_permutex2var_epi8(s.sbox[j][0], x, s.sbox[j][1]);
            const __m512i hi = _mm512_permutex2var_epi8(s.sbox[j][2], x, s.sbox[j][3]);
            lane[j] = _mm512_mask_blend_epi8(high, lo, hi);
        }
        __m512i v = _mm512_mask_blend_epi8(0x2222222222222222ull, lane[0], lane[1]);
        v = _mm512_mask_blend_epi8(0x4444444444444444ull, v, lane[2]);
        v = _mm512_mask_blend_epi8(0x8888888888888888ull, v, lane[3]);
        const __m512i m0 = _mm512_gf2p8mul_epi8(v, s.diagonal[0]);
        const __m512i m1 = _mm512_gf2p8mul_epi8(_mm512_ror_epi32(v, 8), s.diagonal[1]);
        const __m512i m2 = _mm512_gf2p8mul_epi8(_mm512_ror_epi32(v, 16), s.diagonal[2]);
        const __m512i m3 = _mm512_gf2p8mul_epi8(_mm512_ror_epi32(v, 24), s.diagonal[3]);
        const __m512i sum = _mm512_xor_si512(_mm512_ternarylogic_epi32(m0, m1, m2, 0x96), m3);
        return _mm512_gf2p8affine_epi64_epi8(sum, s.inverse, 0);
    }

    static __m512i G1(const Keyed& s, __m512i x) { return G0(s, _mm512_rol_epi32(x, 8)); }
};

} // namespace

void DecryptCbcGfni(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept
{
    WideDecryptor<Gfni>::Run(ctx, in, out, blocks);
}

} // namespace tarnex::detail
