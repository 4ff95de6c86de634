// The block operations and the modes on 32-bit words, written once over the
// round code of an implementation. R supplies one round each way, for the
// words (x, y) that feed g and the pair (u, v) that the round updates:
//
//   R::EncryptRound(x, y, u, v, k0, k1, t): u = ROR(u ^ F0, 1), v = ROL(v, 1) ^ F1
//   R::DecryptRound(x, y, u, v, k0, k1, t): u = ROL(u, 1) ^ F0, v = ROR(v ^ F1, 1)
//
// with F0 = g(x) + g(ROL(y, 8)) + k0 and F1 = g(x) + 2 g(ROL(y, 8)) + k1 on the
// context's tables t. Local to each including file, like Internal.h.
#pragma once

#include "crypto/twofish/Internal.h"

namespace tarnex::detail {
namespace {

// A block's four words, each xored with its whitening subkey k[0..3].
inline void LoadWhitened(const std::uint8_t* p, const std::uint32_t* k, std::uint32_t& a, std::uint32_t& b,
                         std::uint32_t& c, std::uint32_t& d) noexcept
{
    a = LoadLittleEndian(p) ^ k[0];
    b = LoadLittleEndian(p + 4) ^ k[1];
    c = LoadLittleEndian(p + 8) ^ k[2];
    d = LoadLittleEndian(p + 12) ^ k[3];
}

inline void StoreWhitened(std::uint8_t* p, const std::uint32_t* k, std::uint32_t a, std::uint32_t b,
                          std::uint32_t c, std::uint32_t d) noexcept
{
    StoreLittleEndian(p, a ^ k[0]);
    StoreLittleEndian(p + 4, b ^ k[1]);
    StoreLittleEndian(p + 8, c ^ k[2]);
    StoreLittleEndian(p + 12, d ^ k[3]);
}

// A chaining value as four words, kept in registers across blocks.
struct Chain {
    std::uint32_t w[4];

    explicit Chain(const std::uint8_t* block) noexcept
    {
        for (int i = 0; i < 4; ++i)
            w[i] = LoadLittleEndian(block + 4 * i);
    }
    void StoreTo(std::uint8_t* block) const noexcept
    {
        for (int i = 0; i < 4; ++i)
            StoreLittleEndian(block + 4 * i, w[i]);
    }
};

// CFB-8 with the 16-byte shift register held in two 64-bit words (byte 0 of
// the register in the low byte of lo), so that no byte is moved through
// memory. keystream(ctx, lo, hi) returns byte 0 of the register's encryption.
template <class Keystream>
inline void Cfb8Run(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count, bool decrypt,
                    Keystream keystream) noexcept
{
    if (count <= 0)
        return;
    std::uint64_t lo = LoadLittleEndian(ctx.ChainBlock) | std::uint64_t{LoadLittleEndian(ctx.ChainBlock + 4)} << 32;
    std::uint64_t hi = LoadLittleEndian(ctx.ChainBlock + 8) | std::uint64_t{LoadLittleEndian(ctx.ChainBlock + 12)} << 32;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t c = in[i]; // read first: in may be out
        const auto o = static_cast<std::uint8_t>(c ^ keystream(ctx, lo, hi));
        out[i] = o;
        lo = (lo >> 8) | (hi << 56);
        hi = (hi >> 8) | (std::uint64_t{decrypt ? c : o} << 56);
    }
    StoreLittleEndian(ctx.ChainBlock, static_cast<std::uint32_t>(lo));
    StoreLittleEndian(ctx.ChainBlock + 4, static_cast<std::uint32_t>(lo >> 32));
    StoreLittleEndian(ctx.ChainBlock + 8, static_cast<std::uint32_t>(hi));
    StoreLittleEndian(ctx.ChainBlock + 12, static_cast<std::uint32_t>(hi >> 32));
}

template <class R>
struct Scalar {
    // The sixteen rounds on whitened words; the output words are r2, r3, r0, r1.
    // Always inlined: as a call, the words would go through memory.
    [[gnu::always_inline]] static void EncryptRounds(const TwofishContext& ctx, std::uint32_t& r0, std::uint32_t& r1,
                                                     std::uint32_t& r2, std::uint32_t& r3) noexcept
    {
        const std::uint32_t* k = ctx.SubKeys;
        const std::uint32_t* t = ctx.SBoxTables;
        for (int r = 0; r < 16; r += 2) {
            R::EncryptRound(r0, r1, r2, r3, k[2 * r + 8], k[2 * r + 9], t);
            R::EncryptRound(r2, r3, r0, r1, k[2 * r + 10], k[2 * r + 11], t);
        }
    }

    // The inverse, on the words that EncryptRounds gave out, as r2, r3, r0, r1.
    [[gnu::always_inline]] static void DecryptRounds(const TwofishContext& ctx, std::uint32_t& r0, std::uint32_t& r1,
                                                     std::uint32_t& r2, std::uint32_t& r3) noexcept
    {
        const std::uint32_t* k = ctx.SubKeys;
        const std::uint32_t* t = ctx.SBoxTables;
        for (int r = 14; r >= 0; r -= 2) {
            R::DecryptRound(r2, r3, r0, r1, k[2 * r + 10], k[2 * r + 11], t);
            R::DecryptRound(r0, r1, r2, r3, k[2 * r + 8], k[2 * r + 9], t);
        }
    }

    static void EncryptBlock(const TwofishContext& ctx, const void* in, void* out) noexcept
    {
        const std::uint32_t* k = ctx.SubKeys;
        std::uint32_t r0, r1, r2, r3;
        LoadWhitened(static_cast<const std::uint8_t*>(in), k, r0, r1, r2, r3);
        EncryptRounds(ctx, r0, r1, r2, r3);
        StoreWhitened(static_cast<std::uint8_t*>(out), k + 4, r2, r3, r0, r1);
    }

    static void DecryptBlock(const TwofishContext& ctx, const void* in, void* out) noexcept
    {
        const std::uint32_t* k = ctx.SubKeys;
        std::uint32_t r0, r1, r2, r3;
        LoadWhitened(static_cast<const std::uint8_t*>(in), k + 4, r2, r3, r0, r1);
        DecryptRounds(ctx, r0, r1, r2, r3);
        StoreWhitened(static_cast<std::uint8_t*>(out), k, r0, r1, r2, r3);
    }

    // The whole chain stays in registers: between the last round of one block
    // and the first of the next there is one xor per word.
    static void EncryptCbc(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out,
                           std::size_t blocks) noexcept
    {
        const std::uint32_t* k = ctx.SubKeys;
        // Output whitening of one block and input whitening of the next, merged.
        const std::uint32_t w[4] = {k[0] ^ k[4], k[1] ^ k[5], k[2] ^ k[6], k[3] ^ k[7]};
        Chain chain(ctx.ChainBlock);
        // Words of the previous ciphertext block before its output whitening.
        std::uint32_t c = chain.w[0] ^ k[4], d = chain.w[1] ^ k[5], a = chain.w[2] ^ k[6], b = chain.w[3] ^ k[7];
        for (std::size_t i = 0; i < blocks; ++i, in += 16, out += 16) {
            std::uint32_t r0, r1, r2, r3;
            LoadWhitened(in, w, r0, r1, r2, r3);
            r0 ^= c;
            r1 ^= d;
            r2 ^= a;
            r3 ^= b;
            EncryptRounds(ctx, r0, r1, r2, r3);
            c = r2;
            d = r3;
            a = r0;
            b = r1;
            StoreWhitened(out, k + 4, c, d, a, b);
        }
        StoreWhitened(ctx.ChainBlock, k + 4, c, d, a, b);
    }

    // One block at a time; each block is read whole before it is written.
    static void DecryptCbc(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out,
                           std::size_t blocks) noexcept
    {
        const std::uint32_t* k = ctx.SubKeys;
        Chain chain(ctx.ChainBlock);
        for (std::size_t i = 0; i < blocks; ++i, in += 16, out += 16) {
            const Chain next(in);
            std::uint32_t r0, r1, r2, r3;
            LoadWhitened(in, k + 4, r2, r3, r0, r1);
            DecryptRounds(ctx, r0, r1, r2, r3);
            StoreWhitened(out, k, r0 ^ chain.w[0], r1 ^ chain.w[1], r2 ^ chain.w[2], r3 ^ chain.w[3]);
            chain = next;
        }
        chain.StoreTo(ctx.ChainBlock);
    }

    static void Cfb8(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                     bool decrypt) noexcept
    {
        Cfb8Run(ctx, in, out, count, decrypt, [](const TwofishContext& c, std::uint64_t lo, std::uint64_t hi) {
            const std::uint32_t* k = c.SubKeys;
            std::uint32_t r0 = static_cast<std::uint32_t>(lo) ^ k[0];
            std::uint32_t r1 = static_cast<std::uint32_t>(lo >> 32) ^ k[1];
            std::uint32_t r2 = static_cast<std::uint32_t>(hi) ^ k[2];
            std::uint32_t r3 = static_cast<std::uint32_t>(hi >> 32) ^ k[3];
            EncryptRounds(c, r0, r1, r2, r3);
            return static_cast<std::uint8_t>(r2 ^ k[4]);
        });
    }
};

} // namespace
} // namespace tarnex::detail
