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

// Plain C++ block operations, for any CPU.
void EncryptBlockPortable(const TwofishContext& ctx, const void* in, void* out) noexcept;
void DecryptBlockPortable(const TwofishContext& ctx, const void* in, void* out) noexcept;

// The same with the x86 round code; only where BMI1 is present.
bool HasBmi() noexcept;
void EncryptBlockBmi(const TwofishContext& ctx, const void* in, void* out) noexcept;
void DecryptBlockBmi(const TwofishContext& ctx, const void* in, void* out) noexcept;

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
