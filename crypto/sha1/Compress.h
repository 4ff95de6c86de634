// The compression function behind the digest, and the implementations of it
// (Dispatch.cpp lists them best first), for the digest and for the tests.
#pragma once

#include "crypto/Cpu.h"
#include "crypto/SHA1.h"

#include <span>

namespace tarnex {

// Processes the 64 bytes of Buffer into Hash, then zeroes Buffer and every
// word derived from it.
void Sha1Compress(Sha1Context& ctx) noexcept;

namespace detail {

using Sha1CompressFn = void(Sha1Context& ctx) noexcept;

Sha1CompressFn Sha1CompressPortable; // Portable.cpp
#if defined(__x86_64__)
Sha1CompressFn Sha1CompressShaNi; // X86ShaNi.cpp: the SHA extensions
#endif

std::span<const Path<Sha1CompressFn>> Sha1CompressPaths() noexcept;

} // namespace detail

} // namespace tarnex
