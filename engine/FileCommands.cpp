#include "engine/FileCommands.h"

#include "crypto/Tools.h"
#include "crypto/Twofish.h"
#include "engine/Files.h"
#include "engine/Interrupts.h"
#include "engine/Key.h"
#include "engine/Output.h"
#include "engine/Text.h"
#include "engine/Worker.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

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

// Write-back runs this far behind the newest write before a transfer waits
// for it: the disk works while the cipher does, the final sync has little
// left to do, and a slow disk is not buried under gigabytes of dirty pages.
// It is far enough behind that the moment a flush (below) holds up the
// disk's writes does not stall the cipher.
constexpr std::uint64_t kWriteBackLag = 64 * kFileChunk;
// A disk may keep written data in a cache of its own until it is told to
// flush it, and the final sync of a large output then waits for all of it at
// once (half a second a GiB on a virtual disk). A flush this often, on a
// thread of its own while the cipher works on, leaves that sync the last
// stretch only.
constexpr std::uint64_t kEarlyFlushStep = 128 * kFileChunk;
// Rows opened ahead of the one being committed. Small files are synced and
// moved into place in batches of up to this many.
constexpr std::size_t kMaxPending = 64;
// How long a finished row waits for the rows behind it to join its batch.
constexpr auto kBatchWait = std::chrono::milliseconds(20);
// The window hears of progress at least this often.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// Thrown inside a transfer whose row is no longer wanted (a row before it failed).
struct Cancelled {};

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

// The flushes of one output made before its final sync. What one of them
// meets is reported by Finish: the kernel tells a write error once, to
// whichever sync comes first, so none may go unheard.
class EarlyFlushes {
public:
    EarlyFlushes(int fd, const std::string& name) : fd_(fd), name_(name) {}
    ~EarlyFlushes() { Join(); }
    EarlyFlushes(const EarlyFlushes&) = delete;
    EarlyFlushes& operator=(const EarlyFlushes&) = delete;

    // Everything before end has been written: flush it when the last flush
    // lies a step behind and has ended.
    void Written(std::uint64_t end)
    {
        std::lock_guard lock(mutex_);
        if (end < next_ || running_.load(std::memory_order_acquire))
            return;
        if (thread_.joinable())
            thread_.join();
        if (error_)
            return;
        next_ = end + kEarlyFlushStep;
        running_.store(true, std::memory_order_relaxed);
        try {
            thread_ = std::thread([this] {
                try {
                    SyncData(fd_, name_);
                } catch (...) {
                    error_ = std::current_exception();
                }
                running_.store(false, std::memory_order_release);
            });
        } catch (const std::system_error&) {
            // No thread to spare: the final sync does it all, only later.
            running_.store(false, std::memory_order_relaxed);
        }
    }
    void Finish()
    {
        Join();
        if (error_)
            std::rethrow_exception(error_);
    }

private:
    void Join()
    {
        std::lock_guard lock(mutex_);
        if (thread_.joinable())
            thread_.join();
    }

    const int fd_;
    const std::string& name_;
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::exception_ptr error_;
    std::uint64_t next_ = kEarlyFlushStep;
};

// One file's way from its input to its output's temporary file.
struct Stream {
    int in;
    int out;
    const std::string& inName;
    const std::string& outName; // errors in writing name the output, not the temporary file
    std::uint64_t total;
    bool writeBack;
    const std::atomic<bool>& cancel;
    std::atomic<std::uint64_t>& done;
    std::function<void()> progressed;
    EarlyFlushes& flushes;

    void Written(std::uint64_t offset, std::size_t n, std::uint64_t lag) const
    {
        // A file of one chunk is synced as soon as it is written.
        if (writeBack && n > 0 && total > kFileChunk) {
            WriteBack(out, offset, n, false, outName);
            if (offset >= lag) {
                WriteBack(out, offset - lag, kFileChunk, true, outName);
                flushes.Written(offset - lag + kFileChunk);
            }
        }
    }
    void CheckCancel() const
    {
        if (cancel.load(std::memory_order_relaxed))
            throw Cancelled{};
    }
};

// Streams the input through the cipher into the output at the same offsets.
// The cipher works on one buffer on a helper thread while this thread writes
// the buffers done and refills them; a file that fits one buffer is done in
// line. Every read fills its buffer unless at the end of the file. Several
// buffers in flight let the cipher run on through a slow write.
void Transfer(const Stream& s, TwofishContext& ctx, Direction dir, const AlignedBuffer& buffers)
{
    std::uint8_t* slot[kFileSlots];
    std::size_t count[kFileSlots] = {};
    std::uint64_t offset[kFileSlots] = {};
    for (std::size_t i = 0; i < kFileSlots; ++i)
        slot[i] = buffers.Data() + i * kFileChunk;

    ::posix_fadvise(s.in, 0, 0, POSIX_FADV_SEQUENTIAL);

    std::uint64_t next = 0;
    bool readEnded = false;
    auto readInto = [&](std::size_t i) {
        count[i] = ReadFull(s.in, slot[i], kFileChunk, next, s.inName);
        offset[i] = next;
        next += count[i];
        readEnded = count[i] < kFileChunk;
    };

    readInto(0);
    SequentialWorker cipher(
        [&](std::uint64_t job) { TransformChunk(ctx, dir, slot[job % kFileSlots], count[job % kFileSlots]); },
        !readEnded);
    cipher.Submit();
    for (std::size_t i = 1; i < kFileSlots && !readEnded; ++i) {
        readInto(i);
        cipher.Submit();
    }
    for (std::uint64_t job = 0;; ++job) {
        const std::size_t i = job % kFileSlots;
        cipher.WaitFor(job);
        s.CheckCancel();
        WriteFull(s.out, slot[i], count[i], offset[i], s.outName);
        s.Written(offset[i], count[i], kWriteBackLag);
        s.done.store(offset[i] + count[i], std::memory_order_relaxed);
        s.progressed();
        if (count[i] < kFileChunk)
            break;
        if (!readEnded) {
            readInto(i);
            cipher.Submit();
        }
    }
}

// Decryption needs no running chain: the chaining value of a chunk is the
// last encrypted block before it, which is on the disk. So two threads each
// take every other chunk and read, decrypt and write it on their own, which
// shares the page-cache copying between both cores as well as the cipher.
// The bytes are those of the one-thread pipeline.
void DecryptInParallel(const Stream& s, const TwofishContext& ctx, const AlignedBuffer& buffers)
{
    std::atomic<bool> failed{false};
    auto lane = [&](std::uint64_t first, std::uint64_t step, std::uint8_t* buffer, bool report) {
        TwofishContext local;
        try {
            for (std::uint64_t chunk = first; !failed.load(std::memory_order_relaxed); chunk += step) {
                s.CheckCancel();
                const std::uint64_t offset = chunk * kFileChunk;
                const std::size_t n = ReadFull(s.in, buffer, kFileChunk, offset, s.inName);
                std::memcpy(&local, &ctx, sizeof local);
                if (offset > 0 && n > 0 && ReadFull(s.in, local.ChainBlock, 16, offset - 16, s.inName) != 16)
                    ThrowFileError("Reading", s.inName, EIO); // the file shrank under us
                TransformChunk(local, Direction::Decrypt, buffer, n);
                WriteFull(s.out, buffer, n, offset, s.outName);
                // Each thread waits only for its own chunks' write-back.
                s.Written(offset, n, step * kWriteBackLag);
                if (report) {
                    s.done.store(offset + n, std::memory_order_relaxed);
                    s.progressed();
                }
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

// A folder entry: the folder's identity and the name in it. Two paths that
// name the same entry name the same file, whatever links or "./" they take.
struct Entry {
    dev_t dev = 0;
    ino_t ino = 0;
    std::string name;
    bool operator==(const Entry&) const = default;
};

std::optional<Entry> EntryOf(const std::string& path)
{
    struct stat folder;
    if (::stat(FolderArgument(FolderPart(path)), &folder) != 0)
        return std::nullopt;
    return Entry{folder.st_dev, folder.st_ino, NamePart(path)};
}

// One row of the list on its way to its output.
struct Job {
    int row = 0;
    std::string path;
    std::string out;
    UniqueFd in;
    struct stat inStat {};
    OutputTarget target;
    PendingOutput output;
    PreparedCipher cipher;
    Entry inEntry, outEntry;
    std::atomic<std::uint64_t> done{0};
    // Under Lanes::mutex.
    bool finished = false;
    std::exception_ptr error;

    std::uint64_t Size() const { return static_cast<std::uint64_t>(inStat.st_size); }

    // Whether this row, started ahead, could see or do anything else than it
    // would after `other` is in place: the same file or folder entry on
    // either side.
    bool Touches(const Job& other) const
    {
        const auto same = [](const struct stat& a, const struct stat& b) {
            return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
        };
        return inEntry == other.inEntry || inEntry == other.outEntry || outEntry == other.inEntry
               || outEntry == other.outEntry || same(inStat, other.inStat)
               || (other.target.exists && same(inStat, other.target.st))
               || (target.exists && (same(target.st, other.inStat) || (other.target.exists && same(target.st, other.target.st))));
    }
};

// Threads that each take the next job in row order and transfer it, and
// threads that sync finished outputs to the disk. Window calls stay on the
// command's thread, which only waits here.
class Lanes {
public:
    Lanes(unsigned count, Direction dir, bool durable) : dir_(dir), durable_(durable)
    {
        const auto start = [&](unsigned n, void (Lanes::*run)()) {
            for (unsigned i = 0; i < n; ++i) {
                try {
                    threads_.emplace_back([this, run] { (this->*run)(); });
                } catch (const std::system_error&) {
                    return i; // fewer threads, or the command's own thread below
                }
            }
            return n;
        };
        transferThreads_ = start(count, &Lanes::RunTransfers);
        if (durable_ && transferThreads_ > 0)
            syncThreads_ = start(kSyncThreads, &Lanes::RunSyncs);
    }
    ~Lanes()
    {
        {
            std::lock_guard lock(mutex);
            stop_ = true;
        }
        cancel = true;
        changed.notify_all();
        for (auto& t : threads_)
            t.join();
    }
    Lanes(const Lanes&) = delete;
    Lanes& operator=(const Lanes&) = delete;

    void Submit(Job& job)
    {
        if (transferThreads_ == 0) {
            if (!inlineBuffers_)
                inlineBuffers_ = std::make_unique<AlignedBuffer>(kFileSlots * kFileChunk);
            if (TransferOne(job, *inlineBuffers_))
                Sync(job);
            return;
        }
        {
            std::lock_guard lock(mutex);
            transfers_.push_back(&job);
        }
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> cancel{false};

private:
    // Syncs wait for the disk, not the processor: several at once let the
    // file system share journal commits and the disk its cache flushes
    // between them, where one after the other each would pay for its own.
    static constexpr unsigned kSyncThreads = 8;

    template <typename Work>
    void Serve(std::deque<Job*>& queue, Work work)
    {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop_ || !queue.empty(); });
            if (stop_)
                return;
            Job* job = queue.front();
            queue.pop_front();
            lock.unlock();
            work(*job);
            lock.lock();
        }
    }

    void RunTransfers()
    {
        std::optional<AlignedBuffer> buffers;
        Serve(transfers_, [&](Job& job) {
            if (!buffers)
                buffers.emplace(kFileSlots * kFileChunk);
            if (!TransferOne(job, *buffers))
                return;
            if (syncThreads_ == 0) {
                Sync(job);
                return;
            }
            {
                std::lock_guard lock(mutex);
                syncs_.push_back(&job);
            }
            changed.notify_all();
        });
    }

    void RunSyncs()
    {
        Serve(syncs_, [&](Job& job) { Sync(job); });
    }

    // True when the job goes on to its sync; false when it has finished
    // (failed).
    bool TransferOne(Job& job, const AlignedBuffer& buffers)
    {
        std::exception_ptr error;
        try {
            EarlyFlushes flushes(job.output.Fd(), job.out);
            const Stream s{job.in.Get(), job.output.Fd(), job.path, job.out, job.Size(), durable_, cancel, job.done,
                           [this] { changed.notify_all(); }, flushes};
            if (dir_ == Direction::Decrypt && job.Size() > kFileChunk)
                DecryptInParallel(s, job.cipher.ctx, buffers);
            else
                Transfer(s, job.cipher.ctx, dir_, buffers);
            flushes.Finish();
            job.in.Reset();
        } catch (...) {
            error = std::current_exception();
        }
        job.cipher.Wipe();
        if (error || !durable_) {
            Finish(job, error);
            return false;
        }
        return true;
    }

    void Sync(Job& job)
    {
        std::exception_ptr error;
        try {
            SyncData(job.output.Fd(), job.out);
        } catch (...) {
            error = std::current_exception();
        }
        Finish(job, error);
    }

    void Finish(Job& job, std::exception_ptr error)
    {
        {
            std::lock_guard lock(mutex);
            job.finished = true;
            job.error = error;
        }
        changed.notify_all();
    }

    const Direction dir_;
    const bool durable_;
    std::vector<std::thread> threads_;
    unsigned transferThreads_ = 0;
    unsigned syncThreads_ = 0;
    std::deque<Job*> transfers_;
    std::deque<Job*> syncs_;
    bool stop_ = false;
    std::unique_ptr<AlignedBuffer> inlineBuffers_;
};

// A box the command stops with, shown once the files are let go.
struct Refusal {
    MessageKind kind;
    std::string text;
};

class FileCommand {
public:
    FileCommand(CommandWindow& window, Direction dir, const FileCommandSettings& settings)
        : window_(window), dir_(dir), encrypt_(dir == Direction::Encrypt), settings_(settings)
    {
    }

    CommandOutcome Run();

private:
    enum class Start { Started, Deferred, Refused };

    Start Prepare(int row, Job& job, bool ahead);
    std::optional<Refusal> TransferAll(int rows);
    void WaitForFront(Lanes& lanes);
    void CommitFront(Lanes& lanes);

    CommandWindow& window_;
    const Direction dir_;
    const bool encrypt_;
    const FileCommandSettings settings_;
    std::deque<std::unique_ptr<Job>> pending_; // started, not yet in place, in row order
    std::optional<Refusal> refusal_;
    int filesDone_ = 0;
};

FileCommand::Start FileCommand::Prepare(int row, Job& job, bool ahead)
{
    {
        SecretString password(window_.PasswordText());
        SecretString keyBytes(TextToBytes(password.value));
        PrepareCipher(keyBytes.value, job.cipher.ctx);
    }
    job.row = row;
    job.path = window_.RowPath(row);

    // A row started ahead reports nothing: whatever is unusual about it
    // waits until the rows before it are in place, and is looked at again
    // then, as the one-by-one command would find it.
    const auto refuse = [&](MessageKind kind, std::string text) {
        if (ahead)
            return Start::Deferred;
        refusal_ = Refusal{kind, std::move(text)};
        return Start::Refused;
    };
    if (ahead) {
        struct stat st;
        if (::lstat(job.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return Start::Deferred;
    }

    job.in = OpenInput(job.path, job.inStat);
    if (!job.in)
        return refuse(MessageKind::Information, encrypt_ ? job.path + " cannot be opened. Check if the file is Read Only."
                                                        : job.path + " cannot be opened...");

    job.out = encrypt_ ? EncryptedName(job.path) : DecryptedName(job.path);
    const std::string cannotCreate = encrypt_ ? "Unable to create output file: \" " + job.out + " \""
                                              : std::string("Unable to create output file...");
    // The output is never the input: by name (x.dec decrypts to itself) or
    // through a link.
    std::optional<OutputTarget> target;
    if (job.out != job.path)
        target = InspectOutput(job.out, job.inStat);
    if (!target)
        return refuse(MessageKind::Error, cannotCreate);
    job.target = *target;

    if (ahead) {
        const auto in = EntryOf(job.path), out = EntryOf(job.out);
        if (!in || !out)
            return Start::Deferred;
        job.inEntry = *in;
        job.outEntry = *out;
        for (const auto& other : pending_)
            if (job.Touches(*other))
                return Start::Deferred;
    } else {
        job.inEntry = EntryOf(job.path).value_or(Entry{});
        job.outEntry = EntryOf(job.out).value_or(Entry{});
    }

    // A named temporary file only when no other row has one: whatever ends
    // the program, at most one can be left behind.
    if (!job.output.Create(job.out, job.target, !ahead))
        return refuse(MessageKind::Error, cannotCreate);
    if (!job.output.Reopen())
        return refuse(MessageKind::Error, encrypt_ ? "Unable to create output file. \" " + job.out + " \""
                                                   : std::string("Unable to create output file..."));
    return Start::Started;
}

void FileCommand::WaitForFront(Lanes& lanes)
{
    Job& front = *pending_.front();
    std::optional<std::chrono::steady_clock::time_point> finishedAt;
    for (;;) {
        std::uint64_t done;
        {
            std::unique_lock lock(lanes.mutex);
            if (front.finished) {
                const auto now = std::chrono::steady_clock::now();
                if (!finishedAt)
                    finishedAt = now;
                // Let the rows behind it finish too, so that they are synced
                // and moved into place in one batch; never wait long on a
                // row that is still far from its end.
                const bool anyRunning = std::any_of(pending_.begin(), pending_.end(), [](const auto& job) {
                    return !job->finished;
                });
                if (front.error || !anyRunning || now - *finishedAt >= kBatchWait)
                    break;
                lanes.changed.wait_until(lock, *finishedAt + kBatchWait);
                continue;
            }
            lanes.changed.wait_for(lock, kProgressInterval);
            done = front.done.load(std::memory_order_relaxed);
        }
        window_.ReportProgress(done, front.Size());
    }
    window_.ReportProgress(front.Size(), front.Size());
}

// Moves the finished rows at the front, each synced by its lane, into place
// in row order, then syncs their folders; a row that failed ends the command
// there, after the rows before it.
void FileCommand::CommitFront(Lanes& lanes)
{
    std::vector<Job*> batch;
    {
        std::lock_guard lock(lanes.mutex);
        for (const auto& job : pending_) {
            if (!job->finished)
                break;
            batch.push_back(job.get());
            if (job->error)
                break;
        }
    }

    std::exception_ptr failure;
    std::size_t ready = 0;
    while (ready < batch.size() && !batch[ready]->error)
        ++ready;
    if (ready < batch.size())
        failure = batch[ready]->error;
    std::vector<std::string> folders;
    std::size_t placed = 0;
    for (; placed < ready; ++placed) {
        Job& job = *batch[placed];
        try {
            job.output.Commit();
        } catch (...) {
            failure = std::current_exception();
            break;
        }
        const std::string folder = FolderPart(job.out);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    if (settings_.durable) {
        try {
            for (const auto& folder : folders)
                SyncFolder(folder);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    for (std::size_t i = 0; i < placed; ++i) {
        pending_.pop_front();
        ++filesDone_;
    }
    if (failure)
        std::rethrow_exception(failure);
}

// Runs every row, several side by side, moving outputs into place in row
// order. Returns the box to stop with, if a row could not be started.
std::optional<Refusal> FileCommand::TransferAll(int rows)
{
    unsigned lanes = settings_.lanes != 0 ? settings_.lanes : std::max(1u, std::thread::hardware_concurrency());
    lanes = std::min<unsigned>(lanes, static_cast<unsigned>(rows));

    Lanes pool(lanes, dir_, settings_.durable);
    int next = 0;
    bool deferred = false;
    while (next < rows || !pending_.empty()) {
        // Keep the lanes fed, with rows ahead of the one to be committed.
        while (next < rows && !deferred && pending_.size() < kMaxPending) {
            auto job = std::make_unique<Job>();
            const bool ahead = !pending_.empty();
            const Start start = Prepare(next, *job, ahead);
            if (start == Start::Refused)
                return refusal_;
            if (start == Start::Deferred) {
                deferred = true;
                break;
            }
            pending_.push_back(std::move(job));
            pool.Submit(*pending_.back());
            ++next;
            // Nothing runs ahead of a row with a named temporary file.
            if (pending_.back()->output.Named())
                deferred = true;
        }
        if (pending_.empty()) {
            deferred = false; // the deferred row's turn has come
            continue;
        }
        const int front = pending_.front()->row;
        (void)window_.RowPath(front); // the file at hand, for windows that name it beside the progress
        WaitForFront(pool);
        CommitFront(pool);
        if (pending_.empty())
            deferred = false;
    }
    return std::nullopt;
}

CommandOutcome FileCommand::Run()
{
    CommandOutcome outcome;
    const int rows = window_.RowCount();
    if (rows <= 0)
        return outcome;
    if (SecretString(window_.PasswordText()).value.empty()) {
        window_.ShowMessage(MessageKind::Plain, "You have to write a password...");
        outcome.status = CommandOutcome::Status::Failed;
        outcome.failure = "You have to write a password...";
        return outcome;
    }
    window_.SetStatusText(encrypt_ ? "Working... Encrypting..." : "Working... Decrypting...");

    std::optional<Refusal> refusal;
    {
        FilesAtHand atHand;
        try {
            refusal = TransferAll(rows);
        } catch (...) {
            // Rows after the failing one have stopped; their temporary files
            // go with them before the report, and their outputs never appear.
            pending_.clear();
            throw;
        }
        pending_.clear();
    }
    if (refusal) {
        window_.ShowMessage(refusal->kind, refusal->text);
        window_.SetStatusText("Ready");
        outcome.status = CommandOutcome::Status::Failed;
        outcome.failure = refusal->text;
        outcome.filesDone = filesDone_;
        return outcome;
    }

    // What the original writes over the password box before emptying it.
    window_.SetPasswordText(std::string(encrypt_ ? 49 : 51, '0'));
    window_.SetPasswordText(std::string());
    window_.ShowMessage(MessageKind::Plain, "All done, " + std::to_string(window_.RowCount())
                                                + (encrypt_ ? " file(s) encrypted." : " file(s) decrypted."));
    window_.SetStatusText("Ready");
    window_.ClearRows();
    outcome.status = CommandOutcome::Status::Done;
    outcome.filesDone = filesDone_;
    return outcome;
}

} // namespace

CommandOutcome EncryptFiles(CommandWindow& window, const FileCommandSettings& settings)
{
    return FileCommand(window, Direction::Encrypt, settings).Run();
}

CommandOutcome DecryptFiles(CommandWindow& window, const FileCommandSettings& settings)
{
    return FileCommand(window, Direction::Decrypt, settings).Run();
}

CommandOutcome EncryptFiles(CommandWindow& window)
{
    return EncryptFiles(window, FileCommandSettings{});
}

CommandOutcome DecryptFiles(CommandWindow& window)
{
    return DecryptFiles(window, FileCommandSettings{});
}

} // namespace tarnex
