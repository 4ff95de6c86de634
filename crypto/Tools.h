// Small helpers shared by the cipher and the digest, plus the error type that
// every layer raises: an exception carrying the program's own message text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarnex {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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
