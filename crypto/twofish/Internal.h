// Pieces of the cipher shared between its implementations.
//
// Everything defined here is local to each file that includes it (an unnamed
// namespace): the files of the CPU-specific paths are compiled for their own
// instructions, and a shared inline function emitted by one of them must
// never be the copy that plain code ends up calling.
#pragma once

#include "crypto/Twofish.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace tarnex {

// The four fixed MDS tables: entry x of table j is MDS column j times the
// final q of byte position j applied to x.
extern const std::uint32_t (&MdsTables)[4][256];

namespace detail {
namespace {

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

} // namespace
} // namespace detail
} // namespace tarnex
