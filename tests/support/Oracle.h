// Independent implementations to hold ours against: nettle's Twofish with its
// own chaining modes, both ciphertext formats and the wipe's last pass built
// from it, and glibc's character-set conversion as the judge of text.
#pragma once

#include "tests/support/Bytes.h"

#include <nettle/cbc.h>
#include <nettle/cfb.h>
#include <nettle/sha1.h>
#include <nettle/twofish.h>

#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarnex::test {

// nettle's Twofish under a key of 1 to 32 bytes, chaining from `iv`; every
// operation works in place and carries the chain on to the next call.
class NettleTwofish {
public:
    NettleTwofish(const std::uint8_t* key, std::size_t keyLength, const std::uint8_t* iv)
    {
        twofish_set_key(&ctx_, keyLength, key);
        std::memcpy(iv_, iv, 16);
    }
    NettleTwofish(const Bytes& key, const std::uint8_t* iv) : NettleTwofish(key.data(), key.size(), iv) {}

    void CbcEncrypt(std::uint8_t* p, std::size_t n) { cbc_encrypt(&ctx_, Encryptor(), 16, iv_, n, p, p); }
    void CbcDecrypt(std::uint8_t* p, std::size_t n) { cbc_decrypt(&ctx_, Decryptor(), 16, iv_, n, p, p); }
    void Cfb8Encrypt(std::uint8_t* p, std::size_t n) { cfb8_encrypt(&ctx_, Encryptor(), 16, iv_, n, p, p); }
    void Cfb8Decrypt(std::uint8_t* p, std::size_t n) { cfb8_decrypt(&ctx_, Encryptor(), 16, iv_, n, p, p); }
    // The chaining value the next call starts from.
    const std::uint8_t* Chain() const { return iv_; }
    void EncryptBlocks(std::uint8_t* dst, const std::uint8_t* src, std::size_t n)
    {
        twofish_encrypt(&ctx_, n, dst, src);
    }

private:
    static nettle_cipher_func* Encryptor() { return reinterpret_cast<nettle_cipher_func*>(&twofish_encrypt); }
    static nettle_cipher_func* Decryptor() { return reinterpret_cast<nettle_cipher_func*>(&twofish_decrypt); }

    twofish_ctx ctx_{};
    std::uint8_t iv_[16]{};
};

// The cipher of a key text as nettle builds it: Twofish-192 keyed with the
// SHA-1 digest of the text followed by four zero bytes, chaining from
// E_K(0^128), which is also the pad of a final partial block.
struct OracleCipher {
    std::uint8_t zeroBlock[16];

    explicit OracleCipher(std::string_view keyText)
    {
        sha1_ctx sha;
        sha1_init(&sha);
        sha1_update(&sha, keyText.size(), reinterpret_cast<const std::uint8_t*>(keyText.data()));
        std::uint8_t key[24] = {};
        sha1_digest(&sha, SHA1_DIGEST_SIZE, key);
        const std::uint8_t zero[16] = {};
        NettleTwofish(key, sizeof key, zero).EncryptBlocks(zeroBlock, zero, 16);
        chain.emplace(key, sizeof key, zeroBlock);
    }

    std::optional<NettleTwofish> chain;
};

// A .KVX file: CBC over the whole blocks, the tail xored with E_K(0) from
// its second byte on.
inline std::string OracleFile(std::string_view password, std::string_view plain, bool encrypt)
{
    OracleCipher c(password);
    std::string out(plain);
    auto* p = reinterpret_cast<std::uint8_t*>(out.data());
    const std::size_t whole = out.size() / 16 * 16;
    if (encrypt)
        c.chain->CbcEncrypt(p, whole);
    else
        c.chain->CbcDecrypt(p, whole);
    for (std::size_t j = 1; whole + j < out.size(); ++j)
        p[whole + j] ^= c.zeroBlock[j];
    return out;
}

// The clipboard cipher bytes: CFB-8.
inline std::string OracleText(std::string_view password, std::string_view bytes, bool encrypt)
{
    OracleCipher c(password);
    std::string out(bytes);
    auto* p = reinterpret_cast<std::uint8_t*>(out.data());
    if (encrypt)
        c.chain->Cfb8Encrypt(p, out.size());
    else
        c.chain->Cfb8Decrypt(p, out.size());
    return out;
}

// What the last pass of a wipe leaves: the CBC encryption of all-0xFF
// content, the tail xored with E_K(0) from its first byte on.
inline std::string OracleWipeContent(std::string_view keyText, std::size_t length)
{
    OracleCipher c(keyText);
    std::string out(length, '\xFF');
    auto* p = reinterpret_cast<std::uint8_t*>(out.data());
    const std::size_t whole = length / 16 * 16;
    c.chain->CbcEncrypt(p, whole);
    for (std::size_t j = 0; whole + j < length; ++j)
        p[whole + j] ^= c.zeroBlock[j];
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

} // namespace tarnex::test
