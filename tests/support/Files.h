// Files for tests: private temporary folders, whole-file reads and writes,
// inode flags and a small file system that fills up.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <linux/fs.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace tarnex::test {

namespace fs = std::filesystem;

class TempDir {
public:
    explicit TempDir(const fs::path& base = fs::temp_directory_path())
    {
        std::string pattern = (base / "tarnex-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(std::string_view name) const { return (path_ / name).string(); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

// Sets a file's or folder's inode flags (FS_IMMUTABLE_FL, FS_APPEND_FL;
// setting them needs root); false where the file system has none.
inline bool SetInodeFlags(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    int current = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &current) == 0;
    current = (current & ~(FS_IMMUTABLE_FL | FS_APPEND_FL)) | flags;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &current) == 0;
    ::close(fd);
    return ok;
}

// A tmpfs of the given size of its own, for a disk that fills up; mounting
// needs root, so a test without it skips.
class SmallFileSystem {
public:
    explicit SmallFileSystem(std::size_t bytes)
    {
        if (::mount("tmpfs", dir_.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                    ("size=" + std::to_string(bytes)).c_str()) == 0)
            mounted_ = true;
        else
            why_ = std::strerror(errno);
    }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(dir_.Path().c_str(), MNT_DETACH);
    }
    explicit operator bool() const { return mounted_; }
    const std::string& Why() const { return why_; }
    std::string operator/(std::string_view name) const { return dir_ / name; }
    const fs::path& Path() const { return dir_.Path(); }

private:
    TempDir dir_;
    bool mounted_ = false;
    std::string why_;
};

} // namespace tarnex::test
