#include "crypto/Tools.h"

#include <cstring>

namespace tarnex {

void XorBuffers(const void* a, const void* b, void* out, std::int32_t count)
{
    // Byte by byte in ascending order, so that out may alias a or b.
    const auto* pa = static_cast<const std::uint8_t*>(a);
    const auto* pb = static_cast<const std::uint8_t*>(b);
    auto* po = static_cast<std::uint8_t*>(out);
    for (std::int32_t i = 0; i < count; ++i)
        po[i] = static_cast<std::uint8_t>(pa[i] ^ pb[i]);
}

void SecureZero(void* p, std::size_t n) noexcept
{
    if (n != 0)
        explicit_bzero(p, n);
}

} // namespace tarnex
