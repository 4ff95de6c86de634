// The implementations behind the bulk CBC operations, listed so that tests and
// the benchmark can run every one of them, not only the one this CPU selects.
#pragma once

#include "crypto/Twofish.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnex::detail {

struct CbcPath {
    const char* Name;
    bool (*Available)() noexcept; // whether this CPU can run it
    void (*Run)(TwofishContext& ctx, void* data, std::size_t blocks) noexcept;
};

struct Cfb8Path {
    const char* Name;
    bool (*Available)() noexcept;
    void (*Run)(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                bool decrypt) noexcept;
};

struct SBoxPath {
    const char* Name;
    bool (*Available)() noexcept;
    void (*Run)(const std::uint32_t* sboxKey, int k, std::uint32_t* tables) noexcept;
};

std::span<const CbcPath> CbcEncryptPaths() noexcept;
std::span<const CbcPath> CbcDecryptPaths() noexcept;
std::span<const Cfb8Path> Cfb8Paths() noexcept;
std::span<const SBoxPath> SBoxPaths() noexcept;

} // namespace tarnex::detail
