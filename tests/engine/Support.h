// Test support: temporary folders, file helpers and an independent
// construction of both ciphertext formats from nettle.
#pragma once

#include <nettle/cbc.h>
#include <nettle/cfb.h>
#include <nettle/sha1.h>
#include <nettle/twofish.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace testing_support {

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

inline std::string RandomBytes(std::size_t n, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

inline std::string Hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += digits[(static_cast<unsigned char>(c) >> 4) & 0xF];
        out += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

// glibc's own conversion between character sets, as an independent judge of
// text: nullopt when `in` is not valid in `from` or has no form in `to`.
inline std::optional<std::string> Iconv(const char* to, const char* from, std::string_view in)
{
    const iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv cannot convert to ") + to);
    std::string out(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t done = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    ::iconv_close(cd);
    if (done == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

// The cipher of a key text as nettle builds it: Twofish-192 keyed with the
// SHA-1 digest of the text followed by four zero bytes.
struct OracleCipher {
    twofish_ctx tf;
    std::uint8_t zeroBlock[16]; // E_K(0^128): the IV and the tail pad

    explicit OracleCipher(std::string_view keyText)
    {
        sha1_ctx sha;
        sha1_init(&sha);
        sha1_update(&sha, keyText.size(), reinterpret_cast<const std::uint8_t*>(keyText.data()));
        std::uint8_t key[24] = {};
        sha1_digest(&sha, SHA1_DIGEST_SIZE, key);
        twofish_set_key(&tf, sizeof key, key);
        const std::uint8_t zero[16] = {};
        twofish_encrypt(&tf, 16, zeroBlock, zero);
    }
};

inline nettle_cipher_func* Encrypt()
{
    return reinterpret_cast<nettle_cipher_func*>(&twofish_encrypt);
}
inline nettle_cipher_func* Decrypt()
{
    return reinterpret_cast<nettle_cipher_func*>(&twofish_decrypt);
}

// A .KVX file: CBC over the whole blocks from IV = E_K(0), the tail xored
// with E_K(0) from its second byte on.
inline std::string OracleFile(std::string_view password, std::string_view plain, bool encrypt)
{
    OracleCipher c(password);
    std::string out(plain.size(), '\0');
    const std::size_t whole = plain.size() / 16 * 16;
    std::uint8_t iv[16];
    std::memcpy(iv, c.zeroBlock, 16);
    auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
    const auto* src = reinterpret_cast<const std::uint8_t*>(plain.data());
    if (encrypt)
        cbc_encrypt(&c.tf, Encrypt(), 16, iv, whole, dst, src);
    else
        cbc_decrypt(&c.tf, Decrypt(), 16, iv, whole, dst, src);
    for (std::size_t j = 0; whole + j < plain.size(); ++j)
        dst[whole + j] = static_cast<std::uint8_t>(src[whole + j] ^ (j == 0 ? 0 : c.zeroBlock[j]));
    return out;
}

// The clipboard cipher bytes: CFB-8 from IV = E_K(0).
inline std::string OracleText(std::string_view password, std::string_view bytes, bool encrypt)
{
    OracleCipher c(password);
    std::string out(bytes.size(), '\0');
    std::uint8_t iv[16];
    std::memcpy(iv, c.zeroBlock, 16);
    auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
    const auto* src = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (encrypt)
        cfb8_encrypt(&c.tf, Encrypt(), 16, iv, bytes.size(), dst, src);
    else
        cfb8_decrypt(&c.tf, Encrypt(), 16, iv, bytes.size(), dst, src);
    return out;
}

// What the last pass of a wipe leaves: the CBC encryption of all-0xFF
// content, the tail xored with E_K(0) from its first byte on.
inline std::string OracleWipeContent(std::string_view keyText, std::size_t length)
{
    OracleCipher c(keyText);
    const std::string ones(length, '\xFF');
    std::string out(length, '\0');
    const std::size_t whole = length / 16 * 16;
    std::uint8_t iv[16];
    std::memcpy(iv, c.zeroBlock, 16);
    auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
    cbc_encrypt(&c.tf, Encrypt(), 16, iv, whole, dst, reinterpret_cast<const std::uint8_t*>(ones.data()));
    for (std::size_t j = 0; whole + j < length; ++j)
        dst[whole + j] = static_cast<std::uint8_t>(0xFF ^ c.zeroBlock[j]);
    return out;
}

} // namespace testing_support
