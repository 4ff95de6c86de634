#include "engine/FileSystems.h"

#include <sys/vfs.h>

namespace tarnex {
namespace {

struct KnownFileSystem {
    unsigned long type; // statfs f_type, as <linux/magic.h> and the file systems give it
    OverwriteRisk risk;
};

// FUSE is left out: behind it may be a network (sshfs) or a plain disk
// (ntfs-3g), and its type does not tell which.
constexpr KnownFileSystem kKnown[] = {
    {0x9123683E, {"btrfs", "copy-on-write"}},
    {0x2FC12FC1, {"ZFS", "copy-on-write"}},
    {0xCA451A4E, {"bcachefs", "copy-on-write"}},
    {0x794C7630, {"overlayfs", "copy-on-write"}}, // a lower layer's file is copied up, not overwritten
    {0xF2F52010, {"F2FS", "log-structured"}},
    {0x3434, {"NILFS", "log-structured"}},
    {0x72B6, {"JFFS2", "log-structured"}},
    {0x24051905, {"UBIFS", "log-structured"}},
    {0x5941FF53, {"YAFFS", "log-structured"}},
    {0x6969, {"NFS", "network"}},
    {0x517B, {"SMB", "network"}},
    {0xFF534D42, {"CIFS", "network"}},
    {0xFE534D42, {"SMB2", "network"}},
    {0x00C36400, {"Ceph", "network"}},
    {0x6B414653, {"AFS", "network"}},
    {0x5346414F, {"OpenAFS", "network"}},
    {0x01021997, {"9P", "network"}},
    {0x01021994, {"tmpfs", "memory"}},
    {0x858458F6, {"ramfs", "memory"}},
};

} // namespace

std::optional<OverwriteRisk> OverwriteRiskOfType(long type)
{
    // f_type is a signed word: a magic number with its top bit set comes
    // back negative on 32-bit systems.
    const auto magic = static_cast<unsigned long>(type) & 0xFFFFFFFFul;
    for (const KnownFileSystem& known : kKnown)
        if (known.type == magic)
            return known.risk;
    return std::nullopt;
}

std::optional<OverwriteRisk> OverwriteRiskOf(const std::string& path)
{
    struct statfs st;
    if (::statfs(path.c_str(), &st) != 0)
        return std::nullopt;
    return OverwriteRiskOfType(static_cast<long>(st.f_type));
}

std::string OverwriteRiskNote(CommandWindow& window)
{
    for (int row = 0, rows = window.RowCount(); row < rows; ++row)
        if (OverwriteRiskOf(window.RowPath(row)))
            return "\n\nSome of these files are on a copy-on-write, log-structured, network or memory file system, "
                   "where overwriting may not reach every copy of their old content.";
    return std::string();
}

} // namespace tarnex
