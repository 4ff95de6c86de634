// Pieces of the cipher shared between its translation units.
#pragma once

#include "crypto/Twofish.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace tarnex::detail {

inline std::uint32_t LoadLittleEndian(const void* p) noexcept
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    return v;
}

inline void StoreLittleEndian(void* p, std::uint32_t v) noexcept
{
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

// The two fixed 8-bit permutations, derived at compile time from the 4-bit
// t-tables of the cipher's definition rather than typed in as 512 bytes.
struct alignas(64) QPair {
    std::uint8_t q0[256];
    std::uint8_t q1[256];
};

inline constexpr std::uint8_t kT[2][4][16] = {
    {{0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
     {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
     {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
     {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}},
    {{0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
     {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
     {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
     {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}},
};

constexpr std::uint8_t QPermute(const std::uint8_t (&t)[4][16], unsigned x)
{
    auto ror4 = [](unsigned v) { return ((v >> 1) | (v << 3)) & 0xF; };
    unsigned a = x >> 4, b = x & 0xF;
    unsigned a1 = a ^ b, b1 = (a ^ ror4(b) ^ (8 * a)) & 0xF;
    unsigned a2 = t[0][a1], b2 = t[1][b1];
    unsigned a3 = a2 ^ b2, b3 = (a2 ^ ror4(b2) ^ (8 * a2)) & 0xF;
    unsigned a4 = t[2][a3], b4 = t[3][b3];
    return static_cast<std::uint8_t>((b4 << 4) | a4);
}

constexpr QPair BuildQ()
{
    QPair q{};
    for (unsigned x = 0; x < 256; ++x) {
        q.q0[x] = QPermute(kT[0], x);
        q.q1[x] = QPermute(kT[1], x);
    }
    return q;
}

inline constexpr QPair kQ = BuildQ();
static_assert(kQ.q0[0] == 0xA9 && kQ.q0[1] == 0x67 && kQ.q0[2] == 0xB3 && kQ.q0[3] == 0xE8);
static_assert(kQ.q1[0] == 0x75 && kQ.q1[1] == 0xF3 && kQ.q1[2] == 0xC6 && kQ.q1[3] == 0xF4);

// Multiplication in GF(2^8) modulo poly.
constexpr unsigned GfMul(unsigned a, unsigned b, unsigned poly)
{
    unsigned r = 0;
    for (int i = 0; i < 8; ++i) {
        if (b & 1)
            r ^= a;
        b >>= 1;
        a <<= 1;
        if (a & 0x100)
            a ^= poly;
    }
    return r;
}

// The operand of GF2P8AFFINEQB for the GF(2)-linear map that sends bit i to
// column[i]: row k (output bit k) sits in byte 7 - k.
constexpr std::uint64_t AffineMatrix(const unsigned (&column)[8])
{
    std::uint64_t m = 0;
    for (int k = 0; k < 8; ++k) {
        std::uint64_t row = 0;
        for (int i = 0; i < 8; ++i)
            row |= static_cast<std::uint64_t>((column[i] >> k) & 1) << i;
        m |= row << (8 * (7 - k));
    }
    return m;
}

// The key-dependent tables from the S-box key words (list order), k = 2..4.
void BuildSBoxes(const std::uint32_t* sboxKey, int k, std::uint32_t* tables) noexcept;
void BuildSBoxesPortable(const std::uint32_t* sboxKey, int k, std::uint32_t* tables) noexcept;
// With byte permutes and carry-less multiplies; only where HasGfni().
void BuildSBoxesGfni(const std::uint32_t* sboxKey, int k, std::uint32_t* tables) noexcept;
// AVX-512 F, BW and VBMI with GFNI (and BMI, AVX2 for the paths that pair them).
bool HasGfni() noexcept;

// g on the interleaved tables (T0/T1 entry by entry, then T2/T3), the four
// lookups xored as two independent pairs.
inline std::uint32_t G0(const std::uint32_t* t, std::uint32_t x) noexcept
{
    return (t[2 * (x & 0xFF)] ^ t[2 * ((x >> 8) & 0xFF) + 1]) ^
           (t[512 + 2 * ((x >> 16) & 0xFF)] ^ t[513 + 2 * (x >> 24)]);
}

// g(ROL(x, 8)) without the rotation.
inline std::uint32_t G1(const std::uint32_t* t, std::uint32_t x) noexcept
{
    return (t[2 * (x >> 24)] ^ t[2 * (x & 0xFF) + 1]) ^
           (t[512 + 2 * ((x >> 8) & 0xFF)] ^ t[513 + 2 * ((x >> 16) & 0xFF)]);
}

// Plain C++ block operations, for any CPU.
void EncryptBlockPortable(const TwofishContext& ctx, const void* in, void* out) noexcept;
void DecryptBlockPortable(const TwofishContext& ctx, const void* in, void* out) noexcept;

// The same with the x86 round code; only where BMI1 is present.
bool HasBmi() noexcept;
void EncryptBlockBmi(const TwofishContext& ctx, const void* in, void* out) noexcept;
void DecryptBlockBmi(const TwofishContext& ctx, const void* in, void* out) noexcept;
// One CBC block with the x86 round code; in may equal out.
void EncryptCbcOneBmi(TwofishContext& ctx, const void* in, void* out) noexcept;
void DecryptCbcOneBmi(TwofishContext& ctx, const void* in, void* out) noexcept;

// CFB-8 with the 16-byte shift register held in two 64-bit words (byte 0 of
// the register in the low byte of lo), so that no byte is moved through
// memory. keystream(ctx, lo, hi) returns byte 0 of the register's encryption.
template <class Keystream>
inline void Cfb8Run(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count, bool decrypt,
                    Keystream keystream) noexcept
{
    if (count <= 0)
        return;
    std::uint64_t lo = LoadLittleEndian(ctx.ChainBlock) | std::uint64_t{LoadLittleEndian(ctx.ChainBlock + 4)} << 32;
    std::uint64_t hi = LoadLittleEndian(ctx.ChainBlock + 8) | std::uint64_t{LoadLittleEndian(ctx.ChainBlock + 12)} << 32;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t c = in[i]; // read first: in may be out
        const auto o = static_cast<std::uint8_t>(c ^ keystream(ctx, lo, hi));
        out[i] = o;
        lo = (lo >> 8) | (hi << 56);
        hi = (hi >> 8) | (std::uint64_t{decrypt ? c : o} << 56);
    }
    StoreLittleEndian(ctx.ChainBlock, static_cast<std::uint32_t>(lo));
    StoreLittleEndian(ctx.ChainBlock + 4, static_cast<std::uint32_t>(lo >> 32));
    StoreLittleEndian(ctx.ChainBlock + 8, static_cast<std::uint32_t>(hi));
    StoreLittleEndian(ctx.ChainBlock + 12, static_cast<std::uint32_t>(hi >> 32));
}

void Cfb8Portable(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                  bool decrypt) noexcept;
void Cfb8Bmi(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
             bool decrypt) noexcept;

} // namespace tarnex::detail
