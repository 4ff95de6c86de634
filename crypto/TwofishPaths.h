// The implementations behind the bulk CBC operations, listed so that tests and
// the benchmark can run every one of them, not only the one this CPU selects.
#pragma once

#include "crypto/Twofish.h"

#include <cstddef>
#include <span>

namespace tarnex::detail {

struct CbcPath {
    const char* Name;
    bool (*Available)() noexcept; // whether this CPU can run it
    void (*Run)(TwofishContext& ctx, void* data, std::size_t blocks) noexcept;
};

std::span<const CbcPath> CbcEncryptPaths() noexcept;
std::span<const CbcPath> CbcDecryptPaths() noexcept;

} // namespace tarnex::detail
