// File systems on which overwriting a file in place may not reach its old
// content: copy-on-write and log-structured ones write new data to new
// blocks, network ones to another machine's disks and caches, memory ones to
// memory that may have been swapped out.
#pragma once

#include "engine/CommandWindow.h"

#include <optional>
#include <string>

namespace tarnex {

struct OverwriteRisk {
    const char* fileSystem; // "btrfs"
    const char* kind;       // "copy-on-write", "log-structured", "network", "memory"
};

// The risk of the file system whose statfs type is `type`, if any.
std::optional<OverwriteRisk> OverwriteRiskOfType(long type);
// The risk of the file system that holds `path`; none when it cannot be told.
std::optional<OverwriteRisk> OverwriteRiskOf(const std::string& path);

// What the wipe's confirmation adds when any listed file is on such a file
// system, blank line included; empty otherwise.
std::string OverwriteRiskNote(CommandWindow& window);

} // namespace tarnex
