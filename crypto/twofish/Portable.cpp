// The cipher in plain C++, for any CPU.
#include "crypto/Tools.h"
#include "crypto/twofish/Paths.h"
#include "crypto/twofish/Scalar.h"

namespace tarnex::detail {

namespace {

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

struct PortableRound {
    static void EncryptRound(std::uint32_t x, std::uint32_t y, std::uint32_t& u, std::uint32_t& v,
                             const std::uint32_t& k0, const std::uint32_t& k1, const std::uint32_t* t) noexcept
    {
        const std::uint32_t t0 = G0(t, x), t1 = G1(t, y);
        u = RotateRight32(u ^ (t0 + t1 + k0), 1);
        v = RotateLeft32(v, 1) ^ (t0 + 2 * t1 + k1);
    }

    static void DecryptRound(std::uint32_t x, std::uint32_t y, std::uint32_t& u, std::uint32_t& v,
                             const std::uint32_t& k0, const std::uint32_t& k1, const std::uint32_t* t) noexcept
    {
        const std::uint32_t t0 = G0(t, x), t1 = G1(t, y);
        u = RotateLeft32(u, 1) ^ (t0 + t1 + k0);
        v = RotateRight32(v ^ (t0 + 2 * t1 + k1), 1);
    }
};

using Portable = Scalar<PortableRound>;

} // namespace

void EncryptBlockPortable(const TwofishContext& ctx, const void* in, void* out) noexcept
{
    Portable::EncryptBlock(ctx, in, out);
}

void DecryptBlockPortable(const TwofishContext& ctx, const void* in, void* out) noexcept
{
    Portable::DecryptBlock(ctx, in, out);
}

void EncryptCbcPortable(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept
{
    Portable::EncryptCbc(ctx, in, out, blocks);
}

void DecryptCbcPortable(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept
{
    Portable::DecryptCbc(ctx, in, out, blocks);
}

// Decryption has no chain between blocks: four independent blocks side by
// side let their table loads overlap (four did better than two here).
void DecryptCbcPortableX4(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out,
                          std::size_t blocks) noexcept
{
    constexpr int N = 4;
    const std::uint32_t* k = ctx.SubKeys;
    const std::uint32_t* t = ctx.SBoxTables;
    Chain chain(ctx.ChainBlock);
    for (std::size_t left = blocks; left >= N; left -= N, in += 16 * N, out += 16 * N) {
        Chain c[N] = {Chain(in), Chain(in + 16), Chain(in + 32), Chain(in + 48)};
        std::uint32_t r0[N], r1[N], r2[N], r3[N];
        for (int b = 0; b < N; ++b)
            LoadWhitened(in + 16 * b, k + 4, r2[b], r3[b], r0[b], r1[b]);
        for (int r = 14; r >= 0; r -= 2) {
            for (int b = 0; b < N; ++b)
                PortableRound::DecryptRound(r2[b], r3[b], r0[b], r1[b], k[2 * r + 10], k[2 * r + 11], t);
            for (int b = 0; b < N; ++b)
                PortableRound::DecryptRound(r0[b], r1[b], r2[b], r3[b], k[2 * r + 8], k[2 * r + 9], t);
        }
        for (int b = 0; b < N; ++b) {
            const std::uint32_t* prev = b == 0 ? chain.w : c[b - 1].w;
            StoreWhitened(out + 16 * b, k, r0[b] ^ prev[0], r1[b] ^ prev[1], r2[b] ^ prev[2], r3[b] ^ prev[3]);
        }
        chain = c[N - 1];
    }
    chain.StoreTo(ctx.ChainBlock);
}

void Cfb8Portable(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                  bool decrypt) noexcept
{
    Portable::Cfb8(ctx, in, out, count, decrypt);
}

} // namespace tarnex::detail
