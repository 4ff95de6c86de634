// The Encrypt and Decrypt commands: every listed file to a companion file of
// the same length beside it, whole and on the disk before "All done".
#pragma once

#include "engine/CommandWindow.h"
#include "engine/Outcome.h"

#include <cstddef>
#include <string>

namespace tarnex {

// Encrypt button: every listed file to "<path>.KVX".
CommandOutcome EncryptFiles(CommandWindow& window);
// Decrypt button: every listed file to its name with the extension replaced by ".dec".
CommandOutcome DecryptFiles(CommandWindow& window);

// How the commands run; the defaults are the program's. The benchmark sets
// them to compare with the cost of durability and of one core.
struct FileCommandSettings {
    bool durable = true;  // outputs synced to the disk before "All done"
    unsigned lanes = 0;   // files transferred side by side; 0 is one per core
};
CommandOutcome EncryptFiles(CommandWindow& window, const FileCommandSettings& settings);
CommandOutcome DecryptFiles(CommandWindow& window, const FileCommandSettings& settings);

// "<path>.KVX".
std::string EncryptedName(const std::string& path);
// The path with its extension (from the last '.' not followed by a '/')
// replaced by ".dec", or ".dec" appended when it has none.
std::string DecryptedName(const std::string& path);

// Files move through a few buffers of this size: the cipher works on one
// while the others are written out and refilled. Any multiple of 16 gives the
// same bytes, since the chain runs on from buffer to buffer and only the
// file's last bytes can form a partial block.
constexpr std::size_t kFileChunk = std::size_t{1} << 20;
constexpr std::size_t kFileSlots = 4;

} // namespace tarnex
