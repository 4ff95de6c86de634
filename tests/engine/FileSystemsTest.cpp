#include "engine/Commands.h"
#include "engine/FileSystems.h"
#include "tests/support/Bytes.h"
#include "tests/support/Files.h"
#include "tests/support/RecordingWindow.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace tarnex::test;

namespace {

TEST(OverwriteRisk, NamesTheFileSystemsThatMayKeepOldContent)
{
    struct Case {
        long type;
        const char* fileSystem; // nullptr: overwriting in place reaches the disk
        const char* kind;
    };
    const Case cases[] = {
        {0x9123683E, "btrfs", "copy-on-write"},
        {0x2FC12FC1, "ZFS", "copy-on-write"},
        {0x794C7630, "overlayfs", "copy-on-write"},
        {0xF2F52010, "F2FS", "log-structured"},
        {0x6969, "NFS", "network"},
        // A 32-bit statfs gives magic numbers with the top bit set as negative.
        {static_cast<std::int32_t>(0xFF534D42u), "CIFS", "network"},
        {0x01021994, "tmpfs", "memory"},
        {0xEF53, nullptr, nullptr},     // ext2, ext3, ext4
        {0x58465342, nullptr, nullptr}, // XFS
        {0x65735546, nullptr, nullptr}, // FUSE: could be anything
    };
    for (const auto& c : cases) {
        const auto risk = tarnex::OverwriteRiskOfType(c.type);
        ASSERT_EQ(risk.has_value(), c.fileSystem != nullptr) << std::hex << c.type;
        if (risk) {
            EXPECT_STREQ(risk->fileSystem, c.fileSystem);
            EXPECT_STREQ(risk->kind, c.kind);
        }
    }
    EXPECT_FALSE(tarnex::OverwriteRiskOf("/no/such/file"));
}

TEST(OverwriteRisk, TheWipeQuestionGainsOneSentenceWhenAnyFileIsOnSuchAFileSystem)
{
    const std::string question = "confirm:Are you sure you want to wipe all these files?\n"
                                 "Note: Once the file is deleted there is no\nway to recover it.";
    const std::string note = "\n\nSome of these files are on a copy-on-write, log-structured, network or memory "
                             "file system, where overwriting may not reach every copy of their old content.";
    TempDir dir;
    const std::string onDisk = dir / "disk.txt";
    WriteBytes(onDisk, "x");
    if (tarnex::OverwriteRiskOf(onDisk))
        GTEST_SKIP() << "the temporary folder is itself on such a file system";
    const TempDir memory("/dev/shm");
    const std::string inMemory = memory / "memory.txt";
    WriteBytes(inMemory, "x");
    const auto risk = tarnex::OverwriteRiskOf(inMemory);

    RecordingWindow w;
    w.confirmAnswer = false;
    w.rows = {onDisk};
    tarnex::WipeCommand(w);
    w.rows = {onDisk, inMemory};
    tarnex::WipeCommand(w);

    ASSERT_TRUE(risk) << "/dev/shm is not tmpfs here";
    EXPECT_STREQ(risk->fileSystem, "tmpfs");
    EXPECT_EQ(w.Effects(), (std::vector<std::string>{question, question + note}));
}

} // namespace
