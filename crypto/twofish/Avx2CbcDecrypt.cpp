// CBC decryption eight blocks at a time with AVX2 gathers. Built with AVX2
// for this file alone, and only called where the CPU has it.
#include "crypto/twofish/Paths.h"
#include "crypto/twofish/WideCbcDecrypt.h"

#include <immintrin.h>

namespace tarnex::detail {

namespace {

struct Avx2Registers {
    using Reg = __m256i;
    static constexpr std::size_t Lanes = 2;

    static Reg Load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Store(std::uint8_t* p, Reg v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Reg Set1(std::uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    static Reg And(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg Xor(Reg a, Reg b) { return _mm256_xor_si256(a, b); }
    static Reg Xor3(Reg a, Reg b, Reg c) { return _mm256_xor_si256(_mm256_xor_si256(a, b), c); }
    static Reg Add(Reg a, Reg b) { return _mm256_add_epi32(a, b); }
    template <int N> static Reg Srl(Reg a) { return _mm256_srli_epi32(a, N); }
    template <int N> static Reg Rol(Reg a) { return _mm256_or_si256(_mm256_slli_epi32(a, N), _mm256_srli_epi32(a, 32 - N)); }
    template <int N> static Reg Ror(Reg a) { return _mm256_or_si256(_mm256_srli_epi32(a, N), _mm256_slli_epi32(a, 32 - N)); }
    static Reg Gather8(const char* base, Reg index)
    {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), index, 8);
    }
    static void Transpose(Reg& a, Reg& b, Reg& c, Reg& d)
    {
        const Reg t0 = _mm256_unpacklo_epi32(a, b), t1 = _mm256_unpackhi_epi32(a, b);
        const Reg t2 = _mm256_unpacklo_epi32(c, d), t3 = _mm256_unpackhi_epi32(c, d);
        a = _mm256_unpacklo_epi64(t0, t2);
        b = _mm256_unpackhi_epi64(t0, t2);
        c = _mm256_unpacklo_epi64(t1, t3);
        d = _mm256_unpackhi_epi64(t1, t3);
    }
    static Reg BroadcastBlock(const std::uint8_t* p)
    {
        return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    // (high block of prev, low block of cur)
    static Reg PreviousBlocks(Reg cur, Reg prev) { return _mm256_permute2x128_si256(prev, cur, 0x21); }
    static void StoreLastBlock(std::uint8_t* p, Reg v)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_extracti128_si256(v, 1));
    }
};

struct Avx2 : Avx2Registers, GatherG<Avx2Registers> {
    static constexpr int Side = 1;
};

} // namespace

void DecryptCbcAvx2(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept
{
    WideDecryptor<Avx2>::Run(ctx, in, out, blocks);
}

} // namespace tarnex::detail
