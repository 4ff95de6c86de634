// The bulk CBC operations and the implementations behind them. Encryption is
// one long chain of dependent rounds, so its fast path is about latency;
// decryption has no chain between blocks, so its fast paths work on many
// blocks at once. Every path gives exactly the bytes of the one-block
// operations.
#include "crypto/Tools.h"
#include "crypto/Twofish.h"
#include "crypto/TwofishInternal.h"
#include "crypto/TwofishPaths.h"
#include "crypto/TwofishWide.h"
#include "crypto/TwofishX86.h"

#include <cstring>

namespace tarnex {

namespace {

using detail::LoadLittleEndian;
using detail::StoreLittleEndian;

bool Always() noexcept { return true; }

// The chaining value as four words, kept in registers across blocks.
struct Chain {
    std::uint32_t w[4];

    explicit Chain(const std::uint8_t* block) noexcept
    {
        for (int i = 0; i < 4; ++i)
            w[i] = LoadLittleEndian(block + 4 * i);
    }
    void StoreTo(std::uint8_t* block) const noexcept
    {
        for (int i = 0; i < 4; ++i)
            StoreLittleEndian(block + 4 * i, w[i]);
    }
};

void EncryptCbcPortable(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    for (std::size_t i = 0; i < blocks; ++i, p += 16) {
        XorBuffers(p, ctx.ChainBlock, p, 16);
        detail::EncryptBlockPortable(ctx, p, p);
        std::memcpy(ctx.ChainBlock, p, 16);
    }
}

void DecryptCbcPortable(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    std::uint8_t saved[16];
    for (std::size_t i = 0; i < blocks; ++i, p += 16) {
        std::memcpy(saved, p, 16);
        detail::DecryptBlockPortable(ctx, p, p);
        XorBuffers(p, ctx.ChainBlock, p, 16);
        std::memcpy(ctx.ChainBlock, saved, 16);
    }
}

using detail::G0;
using detail::G1;

// Decrypts N independent blocks side by side, so that their table loads
// overlap; plain C++ for any CPU (four did better than two here).
template <int N>
void DecryptCbcGroupsPortable(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    const std::uint32_t* k = ctx.SubKeys;
    const std::uint32_t* t = ctx.SBoxTables;
    auto* p = static_cast<std::uint8_t*>(data);
    Chain chain(ctx.ChainBlock);
    std::size_t left = blocks;
    for (; left >= N; left -= N, p += 16 * N) {
        std::uint32_t c[N][4], r0[N], r1[N], r2[N], r3[N];
        for (int b = 0; b < N; ++b) {
            for (int j = 0; j < 4; ++j)
                c[b][j] = LoadLittleEndian(p + 16 * b + 4 * j);
            r2[b] = c[b][0] ^ k[4];
            r3[b] = c[b][1] ^ k[5];
            r0[b] = c[b][2] ^ k[6];
            r1[b] = c[b][3] ^ k[7];
        }
        for (int r = 14; r >= 0; r -= 2) {
            for (int b = 0; b < N; ++b) {
                const std::uint32_t t0 = G0(t, r2[b]), t1 = G1(t, r3[b]);
                r0[b] = RotateLeft32(r0[b], 1) ^ (t0 + t1 + k[2 * r + 10]);
                r1[b] = RotateRight32(r1[b] ^ (t0 + 2 * t1 + k[2 * r + 11]), 1);
            }
            for (int b = 0; b < N; ++b) {
                const std::uint32_t t0 = G0(t, r0[b]), t1 = G1(t, r1[b]);
                r2[b] = RotateLeft32(r2[b], 1) ^ (t0 + t1 + k[2 * r + 8]);
                r3[b] = RotateRight32(r3[b] ^ (t0 + 2 * t1 + k[2 * r + 9]), 1);
            }
        }
        for (int b = 0; b < N; ++b) {
            const std::uint32_t* prev = b == 0 ? chain.w : c[b - 1];
            StoreLittleEndian(p + 16 * b, r0[b] ^ k[0] ^ prev[0]);
            StoreLittleEndian(p + 16 * b + 4, r1[b] ^ k[1] ^ prev[1]);
            StoreLittleEndian(p + 16 * b + 8, r2[b] ^ k[2] ^ prev[2]);
            StoreLittleEndian(p + 16 * b + 12, r3[b] ^ k[3] ^ prev[3]);
        }
        std::memcpy(chain.w, c[N - 1], 16);
    }
    chain.StoreTo(ctx.ChainBlock);
    DecryptCbcPortable(ctx, p, left);
}

#if defined(__x86_64__)

namespace x86 = detail::x86;

// CBC encryption with the whole chain in registers: the only work between
// the last round of one block and the first of the next is one xor per word.
// Each block is read whole before it is written, so in may equal out.
__attribute__((target("bmi"))) void EncryptCbcBmi(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out,
                                                 std::size_t blocks) noexcept
{
    const std::uint32_t* k = ctx.SubKeys;
    const std::uint32_t* t = ctx.SBoxTables;
    // Output whitening of one block and input whitening of the next, merged.
    const std::uint32_t w0 = k[0] ^ k[4], w1 = k[1] ^ k[5], w2 = k[2] ^ k[6], w3 = k[3] ^ k[7];
    Chain chain(ctx.ChainBlock);
    // Words of the previous ciphertext block before its output whitening.
    std::uint32_t c = chain.w[0] ^ k[4], d = chain.w[1] ^ k[5], a = chain.w[2] ^ k[6], b = chain.w[3] ^ k[7];
    for (std::size_t i = 0; i < blocks; ++i, in += 16, out += 16) {
        std::uint32_t r0 = (LoadLittleEndian(in) ^ w0) ^ c;
        std::uint32_t r1 = (LoadLittleEndian(in + 4) ^ w1) ^ d;
        std::uint32_t r2 = (LoadLittleEndian(in + 8) ^ w2) ^ a;
        std::uint32_t r3 = (LoadLittleEndian(in + 12) ^ w3) ^ b;
        for (int r = 0; r < 16; r += 2) {
            x86::EncryptRound(r0, r1, r2, r3, k[2 * r + 8], k[2 * r + 9], t);
            x86::EncryptRound(r2, r3, r0, r1, k[2 * r + 10], k[2 * r + 11], t);
        }
        c = r2;
        d = r3;
        a = r0;
        b = r1;
        StoreLittleEndian(out, c ^ k[4]);
        StoreLittleEndian(out + 4, d ^ k[5]);
        StoreLittleEndian(out + 8, a ^ k[6]);
        StoreLittleEndian(out + 12, b ^ k[7]);
    }
    chain.w[0] = c ^ k[4];
    chain.w[1] = d ^ k[5];
    chain.w[2] = a ^ k[6];
    chain.w[3] = b ^ k[7];
    chain.StoreTo(ctx.ChainBlock);
}

void EncryptCbcBmi(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    EncryptCbcBmi(ctx, p, p, blocks);
}

// CBC decryption one block at a time in words; the chain stays in registers.
__attribute__((target("bmi"))) void DecryptCbcBmi(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out,
                                                 std::size_t blocks) noexcept
{
    const std::uint32_t* k = ctx.SubKeys;
    const std::uint32_t* t = ctx.SBoxTables;
    Chain chain(ctx.ChainBlock);
    for (std::size_t i = 0; i < blocks; ++i, in += 16, out += 16) {
        const std::uint32_t c0 = LoadLittleEndian(in), c1 = LoadLittleEndian(in + 4);
        const std::uint32_t c2 = LoadLittleEndian(in + 8), c3 = LoadLittleEndian(in + 12);
        std::uint32_t r2 = c0 ^ k[4], r3 = c1 ^ k[5], r0 = c2 ^ k[6], r1 = c3 ^ k[7];
        for (int r = 14; r >= 0; r -= 2) {
            x86::DecryptRound(r2, r3, r0, r1, k[2 * r + 10], k[2 * r + 11], t);
            x86::DecryptRound(r0, r1, r2, r3, k[2 * r + 8], k[2 * r + 9], t);
        }
        StoreLittleEndian(out, r0 ^ k[0] ^ chain.w[0]);
        StoreLittleEndian(out + 4, r1 ^ k[1] ^ chain.w[1]);
        StoreLittleEndian(out + 8, r2 ^ k[2] ^ chain.w[2]);
        StoreLittleEndian(out + 12, r3 ^ k[3] ^ chain.w[3]);
        chain.w[0] = c0;
        chain.w[1] = c1;
        chain.w[2] = c2;
        chain.w[3] = c3;
    }
    chain.StoreTo(ctx.ChainBlock);
}

void DecryptCbcBmi(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    DecryptCbcBmi(ctx, p, p, blocks);
}

bool HasAvx2() noexcept
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi");
    }();
    return has;
}

bool HasAvx512() noexcept
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("bmi");
    }();
    return has;
}

} // namespace

bool detail::HasGfni() noexcept
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("gfni") &&
               __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi");
    }();
    return has;
}

namespace {

bool HasGfniPath() noexcept { return detail::HasGfni(); }

void DecryptCbcGfni(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    std::size_t done = detail::wide::DecryptCbcGfni(ctx, p, blocks);
    done += detail::wide::DecryptCbcAvx2(ctx, p + 16 * done, blocks - done);
    DecryptCbcBmi(ctx, p + 16 * done, blocks - done);
}

void DecryptCbcAvx2(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    const std::size_t done = detail::wide::DecryptCbcAvx2(ctx, p, blocks);
    DecryptCbcBmi(ctx, p + 16 * done, blocks - done);
}

void DecryptCbcAvx512(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    std::size_t done = detail::wide::DecryptCbcAvx512(ctx, p, blocks);
    done += detail::wide::DecryptCbcAvx2(ctx, p + 16 * done, blocks - done);
    DecryptCbcBmi(ctx, p + 16 * done, blocks - done);
}

#endif

} // namespace

#if defined(__x86_64__)

bool detail::HasBmi() noexcept
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("bmi") != 0;
    }();
    return has;
}

__attribute__((target("bmi"))) void detail::EncryptBlockBmi(const TwofishContext& ctx, const void* in,
                                                           void* out) noexcept
{
    const std::uint32_t* k = ctx.SubKeys;
    const std::uint32_t* t = ctx.SBoxTables;
    const auto* src = static_cast<const std::uint8_t*>(in);
    std::uint32_t r0 = LoadLittleEndian(src) ^ k[0];
    std::uint32_t r1 = LoadLittleEndian(src + 4) ^ k[1];
    std::uint32_t r2 = LoadLittleEndian(src + 8) ^ k[2];
    std::uint32_t r3 = LoadLittleEndian(src + 12) ^ k[3];
    for (int r = 0; r < 16; r += 2) {
        x86::EncryptRound(r0, r1, r2, r3, k[2 * r + 8], k[2 * r + 9], t);
        x86::EncryptRound(r2, r3, r0, r1, k[2 * r + 10], k[2 * r + 11], t);
    }
    auto* dst = static_cast<std::uint8_t*>(out);
    StoreLittleEndian(dst, r2 ^ k[4]);
    StoreLittleEndian(dst + 4, r3 ^ k[5]);
    StoreLittleEndian(dst + 8, r0 ^ k[6]);
    StoreLittleEndian(dst + 12, r1 ^ k[7]);
}

__attribute__((target("bmi"))) void detail::DecryptBlockBmi(const TwofishContext& ctx, const void* in,
                                                           void* out) noexcept
{
    const std::uint32_t* k = ctx.SubKeys;
    const std::uint32_t* t = ctx.SBoxTables;
    const auto* src = static_cast<const std::uint8_t*>(in);
    std::uint32_t r2 = LoadLittleEndian(src) ^ k[4];
    std::uint32_t r3 = LoadLittleEndian(src + 4) ^ k[5];
    std::uint32_t r0 = LoadLittleEndian(src + 8) ^ k[6];
    std::uint32_t r1 = LoadLittleEndian(src + 12) ^ k[7];
    for (int r = 14; r >= 0; r -= 2) {
        x86::DecryptRound(r2, r3, r0, r1, k[2 * r + 10], k[2 * r + 11], t);
        x86::DecryptRound(r0, r1, r2, r3, k[2 * r + 8], k[2 * r + 9], t);
    }
    auto* dst = static_cast<std::uint8_t*>(out);
    StoreLittleEndian(dst, r0 ^ k[0]);
    StoreLittleEndian(dst + 4, r1 ^ k[1]);
    StoreLittleEndian(dst + 8, r2 ^ k[2]);
    StoreLittleEndian(dst + 12, r3 ^ k[3]);
}

namespace {

__attribute__((target("bmi"), always_inline)) inline std::uint8_t KeystreamBmi(const TwofishContext& ctx,
                                                                               std::uint64_t lo,
                                                                               std::uint64_t hi) noexcept
{
    const std::uint32_t* k = ctx.SubKeys;
    const std::uint32_t* t = ctx.SBoxTables;
    std::uint32_t r0 = static_cast<std::uint32_t>(lo) ^ k[0];
    std::uint32_t r1 = static_cast<std::uint32_t>(lo >> 32) ^ k[1];
    std::uint32_t r2 = static_cast<std::uint32_t>(hi) ^ k[2];
    std::uint32_t r3 = static_cast<std::uint32_t>(hi >> 32) ^ k[3];
    for (int r = 0; r < 16; r += 2) {
        x86::EncryptRound(r0, r1, r2, r3, k[2 * r + 8], k[2 * r + 9], t);
        x86::EncryptRound(r2, r3, r0, r1, k[2 * r + 10], k[2 * r + 11], t);
    }
    return static_cast<std::uint8_t>(r2 ^ k[4]);
}

} // namespace

__attribute__((target("bmi"))) void detail::Cfb8Bmi(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out,
                                                   std::int32_t count, bool decrypt) noexcept
{
    Cfb8Run(ctx, in, out, count, decrypt, KeystreamBmi);
}

void detail::EncryptCbcOneBmi(TwofishContext& ctx, const void* in, void* out) noexcept
{
    EncryptCbcBmi(ctx, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out), 1);
}

void detail::DecryptCbcOneBmi(TwofishContext& ctx, const void* in, void* out) noexcept
{
    DecryptCbcBmi(ctx, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out), 1);
}

#else

bool detail::HasBmi() noexcept { return false; }
bool detail::HasGfni() noexcept { return false; }

#endif

namespace {

bool HasBmiPath() noexcept { return detail::HasBmi(); }

constexpr detail::CbcPath kEncryptPaths[] = {
    {"portable", Always, EncryptCbcPortable},
#if defined(__x86_64__)
    {"x86 bmi", HasBmiPath, static_cast<void (*)(TwofishContext&, void*, std::size_t) noexcept>(EncryptCbcBmi)},
#endif
};

constexpr detail::CbcPath kDecryptPaths[] = {
    {"portable", Always, DecryptCbcPortable},
    {"portable x4", Always, DecryptCbcGroupsPortable<4>},
#if defined(__x86_64__)
    {"x86 bmi", HasBmiPath, static_cast<void (*)(TwofishContext&, void*, std::size_t) noexcept>(DecryptCbcBmi)},
    {"avx2 x8", HasAvx2, DecryptCbcAvx2},
    {"avx512 x16", HasAvx512, DecryptCbcAvx512},
    {"avx512 gfni x16", HasGfniPath, DecryptCbcGfni},
#endif
};

constexpr detail::Cfb8Path kCfb8Paths[] = {
    {"portable", Always, detail::Cfb8Portable},
#if defined(__x86_64__)
    {"x86 bmi", HasBmiPath, detail::Cfb8Bmi},
#endif
};

constexpr detail::SBoxPath kSBoxPaths[] = {
    {"portable", Always, detail::BuildSBoxesPortable},
#if defined(__x86_64__)
    {"avx512 gfni", HasGfniPath, detail::BuildSBoxesGfni},
#endif
};

using BulkFn = void (*)(TwofishContext&, void*, std::size_t) noexcept;

BulkFn ChooseEncrypt() noexcept
{
#if defined(__x86_64__)
    if (detail::HasBmi())
        return static_cast<BulkFn>(EncryptCbcBmi);
#endif
    return EncryptCbcPortable;
}

BulkFn ChooseDecrypt() noexcept
{
#if defined(__x86_64__)
    if (detail::HasGfni())
        return DecryptCbcGfni;
    if (HasAvx512())
        return DecryptCbcAvx512;
    if (HasAvx2())
        return DecryptCbcAvx2;
#endif
    return DecryptCbcGroupsPortable<4>;
}

} // namespace

std::span<const detail::CbcPath> detail::CbcEncryptPaths() noexcept { return kEncryptPaths; }
std::span<const detail::CbcPath> detail::CbcDecryptPaths() noexcept { return kDecryptPaths; }
std::span<const detail::Cfb8Path> detail::Cfb8Paths() noexcept { return kCfb8Paths; }
std::span<const detail::SBoxPath> detail::SBoxPaths() noexcept { return kSBoxPaths; }

void TwofishEncryptCbcBlocks(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    static const BulkFn fn = ChooseEncrypt();
    fn(ctx, data, blocks);
}

void TwofishDecryptCbcBlocks(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    static const BulkFn fn = ChooseDecrypt();
    fn(ctx, data, blocks);
}

} // namespace tarnex
