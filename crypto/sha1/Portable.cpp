// The compression function in plain C++, for any CPU.
#include "crypto/Tools.h"
#include "crypto/sha1/Compress.h"

namespace tarnex::detail {

namespace {

std::uint32_t LoadBigEndian(const std::uint8_t* p) noexcept
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

} // namespace

void Sha1CompressPortable(Sha1Context& ctx) noexcept
{
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = LoadBigEndian(ctx.Buffer + 4 * t);
    for (int t = 16; t < 80; ++t)
        w[t] = RotateLeft32(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

    std::uint32_t a = ctx.Hash[0], b = ctx.Hash[1], c = ctx.Hash[2], d = ctx.Hash[3], e = ctx.Hash[4];
    auto step = [&](std::uint32_t f, std::uint32_t k, std::uint32_t wt) {
        const std::uint32_t t = RotateLeft32(a, 5) + f + e + wt + k;
        e = d;
        d = c;
        c = RotateLeft32(b, 30);
        b = a;
        a = t;
    };
    for (int t = 0; t < 20; ++t)
        step((b & c) | (~b & d), 0x5A827999, w[t]);
    for (int t = 20; t < 40; ++t)
        step(b ^ c ^ d, 0x6ED9EBA1, w[t]);
    for (int t = 40; t < 60; ++t)
        step((b & c) | (d & (b | c)), 0x8F1BBCDC, w[t]);
    for (int t = 60; t < 80; ++t)
        step(b ^ c ^ d, 0xCA62C1D6, w[t]);

    ctx.Hash[0] += a;
    ctx.Hash[1] += b;
    ctx.Hash[2] += c;
    ctx.Hash[3] += d;
    ctx.Hash[4] += e;

    // The schedule and the block are message-derived; leave none of it behind.
    SecureZero(w, sizeof w);
    SecureZero(ctx.Buffer, sizeof ctx.Buffer);
}

} // namespace tarnex::detail
