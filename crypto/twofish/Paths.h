// Every implementation behind the cipher's operations, and the tables that
// list them best first (Dispatch.cpp), for the operations themselves and for
// the tests and the benchmark, which run every entry the CPU can run.
#pragma once

#include "crypto/Cpu.h"
#include "crypto/Twofish.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnex::detail {

using BlockFn = void(const TwofishContext& ctx, const void* in, void* out) noexcept;
// CBC over `blocks` whole blocks, chaining through ctx.ChainBlock; in may equal
// out. A path with a Group of more than one takes multiples of it only.
using CbcFn = void(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept;
using Cfb8Fn = void(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                    bool decrypt) noexcept;
// The key-dependent tables from the S-box key words (list order), k = 2..4.
using SBoxFn = void(const std::uint32_t* sboxKey, int k, std::uint32_t* tables) noexcept;

// Portable.cpp: plain C++, any CPU.
BlockFn EncryptBlockPortable, DecryptBlockPortable;
CbcFn EncryptCbcPortable, DecryptCbcPortable;
CbcFn DecryptCbcPortableX4; // four blocks side by side
Cfb8Fn Cfb8Portable;
// KeySchedule.cpp: the whole key schedule, with the tables built by `buildSBoxes`.
void SetUp(TwofishContext& ctx, const void* key, std::int32_t length, const void* iv, SBoxFn* buildSBoxes);
SBoxFn BuildSBoxesPortable;

#if defined(__x86_64__)
// X86Bmi.cpp: scheduled x86-64 rounds, with BMI1.
BlockFn EncryptBlockBmi, DecryptBlockBmi;
CbcFn EncryptCbcBmi, DecryptCbcBmi;
Cfb8Fn Cfb8Bmi;
// Avx2CbcDecrypt.cpp, Avx512CbcDecrypt.cpp, GfniCbcDecrypt.cpp: many blocks
// in vector registers.
CbcFn DecryptCbcAvx2, DecryptCbcAvx512, DecryptCbcGfni;
// GfniKeySchedule.cpp
SBoxFn BuildSBoxesGfni;
#endif

std::span<const Path<BlockFn>> EncryptBlockPaths() noexcept;
std::span<const Path<BlockFn>> DecryptBlockPaths() noexcept;
std::span<const Path<CbcFn>> CbcEncryptPaths() noexcept;
std::span<const Path<CbcFn>> CbcDecryptPaths() noexcept;
std::span<const Path<Cfb8Fn>> Cfb8Paths() noexcept;
std::span<const Path<SBoxFn>> SBoxPaths() noexcept;

// Many blocks by the entries of `paths` that `cpu` can run: the first takes
// all the whole groups it can, each next one whole groups of what is left.
void RunCbc(std::span<const Path<CbcFn>> paths, Features cpu, TwofishContext& ctx, const std::uint8_t* in,
            std::uint8_t* out, std::size_t blocks) noexcept;

} // namespace tarnex::detail
