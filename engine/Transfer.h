// Sizes and names shared by the file commands, the wipe and their tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnex {

// Files move through a few buffers of this size: the cipher works on one
// while the others are written out and refilled. Any multiple of 16 gives the
// same bytes, since the chain runs on from buffer to buffer and only the
// file's last bytes can form a partial block.
constexpr std::size_t kFileChunk = std::size_t{1} << 20;
constexpr std::size_t kFileSlots = 4;
// A wipe pass overwrites the file in regions of this size; see Wipe.cpp.
constexpr std::size_t kWipeRegion = std::size_t{4} << 20;
// Runs of zero or 0xFF bytes are written from a pattern buffer of this size.
constexpr std::size_t kPatternSize = std::size_t{256} << 10;

// "<path>.KVX".
std::string EncryptedName(const std::string& path);
// The path with its extension (from the last '.' not followed by a '/')
// replaced by ".dec", or ".dec" appended when it has none.
std::string DecryptedName(const std::string& path);

} // namespace tarnex
