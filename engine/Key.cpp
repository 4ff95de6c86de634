#include "engine/Key.h"

#include "crypto/SHA1.h"
#include "crypto/Tools.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tarnex {

Key DeriveKey(std::string_view keyBytes)
{
    Sha1Context sha;
    Sha1Start(sha);
    const char* p = keyBytes.data();
    std::size_t left = keyBytes.size();
    // The digest takes signed 32-bit counts; feed longer texts in pieces.
    while (left > 0) {
        const std::size_t piece = std::min<std::size_t>(left, std::numeric_limits<std::int32_t>::max());
        Sha1Update(sha, p, static_cast<std::int32_t>(piece));
        p += piece;
        left -= piece;
    }
    Key key;
    Sha1Finish(sha, key.data());
    return key;
}

void PrepareCipher(std::string_view keyBytes, TwofishContext& ctx)
{
    Key key = DeriveKey(keyBytes);
    TwofishSetup(ctx, key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    SecureZero(key.data(), key.size());

    // With the zero chaining value of a null IV, one CBC step on the zero
    // block is a plain block encryption of it.
    std::uint8_t block[16] = {};
    TwofishEncryptCbc(ctx, block, block);
    std::memcpy(ctx.InitVector, block, sizeof block);
    TwofishRestart(ctx);
    SecureZero(block, sizeof block);
}

void XorFinalPartialBlock(TwofishContext& ctx, std::uint8_t* data, std::size_t n, std::size_t from) noexcept
{
    std::uint8_t pad[16];
    std::memcpy(pad, ctx.ChainBlock, sizeof pad);
    TwofishEncryptCbc(ctx, pad, pad);
    for (std::size_t j = from; j < n; ++j)
        data[j] ^= pad[j];
    SecureZero(pad, sizeof pad);
}

} // namespace tarnex
