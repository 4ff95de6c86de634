// Streaming SHA-1 that scrubs its working data as it goes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnex {

struct Sha1Context {
    std::uint32_t Hash[5];
    std::uint32_t LenHi;
    std::uint32_t LenLo;
    std::uint8_t Buffer[64];
    std::int32_t Index;
};

static_assert(sizeof(Sha1Context) == 96);
static_assert(offsetof(Sha1Context, Hash) == 0);
static_assert(offsetof(Sha1Context, LenHi) == 20);
static_assert(offsetof(Sha1Context, LenLo) == 24);
static_assert(offsetof(Sha1Context, Buffer) == 28);
static_assert(offsetof(Sha1Context, Index) == 92);

void Sha1Start(Sha1Context& ctx) noexcept;
void Sha1Update(Sha1Context& ctx, const void* data, std::int32_t length) noexcept;
// Writes the 20-byte digest, then zeroes the whole context.
void Sha1Finish(Sha1Context& ctx, void* digest) noexcept;

} // namespace tarnex
