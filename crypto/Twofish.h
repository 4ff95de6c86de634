// Twofish (128-bit block, 16 rounds, full keying) with CBC and CFB-8 chaining.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnex {

// One keyed cipher instance. Fixed size, no pointers, safe to zero as bytes.
struct TwofishContext {
    std::int32_t KeyBits;             // 128, 192 or 256
    std::uint32_t SubKeys[40];        // K0..K39
    std::uint32_t SBoxKey[4];         // S(k-1) .. S(0)
    std::uint32_t SBoxTables[4 * 256];// T0/T1 interleaved, then T2/T3 interleaved
    std::uint8_t InitVector[16];
    std::uint8_t ChainBlock[16];
};

static_assert(sizeof(TwofishContext) == 4308);
static_assert(offsetof(TwofishContext, KeyBits) == 0);
static_assert(offsetof(TwofishContext, SubKeys) == 4);
static_assert(offsetof(TwofishContext, SBoxKey) == 164);
static_assert(offsetof(TwofishContext, SBoxTables) == 180);
static_assert(offsetof(TwofishContext, InitVector) == 4276);
static_assert(offsetof(TwofishContext, ChainBlock) == 4292);

// Throws Error("Key length must be between 1 and 32 bytes") before touching ctx.
// iv may be null (all-zero IV).
void TwofishSetup(TwofishContext& ctx, const void* key, std::int32_t length, const void* iv);
void TwofishWipe(TwofishContext& ctx) noexcept;
void TwofishRestart(TwofishContext& ctx) noexcept;

// Single blocks; in and out may be the same 16 bytes.
void TwofishEncryptBlock(const TwofishContext& ctx, const void* in, void* out) noexcept;
void TwofishDecryptBlock(const TwofishContext& ctx, const void* in, void* out) noexcept;

// One CBC block; in and out may be the same 16 bytes.
void TwofishEncryptCbc(TwofishContext& ctx, const void* in, void* out) noexcept;
void TwofishDecryptCbc(TwofishContext& ctx, const void* in, void* out) noexcept;

// Bulk CBC over `blocks` whole 16-byte blocks in place: the same result as
// calling the one-block operations in order, but free to work on many blocks
// at a time where the mode allows it.
void TwofishEncryptCbcBlocks(TwofishContext& ctx, void* data, std::size_t blocks) noexcept;
void TwofishDecryptCbcBlocks(TwofishContext& ctx, void* data, std::size_t blocks) noexcept;

// 8-bit CFB; count <= 0 does nothing. in and out may be the same buffer.
void TwofishEncryptCfb8(TwofishContext& ctx, const void* in, void* out, std::int32_t count) noexcept;
void TwofishDecryptCfb8(TwofishContext& ctx, const void* in, void* out, std::int32_t count) noexcept;

} // namespace tarnex
