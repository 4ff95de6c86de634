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

void UniqueFd::Close(const std::string& name)
{
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close fails; never retry.
    if (::close(fd) != 0 && errno != EINTR)
        ThrowFileError("Closing", name, errno);
}

void ThrowFileError(const char* operation, const std::string& name, int error)
{
    throw Error(std::string(operation) + " \"" + name + "\": " + std::strerror(error));
}

std::size_t ReadFull(int fd, void* buffer, std::size_t n, std::uint64_t offset, const std::string& name)
{
    auto* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError("Reading", name, errno);
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void WriteFull(int fd, const void* buffer, std::size_t n, std::uint64_t offset, const std::string& name)
{
    const auto* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError("Writing", name, errno);
        }
        if (put == 0)
            ThrowFileError("Writing", name, ENOSPC);
        done += static_cast<std::size_t>(put);
    }
}

void SyncData(int fd, const std::string& name)
{
    while (::fdatasync(fd) != 0) {
        if (errno != EINTR)
            ThrowFileError("Writing", name, errno);
    }
}

void WriteBack(int fd, std::uint64_t offset, std::uint64_t n, bool wait, const std::string& name)
{
    const unsigned flags = wait ? SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER
                                : SYNC_FILE_RANGE_WRITE;
    while (::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(n), flags) != 0) {
        if (errno == EINTR)
            continue;
        // File systems without it (some network and FUSE ones) are synced
        // whole at the end instead.
        if (errno == EINVAL || errno == ESPIPE || errno == ENOSYS || errno == EOPNOTSUPP)
            return;
        ThrowFileError("Writing", name, errno);
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

const char* FolderArgument(const std::string& folderPart)
{
    return folderPart.empty() ? "." : folderPart.c_str();
}

void SyncFolder(const std::string& folderPart)
{
    UniqueFd dir(::open(FolderArgument(folderPart), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that may be written but not read cannot be synced; the rename
    // or delete stands all the same.
    if (!dir)
        return;
    // Some file systems cannot sync a folder; the data itself was synced.
    if (::fsync(dir.Get()) != 0 && errno != EINVAL && errno != EROFS)
        ThrowFileError("Writing the folder", folderPart.empty() ? std::string(".") : folderPart, errno);
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
