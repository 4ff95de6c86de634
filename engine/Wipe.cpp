#include "engine/Wipe.h"

#include "crypto/Tools.h"
#include "crypto/Twofish.h"
#include "engine/FileSystems.h"
#include "engine/Files.h"
#include "engine/Interrupts.h"
#include "engine/Key.h"
#include "engine/Text.h"
#include "engine/Worker.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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
const char* const kWipeQuestion = "Are you sure you want to wipe all these files?\n"
                                  "Note: Once the file is deleted there is no\n"
                                  "way to recover it.";

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void WritePattern(int fd, const AlignedBuffer& pattern, std::uint64_t offset, std::size_t length,
                  const std::string& name)
{
    while (length > 0) {
        const std::size_t n = std::min(length, pattern.Size());
        WriteFull(fd, pattern.Data(), n, offset, name);
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

// One pass over [from, to): every byte is overwritten with 0x00, then 0xFF,
// then the CBC encryption of the 0xFF content under the pass's key, and each
// overwrite is synced to the disk before the next one covers it.
//
// The sub-passes are staggered over regions of the file: step t writes
// zeros over region t, 0xFF over region t-1 and the cipher over region t-2,
// then syncs. Each byte thus still sees the three overwrites in order, each
// on the disk before the next, while one sync serves three regions and the
// cipher, computed on a helper thread two regions ahead, runs while the disk
// writes. A file of one region gets the plain order: zeros, sync, 0xFF,
// sync, cipher, sync. The content before the cipher is known to be all 0xFF,
// so it is not read back.
void WipePass(CommandWindow& window, int fd, std::uint64_t from, std::uint64_t to, TwofishContext& ctx,
              WipeBuffers& buffers, const std::string& name)
{
    const std::uint64_t size = to - from;
    const std::uint64_t regions = (size + kWipeRegion - 1) / kWipeRegion;
    const auto regionLength = [&](std::uint64_t r) {
        return static_cast<std::size_t>(std::min<std::uint64_t>(kWipeRegion, size - r * kWipeRegion));
    };
    const auto regionStart = [&](std::uint64_t r) { return from + r * kWipeRegion; };
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
            WritePattern(fd, buffers.zeros, regionStart(step), regionLength(step), name);
        if (step >= 1 && step - 1 < regions)
            WritePattern(fd, buffers.ones, regionStart(step - 1), regionLength(step - 1), name);
        if (step >= 2) {
            const std::uint64_t r = step - 2;
            cipher.WaitFor(r);
            WriteFull(fd, slot[r % 2], regionLength(r), regionStart(r), name);
            if (step < regions)
                cipher.Submit(); // region `step` into the slot just written
        }
        SyncData(fd, name);
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

// Opens the listed file for the whole wipe: one descriptor, so that the file
// overwritten is the file checked, whatever happens to its name meanwhile.
UniqueFd OpenForWipe(const std::string& path, struct stat& st)
{
    // Only a regular file is wiped: a folder would be renamed and then fail
    // to open, and a link would overwrite a file somewhere else.
    struct stat named;
    if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode))
        return UniqueFd();
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || !SameFile(st, named))
        return UniqueFd();
    return fd;
}

// Whether the file can be moved to the filler name and deleted from its
// folder; when it cannot, overwriting it would destroy what then stays.
bool FolderAllowsRemoval(const std::string& folder, const struct stat& file)
{
    const char* dir = FolderArgument(folder);
    struct stat st;
    if (::faccessat(AT_FDCWD, dir, W_OK | X_OK, AT_EACCESS) != 0 || ::stat(dir, &st) != 0)
        return false;
    // In a sticky folder (like /tmp) only the file's or the folder's owner
    // may move or remove it.
    const uid_t me = ::geteuid();
    if ((st.st_mode & S_ISVTX) != 0 && me != 0 && me != file.st_uid && me != st.st_uid)
        return false;
    // An append-only or immutable folder refuses every removal, root's too.
    const UniqueFd fd(::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
    int flags = 0;
    if (fd && ::ioctl(fd.Get(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0)
        return false;
    return true;
}

// The listed file while it bears the filler name: put back under its own
// name on every way out but its deletion, and by an interrupt.
class MovedFile {
public:
    MovedFile(const std::string& listed, const struct stat& st) : listed_(listed), working_(listed), st_(st) {}
    ~MovedFile() { PutBack(); }
    MovedFile(const MovedFile&) = delete;
    MovedFile& operator=(const MovedFile&) = delete;

    // False when the file could not be moved for another reason than a
    // filler-named file already there (then it is wiped under its own name):
    // a folder that refuses the move would refuse the delete as well.
    bool MoveTo(const std::string& filler)
    {
        if (!MoveNoReplace(listed_.c_str(), filler.c_str()))
            return errno == EEXIST || errno == ENAMETOOLONG;
        working_ = filler;
        moved_ = true;
        RegisterMovedFile(working_, listed_);
        // Between the open and the move the name could have been given to
        // another file; that one is put back at once, untouched.
        return StillThere();
    }
    // The working name still names the file being wiped.
    bool StillThere() const
    {
        struct stat now;
        return ::lstat(working_.c_str(), &now) == 0 && SameFile(now, st_);
    }
    const std::string& Working() const { return working_; }
    void Deleted()
    {
        ForgetMovedFile();
        moved_ = false;
    }
    void PutBack() noexcept
    {
        if (!moved_)
            return;
        ForgetMovedFile();
        moved_ = false;
        if (StillThere())
            MoveNoReplace(working_.c_str(), listed_.c_str());
        working_ = listed_;
    }

private:
    std::string listed_;
    std::string working_;
    struct stat st_;
    bool moved_ = false;
};

// The wipe proper, on the file opened and checked: false when it had to
// stop before any overwrite because the file is not where it was.
bool WipeOpened(CommandWindow& window, const std::string& path, int fd, const struct stat& st, int passes)
{
    const std::string folder = FolderPart(path);
    FilesAtHand atHand;
    MovedFile file(path, st);
    if (!file.MoveTo(folder + FillerName))
        return false;
    if (file.Working() != path)
        SyncFolder(folder);

    PreparedCipher cipher;
    std::unique_ptr<WipeBuffers> buffers;
    const auto overwrite = [&](std::uint64_t from, std::uint64_t to) {
        if (to <= from)
            return;
        if (!buffers)
            buffers = std::make_unique<WipeBuffers>();
        WipePass(window, fd, from, to, cipher.ctx, *buffers, path);
    };
    const auto currentSize = [&] {
        struct stat now;
        if (::fstat(fd, &now) != 0)
            ThrowFileError("Wiping", path, errno);
        return static_cast<std::uint64_t>(now.st_size);
    };
    for (int pass = 1; pass <= passes; ++pass) {
        if (!file.StillThere())
            return false;
        window.SetStatusText("Working: " + NamePart(path) + " pass #: " + std::to_string(pass));
        window.SetPassLabel("Pass #:" + std::to_string(pass));
        window.StepProgress();
        {
            SecretString keyText(path + WipeDateTimeText());
            PrepareCipher(keyText.value, cipher.ctx);
        }
        std::uint64_t covered = currentSize();
        overwrite(0, covered);
        // Whatever was appended meanwhile is overwritten too before the
        // file goes; the last pass runs until the file stops growing.
        for (std::uint64_t size; pass == passes && (size = currentSize()) > covered; covered = size)
            overwrite(covered, size);
    }
    cipher.Wipe();

    if (::unlink(file.Working().c_str()) != 0)
        ThrowFileError("Deleting", path, errno);
    file.Deleted();
    SyncFolder(folder);
    return true;
}

} // namespace

bool WipeFile(CommandWindow& window, const std::string& path, int passes)
{
    if (passes < 0)
        throw Error(kProgressRangeError);
    BusyCursor cursor(window);
    window.SetProgressMaximum(passes);

    // Everything the wipe needs is checked before the file is moved: a file
    // it cannot finish is left as it was, under its own name.
    struct stat st;
    const UniqueFd fd = OpenForWipe(path, st);
    if (!fd || !FolderAllowsRemoval(FolderPart(path), st) || !WipeOpened(window, path, fd.Get(), st, passes)) {
        window.Beep();
        window.ShowMessage(MessageKind::Information, "Unable to get the file to erase: \n\n" + path);
        window.ClearRememberedFileName();
        cursor.Restore();
        WipeSucceeded = false;
        return false;
    }

    cursor.Restore();
    window.SetProgressPosition(0);
    WipeSucceeded = true;
    return true;
}

CommandOutcome WipeCommand(CommandWindow& window)
{
    CommandOutcome outcome;
    const int rows = window.RowCount();
    if (rows <= 0)
        return outcome;
    if (!window.Confirm(kWipeQuestion + OverwriteRiskNote(window))) {
        outcome.status = CommandOutcome::Status::Cancelled;
        return outcome;
    }

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

    // A negative count stops the first WipeFile before anything is moved.
    const int passes = ParsePasses(window.PassesText());
    outcome.status = CommandOutcome::Status::Done;
    for (int row = 0; row < rows; ++row) {
        const std::string path = window.RowPath(row);
        if (WipeFile(window, path, passes)) {
            ++outcome.filesDone;
        } else if (outcome.status == CommandOutcome::Status::Done) {
            outcome.status = CommandOutcome::Status::Failed;
            outcome.failure = "Unable to get the file to erase: \n\n" + path;
        }
    }

    if (WipeSucceeded)
        window.ShowMessage(MessageKind::Plain, "File(s) wiped...");
    window.ClearRows();
    window.SetStatusText("Ready");
    window.SetPassLabel("Pass #:");
    WipeSucceeded = false;
    return outcome;
}

} // namespace tarnex
