#include "engine/Wipe.h"

#include "crypto/Tools.h"
#include "crypto/Twofish.h"
#include "engine/Commands.h"
#include "engine/FileSystems.h"
#include "engine/Files.h"
#include "engine/Key.h"
#include "engine/Text.h"
#include "engine/Transfer.h"
#include "engine/Worker.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnex {

bool WipeSucceeded = false;

const char* const FillerName = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.aaaaaaa";

int ParsePasses(const std::string& text)
{
    std::size_t start = 0;
    if (!text.empty() && text[0] == '+')
        start = 1; // from_chars takes '-' but not '+'
    int value = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value, 10);
    if (first == last || ec != std::errc() || end != last || (start == 1 && first[0] == '-'))
        throw Error("'" + text + "' is not a valid integer value");
    return value;
}

std::string WipeDateTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[128];
    const std::size_t n = std::strftime(text, sizeof text, "%x %X", &local);
    return std::string(text, n);
}

namespace {

const char* const kProgressRangeError = "TProgressBar property out of range";

// Moves path to filler without ever replacing a file of that name: the wipe
// must leave an existing filler-named file alone. Where the file system has
// no exclusive rename, a hard link (which fails on an existing name) and an
// unlink do the same.
bool MoveNoReplace(const std::string& path, const std::string& filler)
{
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, filler.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    if (::link(path.c_str(), filler.c_str()) != 0)
        return false;
    if (::unlink(path.c_str()) != 0) {
        ::unlink(filler.c_str());
        return false;
    }
    return true;
}

void WritePattern(int fd, const AlignedBuffer& pattern, std::uint64_t offset, std::size_t length)
{
    while (length > 0) {
        const std::size_t n = std::min(length, pattern.Size());
        WriteFull(fd, pattern.Data(), n, offset);
        offset += n;
        length -= n;
    }
}

// Buffers of one wipe, allocated once per file.
struct WipeBuffers {
    AlignedBuffer zeros{kPatternSize};
    AlignedBuffer ones{kPatternSize};
    AlignedBuffer cipher{2 * kWipeRegion};
    WipeBuffers()
    {
        std::memset(zeros.Data(), 0x00, zeros.Size());
        std::memset(ones.Data(), 0xFF, ones.Size());
    }
};

// One pass: every byte is overwritten with 0x00, then 0xFF, then the CBC
// encryption of the 0xFF content under the pass's key, and each overwrite
// is synced to the disk before the next one covers it.
//
// The sub-passes are staggered over regions of the file: step t writes
// zeros over region t, 0xFF over region t-1 and the cipher over region t-2,
// then syncs. Each byte thus still sees the three overwrites in order, each
// on the disk before the next, while one sync serves three regions and the
// cipher, computed on a helper thread two regions ahead, runs while the disk
// writes. A file of one region gets the plain order: zeros, sync, 0xFF,
// sync, cipher, sync. The content before the cipher is known to be all 0xFF,
// so it is not read back.
void WipePass(CommandWindow& window, int fd, std::uint64_t size, TwofishContext& ctx, WipeBuffers& buffers)
{
    const std::uint64_t regions = (size + kWipeRegion - 1) / kWipeRegion;
    const auto regionLength = [&](std::uint64_t r) {
        return static_cast<std::size_t>(std::min<std::uint64_t>(kWipeRegion, size - r * kWipeRegion));
    };
    std::uint8_t* const slot[2] = {buffers.cipher.Data(), buffers.cipher.Data() + kWipeRegion};

    SequentialWorker cipher(
        [&](std::uint64_t r) {
            std::uint8_t* data = slot[r % 2];
            const std::size_t n = regionLength(r);
            std::memset(data, 0xFF, n);
            const std::size_t blocks = n / 16;
            TwofishEncryptCbcBlocks(ctx, data, blocks);
            // Unlike the file format, the wipe covers the tail's first byte too.
            if (const std::size_t tail = n % 16; tail != 0)
                XorFinalPartialBlock(ctx, data + blocks * 16, tail, 0);
        },
        regions > 1);
    cipher.Submit();
    if (regions > 1)
        cipher.Submit();

    for (std::uint64_t step = 0; step < regions + 2; ++step) {
        if (step < regions)
            WritePattern(fd, buffers.zeros, step * kWipeRegion, regionLength(step));
        if (step >= 1 && step - 1 < regions)
            WritePattern(fd, buffers.ones, (step - 1) * kWipeRegion, regionLength(step - 1));
        if (step >= 2) {
            const std::uint64_t r = step - 2;
            cipher.WaitFor(r);
            WriteFull(fd, slot[r % 2], regionLength(r), r * kWipeRegion);
            if (step < regions)
                cipher.Submit(); // region `step` into the slot just written
        }
        SyncData(fd);
        if (step >= 2)
            window.ReportProgress(std::min<std::uint64_t>(size, (step - 1) * kWipeRegion), size);
    }
}

// Restores the normal cursor when the wipe leaves by an exception.
class BusyCursor {
public:
    explicit BusyCursor(CommandWindow& window) : window_(window) { window_.SetBusyCursor(true); }
    ~BusyCursor()
    {
        if (busy_)
            window_.SetBusyCursor(false);
    }
    void Restore()
    {
        busy_ = false;
        window_.SetBusyCursor(false);
    }

private:
    CommandWindow& window_;
    bool busy_ = true;
};

} // namespace

void WipeFile(CommandWindow& window, const std::string& path, int passes)
{
    if (passes < 0)
        throw Error(kProgressRangeError);
    BusyCursor cursor(window);
    window.SetProgressMaximum(passes);

    const auto openFailure = [&] {
        window.Beep();
        window.ShowMessage(MessageKind::Information, "Unable to get the file to erase: \n\n" + path);
        window.ClearRememberedFileName();
        cursor.Restore();
        WipeSucceeded = false;
    };

    // Only a regular file is wiped: a folder would be renamed and then fail
    // to open, and a link would overwrite a file somewhere else.
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        openFailure();
        return;
    }

    const std::string folder = FolderPart(path);
    const std::string filler = folder + FillerName;
    std::string working = path;
    if (MoveNoReplace(path, filler)) {
        working = filler;
        SyncFolder(folder);
    }

    PreparedCipher cipher;
    std::unique_ptr<WipeBuffers> buffers;
    for (int pass = 1; pass <= passes; ++pass) {
        UniqueFd fd(::open(working.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
        struct stat now;
        if (!fd || ::fstat(fd.Get(), &now) != 0 || !S_ISREG(now.st_mode)) {
            fd.Reset();
            cipher.Wipe();
            openFailure();
            return;
        }
        window.SetStatusText("Working: " + NamePart(path) + " pass #: " + std::to_string(pass));
        window.SetPassLabel("Pass #:" + std::to_string(pass));
        window.StepProgress();

        {
            SecretString keyText(path + WipeDateTimeText());
            PrepareCipher(keyText.value, cipher.ctx);
        }
        if (now.st_size > 0) {
            if (!buffers)
                buffers = std::make_unique<WipeBuffers>();
            WipePass(window, fd.Get(), static_cast<std::uint64_t>(now.st_size), cipher.ctx, *buffers);
        }
        fd.Close();
    }
    cipher.Wipe();

    if (::unlink(working.c_str()) != 0)
        ThrowSystemError(errno);
    SyncFolder(folder);

    cursor.Restore();
    window.SetProgressPosition(0);
    WipeSucceeded = true;
}

void WipeCommand(CommandWindow& window)
{
    const int rows = window.RowCount();
    if (rows <= 0)
        return;
    if (!window.Confirm("Are you sure you want to wipe all these files?\n"
                        "Note: Once the file is deleted there is no\n"
                        "way to recover it."
                        + OverwriteRiskNote(window)))
        return;

    // The owner's write permission stands for the read-only mark. Only
    // regular files are touched, and never through a link.
    for (int row = 0; row < rows; ++row) {
        const std::string path = window.RowPath(row);
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) != 0)
            continue;
        const mode_t mode = (st.st_mode & 07777) | S_IWUSR;
        if (::fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOTSUP)
            ::chmod(path.c_str(), mode); // no way to refuse links here; lstat saw a regular file
    }

    const int passes = ParsePasses(window.PassesText());
    if (passes < 0)
        throw Error(kProgressRangeError);
    for (int row = 0; row < rows; ++row)
        WipeFile(window, window.RowPath(row), passes);

    if (WipeSucceeded)
        window.ShowMessage(MessageKind::Plain, "File(s) wiped...");
    window.ClearRows();
    window.SetStatusText("Ready");
    window.SetPassLabel("Pass #:");
    WipeSucceeded = false;
}

} // namespace tarnex
