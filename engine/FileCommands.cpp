#include "crypto/Tools.h"
#include "crypto/Twofish.h"
#include "engine/Commands.h"
#include "engine/Files.h"
#include "engine/Key.h"
#include "engine/Text.h"
#include "engine/Transfer.h"
#include "engine/Worker.h"

#include <atomic>
#include <cerrno>
#include <exception>
#include <system_error>
#include <thread>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnex {

std::string EncryptedName(const std::string& path)
{
    return path + ".KVX";
}

std::string DecryptedName(const std::string& path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return path + ".dec";
    return path.substr(0, dot) + ".dec";
}

namespace {

enum class Direction { Encrypt, Decrypt };

void ClearNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

// The input is opened for reading and writing, as the Windows program did
// (its message tells the user to check the read-only mark), and only read
// from. Anything but a regular file is refused: a FIFO would block the first
// read for ever and a device like /dev/zero would never end.
UniqueFd OpenInput(const std::string& path, struct stat& st)
{
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return UniqueFd();
    ClearNonBlocking(fd.Get());
    return fd;
}

// Creates the output (owner-only) or empties an existing regular file of
// that name (keeping its mode). Refuses an output that is the input itself,
// by name or through a link: emptying it would destroy the input unread.
UniqueFd CreateOutput(const std::string& path, const std::string& out, const struct stat& in)
{
    if (out == path)
        return UniqueFd();
    UniqueFd fd(::open(out.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
    if (fd)
        return fd;
    if (errno != EEXIST)
        return UniqueFd();
    fd = UniqueFd(::open(out.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st;
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)
        || (st.st_dev == in.st_dev && st.st_ino == in.st_ino) || ::ftruncate(fd.Get(), 0) != 0)
        return UniqueFd();
    ClearNonBlocking(fd.Get());
    return fd;
}

// One run of the file through the cipher: whole blocks chained, a final
// partial block xored with E_K(0) from its second byte on.
void TransformChunk(TwofishContext& ctx, Direction dir, std::uint8_t* data, std::size_t n)
{
    const std::size_t blocks = n / 16;
    if (dir == Direction::Encrypt)
        TwofishEncryptCbcBlocks(ctx, data, blocks);
    else
        TwofishDecryptCbcBlocks(ctx, data, blocks);
    // The format leaves the first byte of a final partial block as it is.
    if (const std::size_t tail = n % 16; tail != 0)
        XorFinalPartialBlock(ctx, data + blocks * 16, tail, 1);
}

// Streams the input through the cipher into the output at the same offsets.
// The cipher works on one buffer on a helper thread while this thread writes
// the buffers done and refills them; a file that fits one buffer is done in
// line. Every read fills its buffer unless at the end of the file. Several
// buffers in flight let the cipher run on through a slow write.
void Transfer(CommandWindow& window, int in, int out, TwofishContext& ctx, Direction dir,
              std::uint64_t total, const AlignedBuffer& buffers)
{
    std::uint8_t* slot[kFileSlots];
    std::size_t count[kFileSlots] = {};
    std::uint64_t offset[kFileSlots] = {};
    for (std::size_t s = 0; s < kFileSlots; ++s)
        slot[s] = buffers.Data() + s * kFileChunk;

    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);

    std::uint64_t next = 0;
    bool readEnded = false;
    auto readInto = [&](std::size_t s) {
        count[s] = ReadFull(in, slot[s], kFileChunk, next);
        offset[s] = next;
        next += count[s];
        readEnded = count[s] < kFileChunk;
    };

    readInto(0);
    SequentialWorker cipher(
        [&](std::uint64_t job) { TransformChunk(ctx, dir, slot[job % kFileSlots], count[job % kFileSlots]); },
        !readEnded);
    cipher.Submit();
    for (std::size_t s = 1; s < kFileSlots && !readEnded; ++s) {
        readInto(s);
        cipher.Submit();
    }
    for (std::uint64_t job = 0;; ++job) {
        const std::size_t s = job % kFileSlots;
        cipher.WaitFor(job);
        WriteFull(out, slot[s], count[s], offset[s]);
        window.ReportProgress(offset[s] + count[s], total);
        if (count[s] < kFileChunk)
            break;
        if (!readEnded) {
            readInto(s);
            cipher.Submit();
        }
    }
}

// Decryption needs no running chain: the chaining value of a chunk is the
// last encrypted block before it, which is on the disk. So two threads each
// take every other chunk and read, decrypt and write it on their own, which
// shares the page-cache copying between both cores as well as the cipher.
// The bytes are those of the one-thread pipeline.
void DecryptInParallel(CommandWindow& window, int in, int out, const TwofishContext& ctx, std::uint64_t total,
                       const AlignedBuffer& buffers)
{
    std::atomic<bool> failed{false};
    auto lane = [&](std::uint64_t first, std::uint64_t step, std::uint8_t* buffer, bool report) {
        TwofishContext local;
        try {
            for (std::uint64_t chunk = first; !failed.load(std::memory_order_relaxed); chunk += step) {
                const std::uint64_t offset = chunk * kFileChunk;
                const std::size_t n = ReadFull(in, buffer, kFileChunk, offset);
                std::memcpy(&local, &ctx, sizeof local);
                if (offset > 0 && n > 0 && ReadFull(in, local.ChainBlock, 16, offset - 16) != 16)
                    ThrowSystemError(EIO); // the file shrank under us
                TransformChunk(local, Direction::Decrypt, buffer, n);
                WriteFull(out, buffer, n, offset);
                if (report)
                    window.ReportProgress(offset + n, total);
                if (n < kFileChunk)
                    break;
            }
        } catch (...) {
            failed = true;
            SecureZero(&local, sizeof local);
            throw;
        }
        SecureZero(&local, sizeof local);
    };

    std::exception_ptr helperError;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                lane(1, 2, buffers.Data() + kFileChunk, false);
            } catch (...) {
                helperError = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        lane(0, 1, buffers.Data(), true);
        return;
    }
    std::exception_ptr ownError;
    try {
        lane(0, 2, buffers.Data(), true);
    } catch (...) {
        ownError = std::current_exception();
    }
    helper.join();
    if (ownError)
        std::rethrow_exception(ownError);
    if (helperError)
        std::rethrow_exception(helperError);
}

void RunFileCommand(CommandWindow& window, Direction dir)
{
    const bool encrypt = dir == Direction::Encrypt;
    if (window.RowCount() <= 0)
        return;
    if (SecretString(window.PasswordText()).value.empty()) {
        window.ShowMessage(MessageKind::Plain, "You have to write a password...");
        return;
    }
    window.SetStatusText(encrypt ? "Working... Encrypting..." : "Working... Decrypting...");

    const AlignedBuffer buffers(kFileSlots * kFileChunk);
    const int rows = window.RowCount();
    for (int row = 0; row < rows; ++row) {
        PreparedCipher cipher;
        {
            SecretString password(window.PasswordText());
            SecretString keyBytes(TextToBytes(password.value));
            PrepareCipher(keyBytes.value, cipher.ctx);
        }
        const std::string path = window.RowPath(row);

        struct stat inStat;
        UniqueFd in = OpenInput(path, inStat);
        if (!in) {
            cipher.Wipe();
            window.ShowMessage(MessageKind::Information,
                               encrypt ? path + " cannot be opened. Check if the file is Read Only."
                                       : path + " cannot be opened...");
            window.SetStatusText("Ready");
            return;
        }

        const std::string outName = encrypt ? EncryptedName(path) : DecryptedName(path);
        UniqueFd out = CreateOutput(path, outName, inStat);
        if (!out) {
            in.Reset();
            cipher.Wipe();
            window.ShowMessage(MessageKind::Error,
                               encrypt ? "Unable to create output file: \" " + outName + " \""
                                       : std::string("Unable to create output file..."));
            window.SetStatusText("Ready");
            return;
        }

        try {
            const auto size = static_cast<std::uint64_t>(inStat.st_size);
            if (dir == Direction::Decrypt && size > kFileChunk)
                DecryptInParallel(window, in.Get(), out.Get(), cipher.ctx, size, buffers);
            else
                Transfer(window, in.Get(), out.Get(), cipher.ctx, dir, size, buffers);
            in.Reset();
            out.Close();
        } catch (...) {
            // Without a header or length a cut-short output would later pass
            // for a whole file; leave none behind.
            in.Reset();
            out.Reset();
            ::unlink(outName.c_str());
            throw;
        }
    }

    window.SetPasswordText(std::string(encrypt ? 49 : 51, '0'));
    window.SetPasswordText(std::string());
    window.ShowMessage(MessageKind::Plain, "All done, " + std::to_string(window.RowCount())
                                               + (encrypt ? " file(s) encrypted." : " file(s) decrypted."));
    window.SetStatusText("Ready");
    window.ClearRows();
}

} // namespace

void EncryptFiles(CommandWindow& window)
{
    RunFileCommand(window, Direction::Encrypt);
}

void DecryptFiles(CommandWindow& window)
{
    RunFileCommand(window, Direction::Decrypt);
}

} // namespace tarnex
