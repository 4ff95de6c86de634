// AVX-512 registers as WideCbcDecrypt.h wants them, for the files built with
// AVX-512 (F at least). Local to each including file, like Internal.h.
#pragma once

#include <cstddef>
#include <cstdint>

// GCC 12's AVX-512 headers start some intrinsics from a deliberately
// undefined register, which its flow analysis reports as uninitialised.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

namespace tarnex::detail {
namespace {

struct Avx512Registers {
    using Reg = __m512i;
    static constexpr std::size_t Lanes = 4;

    static Reg Load(const std::uint8_t* p) { return _mm512_loadu_si512(p); }
    static void Store(std::uint8_t* p, Reg v) { _mm512_storeu_si512(p, v); }
    static Reg Set1(std::uint32_t v) { return _mm512_set1_epi32(static_cast<int>(v)); }
    static Reg And(Reg a, Reg b) { return _mm512_and_si512(a, b); }
    static Reg Xor(Reg a, Reg b) { return _mm512_xor_si512(a, b); }
    static Reg Xor3(Reg a, Reg b, Reg c) { return _mm512_ternarylogic_epi32(a, b, c, 0x96); }
    static Reg Add(Reg a, Reg b) { return _mm512_add_epi32(a, b); }
    template <int N> static Reg Srl(Reg a) { return _mm512_srli_epi32(a, N); }
    template <int N> static Reg Rol(Reg a) { return _mm512_rol_epi32(a, N); }
    template <int N> static Reg Ror(Reg a) { return _mm512_ror_epi32(a, N); }
    static Reg Gather8(const char* base, Reg index) { return _mm512_i32gather_epi32(index, base, 8); }
    static void Transpose(Reg& a, Reg& b, Reg& c, Reg& d)
    {
        const Reg t0 = _mm512_unpacklo_epi32(a, b), t1 = _mm512_unpackhi_epi32(a, b);
        const Reg t2 = _mm512_unpacklo_epi32(c, d), t3 = _mm512_unpackhi_epi32(c, d);
        a = _mm512_unpacklo_epi64(t0, t2);
        b = _mm512_unpackhi_epi64(t0, t2);
        c = _mm512_unpacklo_epi64(t1, t3);
        d = _mm512_unpackhi_epi64(t1, t3);
    }
    static Reg BroadcastBlock(const std::uint8_t* p)
    {
        return _mm512_broadcast_i32x4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    // (top block of prev, blocks 0..2 of cur)
    static Reg PreviousBlocks(Reg cur, Reg prev) { return _mm512_alignr_epi64(cur, prev, 6); }
    static void StoreLastBlock(std::uint8_t* p, Reg v)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_extracti32x4_epi32(v, 3));
    }
};

} // namespace
} // namespace tarnex::detail
