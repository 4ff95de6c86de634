// POSIX file helpers shared by the file commands and the wipe.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnex {

// Owns one file descriptor and closes it on every path.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes quietly (error paths).
    void Reset() noexcept;
    // Closes and throws, naming the file, when the close reports an error,
    // which for a written file can be the first sign of a failed write.
    void Close(const std::string& name);

private:
    int fd_ = -1;
};

// Throws Error("<operation> \"<name>\": <the system's text>"), so that a
// report in the middle of a list says which file and what was being done.
[[noreturn]] void ThrowFileError(const char* operation, const std::string& name, int error);

// Reads until n bytes are in or the end of the file; returns the count.
std::size_t ReadFull(int fd, void* buffer, std::size_t n, std::uint64_t offset, const std::string& name);
// Writes all n bytes or throws.
void WriteFull(int fd, const void* buffer, std::size_t n, std::uint64_t offset, const std::string& name);
// The file's data on the disk (fdatasync).
void SyncData(int fd, const std::string& name);
// Starts writing [offset, offset + n) to the disk without waiting; with
// wait, also waits until that range has been written. Does nothing where the
// file system cannot tell (the final SyncData still covers it).
void WriteBack(int fd, std::uint64_t offset, std::uint64_t n, bool wait, const std::string& name);

// '/' separates folders. FolderPart keeps the trailing '/', empty when the
// path has none; NamePart is what follows it.
std::string FolderPart(const std::string& path);
std::string NamePart(const std::string& path);
// The folder as open() takes it: "." for an empty folder part.
const char* FolderArgument(const std::string& folderPart);
// fsync of a folder, so that a rename or delete in it reaches the disk.
void SyncFolder(const std::string& folderPart);

// Memory for the transfer buffers, aligned for the cipher's vector loads.
class AlignedBuffer {
public:
    explicit AlignedBuffer(std::size_t size);
    ~AlignedBuffer();
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    std::uint8_t* data_;
    std::size_t size_;
};

} // namespace tarnex
