// The cipher's operations and the one place that picks the code behind each.
// A table per operation lists its implementations best first with the
// instructions each needs (Cpu.h); an operation runs the first entry this CPU
// can run, looked up on first use. Encryption is one long chain of dependent
// rounds, so its best path is about latency; decryption has no chain between
// blocks, so its best paths work on many blocks at once and hand what is left
// over to the next entry.
#include "crypto/Tools.h"
#include "crypto/twofish/Paths.h"

#include <cstring>

namespace tarnex {

namespace detail {

namespace {

constexpr Path<BlockFn> kEncryptBlock[] = {
#if defined(__x86_64__)
    {"x86 bmi", kBmi, EncryptBlockBmi},
#endif
    {"portable", kPlain, EncryptBlockPortable},
};

constexpr Path<BlockFn> kDecryptBlock[] = {
#if defined(__x86_64__)
    {"x86 bmi", kBmi, DecryptBlockBmi},
#endif
    {"portable", kPlain, DecryptBlockPortable},
};

constexpr Path<CbcFn> kCbcEncrypt[] = {
#if defined(__x86_64__)
    {"x86 bmi", kBmi, EncryptCbcBmi},
#endif
    {"portable", kPlain, EncryptCbcPortable},
};

constexpr Path<CbcFn> kCbcDecrypt[] = {
#if defined(__x86_64__)
    {"avx512 gfni x16", kAvx512F | kAvx512Bw | kAvx512Vbmi | kGfni, DecryptCbcGfni, 16},
    {"avx512 x16", kAvx512F, DecryptCbcAvx512, 16},
    {"avx2 x8", kAvx2, DecryptCbcAvx2, 8},
    {"x86 bmi", kBmi, DecryptCbcBmi},
#endif
    {"portable x4", kPlain, DecryptCbcPortableX4, 4},
    {"portable", kPlain, DecryptCbcPortable},
};

constexpr Path<Cfb8Fn> kCfb8[] = {
#if defined(__x86_64__)
    {"x86 bmi", kBmi, Cfb8Bmi},
#endif
    {"portable", kPlain, Cfb8Portable},
};

constexpr Path<SBoxFn> kSBoxes[] = {
#if defined(__x86_64__)
    {"avx512 gfni", kAvx512F | kAvx512Bw | kAvx512Vbmi | kGfni, BuildSBoxesGfni},
#endif
    {"portable", kPlain, BuildSBoxesPortable},
};

static_assert(EndsWithPlainCode(kEncryptBlock) && EndsWithPlainCode(kDecryptBlock) &&
              EndsWithPlainCode(kCbcEncrypt) && EndsWithPlainCode(kCbcDecrypt) && EndsWithPlainCode(kCfb8) &&
              EndsWithPlainCode(kSBoxes));

} // namespace

std::span<const Path<BlockFn>> EncryptBlockPaths() noexcept { return kEncryptBlock; }
std::span<const Path<BlockFn>> DecryptBlockPaths() noexcept { return kDecryptBlock; }
std::span<const Path<CbcFn>> CbcEncryptPaths() noexcept { return kCbcEncrypt; }
std::span<const Path<CbcFn>> CbcDecryptPaths() noexcept { return kCbcDecrypt; }
std::span<const Path<Cfb8Fn>> Cfb8Paths() noexcept { return kCfb8; }
std::span<const Path<SBoxFn>> SBoxPaths() noexcept { return kSBoxes; }

void RunCbc(std::span<const Path<CbcFn>> paths, Features cpu, TwofishContext& ctx, const std::uint8_t* in,
            std::uint8_t* out, std::size_t blocks) noexcept
{
    for (const auto& path : paths) {
        if (blocks == 0)
            return;
        if (!CanRun(path, cpu))
            continue;
        const std::size_t n = blocks - blocks % path.Group;
        if (n == 0)
            continue;
        path.Run(ctx, in, out, n);
        in += 16 * n;
        out += 16 * n;
        blocks -= n;
    }
}

} // namespace detail

void TwofishSetup(TwofishContext& ctx, const void* key, std::int32_t length, const void* iv)
{
    static detail::SBoxFn* const build = detail::Choose(detail::kSBoxes);
    detail::SetUp(ctx, key, length, iv, build);
}

void TwofishWipe(TwofishContext& ctx) noexcept
{
    SecureZero(&ctx, sizeof ctx);
}

void TwofishRestart(TwofishContext& ctx) noexcept
{
    std::memcpy(ctx.ChainBlock, ctx.InitVector, 16);
}

void TwofishEncryptBlock(const TwofishContext& ctx, const void* in, void* out) noexcept
{
    static detail::BlockFn* const run = detail::Choose(detail::kEncryptBlock);
    run(ctx, in, out);
}

void TwofishDecryptBlock(const TwofishContext& ctx, const void* in, void* out) noexcept
{
    static detail::BlockFn* const run = detail::Choose(detail::kDecryptBlock);
    run(ctx, in, out);
}

void TwofishEncryptCbc(TwofishContext& ctx, const void* in, void* out) noexcept
{
    static detail::CbcFn* const run = detail::Choose(detail::kCbcEncrypt);
    run(ctx, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out), 1);
}

void TwofishDecryptCbc(TwofishContext& ctx, const void* in, void* out) noexcept
{
    static detail::CbcFn* const run = detail::Choose(detail::kCbcDecrypt);
    run(ctx, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out), 1);
}

void TwofishEncryptCbcBlocks(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    detail::RunCbc(detail::kCbcEncrypt, detail::CpuFeatures(), ctx, p, p, blocks);
}

void TwofishDecryptCbcBlocks(TwofishContext& ctx, void* data, std::size_t blocks) noexcept
{
    auto* p = static_cast<std::uint8_t*>(data);
    detail::RunCbc(detail::kCbcDecrypt, detail::CpuFeatures(), ctx, p, p, blocks);
}

void TwofishEncryptCfb8(TwofishContext& ctx, const void* in, void* out, std::int32_t count) noexcept
{
    static detail::Cfb8Fn* const run = detail::Choose(detail::kCfb8);
    run(ctx, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out), count, false);
}

void TwofishDecryptCfb8(TwofishContext& ctx, const void* in, void* out, std::int32_t count) noexcept
{
    static detail::Cfb8Fn* const run = detail::Choose(detail::kCfb8);
    run(ctx, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out), count, true);
}

} // namespace tarnex
