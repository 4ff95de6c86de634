// Small helpers shared by the cipher and the digest. The error type comes
// along, since every user of these raises or catches it.
#pragma once

#include "base/Error.h"

#include <cstddef>
#include <cstdint>

namespace tarnex {

// out[i] = a[i] ^ b[i] for i ascending; out may alias a or b. count <= 0 does nothing.
void XorBuffers(const void* a, const void* b, void* out, std::int32_t count);

constexpr std::uint32_t RotateLeft32(std::uint32_t x, unsigned n) noexcept
{
    n &= 31;
    return n == 0 ? x : (x << n) | (x >> (32 - n));
}

constexpr std::uint32_t RotateRight32(std::uint32_t x, unsigned n) noexcept
{
    n &= 31;
    return n == 0 ? x : (x >> n) | (x << (32 - n));
}

// Zeroes memory in a way the optimiser may not remove, for key material.
void SecureZero(void* p, std::size_t n) noexcept;

} // namespace tarnex
