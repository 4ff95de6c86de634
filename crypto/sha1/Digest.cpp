// The streaming digest: start, absorb, finish. Blocks go to whichever
// compression function this CPU runs best.
#include "crypto/Tools.h"
#include "crypto/sha1/Compress.h"

#include <cstring>

namespace tarnex {

namespace {

void StoreBigEndian(std::uint8_t* p, std::uint32_t v) noexcept
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

} // namespace

void Sha1Start(Sha1Context& ctx) noexcept
{
    ctx.LenHi = 0;
    ctx.LenLo = 0;
    ctx.Index = 0;
    std::memset(ctx.Buffer, 0, sizeof ctx.Buffer);
    ctx.Hash[0] = 0x67452301;
    ctx.Hash[1] = 0xEFCDAB89;
    ctx.Hash[2] = 0x98BADCFE;
    ctx.Hash[3] = 0x10325476;
    ctx.Hash[4] = 0xC3D2E1F0;
}

void Sha1Update(Sha1Context& ctx, const void* data, std::int32_t length) noexcept
{
    if (length <= 0)
        return;
    // The bit count is a 64-bit number kept as two words.
    const std::uint64_t bits = (std::uint64_t{ctx.LenHi} << 32 | ctx.LenLo) + 8 * static_cast<std::uint64_t>(length);
    ctx.LenHi = static_cast<std::uint32_t>(bits >> 32);
    ctx.LenLo = static_cast<std::uint32_t>(bits);

    // Bytes go into Buffer in order, a block being compressed as soon as it
    // is full; copied a run at a time rather than byte by byte.
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t left = static_cast<std::size_t>(length);
    while (left > 0) {
        const std::size_t room = 64 - static_cast<std::size_t>(ctx.Index);
        const std::size_t n = left < room ? left : room;
        std::memcpy(ctx.Buffer + ctx.Index, p, n);
        ctx.Index += static_cast<std::int32_t>(n);
        p += n;
        left -= n;
        if (ctx.Index == 64) {
            ctx.Index = 0;
            Sha1Compress(ctx);
        }
    }
}

void Sha1Finish(Sha1Context& ctx, void* digest) noexcept
{
    // Every byte from Index on is already zero, so the padding is just 0x80.
    ctx.Buffer[ctx.Index] = 0x80;
    if (ctx.Index >= 56)
        Sha1Compress(ctx);
    StoreBigEndian(ctx.Buffer + 56, ctx.LenHi);
    StoreBigEndian(ctx.Buffer + 60, ctx.LenLo);
    Sha1Compress(ctx);

    auto* out = static_cast<std::uint8_t*>(digest);
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(out + 4 * i, ctx.Hash[i]);
    SecureZero(&ctx, sizeof ctx);
}

} // namespace tarnex
