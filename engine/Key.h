// From a key text to a ready cipher. The key is the SHA-1 digest of the key
// text's bytes and the initial chaining value is the encryption of the zero
// block, so the same text always gives the same cipher state: no salt, nothing
// stored beside the data.
#pragma once

#include "crypto/Twofish.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnex {

using Key = std::array<std::uint8_t, 20>;

// SHA-1 of the key text's bytes as they are (no terminator, no trimming).
Key DeriveKey(std::string_view keyBytes);

// Sets ctx up with the derived key; InitVector and ChainBlock both end up
// holding E_K(0^128).
void PrepareCipher(std::string_view keyBytes, TwofishContext& ctx);

// Xors data[from, n) with the pad of a final partial block: the chaining
// value enciphered after being xored with itself, that is E_K(0^128) whatever
// the chain holds. The pad also becomes the chaining value, as one CBC step.
void XorFinalPartialBlock(TwofishContext& ctx, std::uint8_t* data, std::size_t n, std::size_t from) noexcept;

// A context that is zeroed however the scope is left.
class PreparedCipher {
public:
    PreparedCipher() = default;
    explicit PreparedCipher(std::string_view keyBytes) { PrepareCipher(keyBytes, ctx); }
    ~PreparedCipher() { Wipe(); }
    PreparedCipher(const PreparedCipher&) = delete;
    PreparedCipher& operator=(const PreparedCipher&) = delete;

    void Wipe() noexcept { TwofishWipe(ctx); }

    TwofishContext ctx{};
};

} // namespace tarnex
