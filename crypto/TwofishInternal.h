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

} // namespace tarnex::detail
