#include "engine/Files.h"

#include "crypto/Tools.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace tarnex {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        Reset();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void UniqueFd::Reset() noexcept
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void UniqueFd::Close()
{
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close fails; never retry.
    if (::close(fd) != 0 && errno != EINTR)
        ThrowSystemError(errno);
}

void ThrowSystemError(int error)
{
    throw Error(std::strerror(error));
}

std::size_t ReadFull(int fd, void* buffer, std::size_t n, std::uint64_t offset)
{
    auto* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowSystemError(errno);
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void WriteFull(int fd, const void* buffer, std::size_t n, std::uint64_t offset)
{
    const auto* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            ThrowSystemError(errno);
        }
        if (put == 0)
            ThrowSystemError(ENOSPC);
        done += static_cast<std::size_t>(put);
    }
}

void SyncData(int fd)
{
    while (::fdatasync(fd) != 0) {
        if (errno != EINTR)
            ThrowSystemError(errno);
    }
}

std::string FolderPart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SyncFolder(const std::string& folderPart)
{
    UniqueFd dir(::open(folderPart.empty() ? "." : folderPart.c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that may be written but not read cannot be synced; the rename
    // or delete stands all the same.
    if (!dir)
        return;
    // Some file systems cannot sync a folder; the data itself was synced.
    if (::fsync(dir.Get()) != 0 && errno != EINVAL && errno != EROFS)
        ThrowSystemError(errno);
}

AlignedBuffer::AlignedBuffer(std::size_t size)
    : data_(static_cast<std::uint8_t*>(::operator new(size, std::align_val_t{64}))), size_(size)
{
}

AlignedBuffer::~AlignedBuffer()
{
    // The buffers held plain text or key stream.
    SecureZero(data_, size_);
    ::operator delete(data_, std::align_val_t{64});
}

} // namespace tarnex
