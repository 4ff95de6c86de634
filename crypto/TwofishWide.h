// Many-block Twofish decryption on vector registers: each register holds one
// word of every block in the group, and the S-box lookups are gathers from
// the context's own tables. Written once over a small set of vector
// operations; the AVX2 and AVX-512 units instantiate it.
#pragma once

#include "crypto/Twofish.h"

#include <cstddef>
#include <cstdint>

namespace tarnex::detail::wide {

// V supplies: type Reg, Lanes (blocks per register = Reg bytes / 16),
// Load/Store, Set1, And, Xor, Xor3, Add, Srl<n>, Rol<n>, Ror<n>, Gather8
// (scaled-by-8 dword gather), Transpose (4x4 dwords within every 128-bit
// lane), BroadcastBlock, PreviousBlocks(cur, prev) (the block before each
// block of cur) and LastBlock.
template <class V>
struct Decryptor {
    using Reg = typename V::Reg;
    static constexpr std::size_t kGroup = 4 * V::Lanes; // blocks per group

    static Reg G0(const char* base, Reg x) noexcept
    {
        const Reg mask = V::Set1(0xFF);
        const Reg a = V::Gather8(base, V::And(x, mask));
        const Reg b = V::Gather8(base + 4, V::And(V::template Srl<8>(x), mask));
        const Reg c = V::Gather8(base + 2048, V::And(V::template Srl<16>(x), mask));
        const Reg d = V::Gather8(base + 2052, V::template Srl<24>(x));
        return V::Xor(V::Xor3(a, b, c), d);
    }

    // g(ROL(x, 8)) without the rotation.
    static Reg G1(const char* base, Reg x) noexcept
    {
        const Reg mask = V::Set1(0xFF);
        const Reg a = V::Gather8(base, V::template Srl<24>(x));
        const Reg b = V::Gather8(base + 4, V::And(x, mask));
        const Reg c = V::Gather8(base + 2048, V::And(V::template Srl<8>(x), mask));
        const Reg d = V::Gather8(base + 2052, V::And(V::template Srl<16>(x), mask));
        return V::Xor(V::Xor3(a, b, c), d);
    }

    // Decrypts whole groups in place and returns how many blocks it did.
    static std::size_t Run(TwofishContext& ctx, std::uint8_t* p, std::size_t blocks) noexcept
    {
        const std::uint32_t* k = ctx.SubKeys;
        const char* base = reinterpret_cast<const char*>(ctx.SBoxTables);
        Reg chain = V::BroadcastBlock(ctx.ChainBlock);
        const std::size_t groups = blocks / kGroup;
        for (std::size_t gi = 0; gi < groups; ++gi, p += 16 * kGroup) {
            Reg z0 = V::Load(p), z1 = V::Load(p + 16 * V::Lanes), z2 = V::Load(p + 32 * V::Lanes),
                z3 = V::Load(p + 48 * V::Lanes);
            Reg r2 = z0, r3 = z1, r0 = z2, r1 = z3;
            V::Transpose(r2, r3, r0, r1);
            r2 = V::Xor(r2, V::Set1(k[4]));
            r3 = V::Xor(r3, V::Set1(k[5]));
            r0 = V::Xor(r0, V::Set1(k[6]));
            r1 = V::Xor(r1, V::Set1(k[7]));
            for (int r = 14; r >= 0; r -= 2) {
                Reg t0 = G0(base, r2), t1 = G1(base, r3);
                r0 = V::Xor(V::template Rol<1>(r0), V::Add(V::Add(t0, t1), V::Set1(k[2 * r + 10])));
                r1 = V::template Ror<1>(V::Xor(r1, V::Add(V::Add(t0, V::Add(t1, t1)), V::Set1(k[2 * r + 11]))));
                t0 = G0(base, r0);
                t1 = G1(base, r1);
                r2 = V::Xor(V::template Rol<1>(r2), V::Add(V::Add(t0, t1), V::Set1(k[2 * r + 8])));
                r3 = V::template Ror<1>(V::Xor(r3, V::Add(V::Add(t0, V::Add(t1, t1)), V::Set1(k[2 * r + 9]))));
            }
            r0 = V::Xor(r0, V::Set1(k[0]));
            r1 = V::Xor(r1, V::Set1(k[1]));
            r2 = V::Xor(r2, V::Set1(k[2]));
            r3 = V::Xor(r3, V::Set1(k[3]));
            V::Transpose(r0, r1, r2, r3);
            V::Store(p, V::Xor(r0, V::PreviousBlocks(z0, chain)));
            V::Store(p + 16 * V::Lanes, V::Xor(r1, V::PreviousBlocks(z1, z0)));
            V::Store(p + 32 * V::Lanes, V::Xor(r2, V::PreviousBlocks(z2, z1)));
            V::Store(p + 48 * V::Lanes, V::Xor(r3, V::PreviousBlocks(z3, z2)));
            chain = z3;
        }
        V::StoreLastBlock(ctx.ChainBlock, chain);
        return groups * kGroup;
    }
};

// Entry points of the per-instruction-set units.
std::size_t DecryptCbcAvx2(TwofishContext& ctx, std::uint8_t* p, std::size_t blocks) noexcept;
std::size_t DecryptCbcAvx512(TwofishContext& ctx, std::uint8_t* p, std::size_t blocks) noexcept;
std::size_t DecryptCbcGfni(TwofishContext& ctx, std::uint8_t* p, std::size_t blocks) noexcept;

} // namespace tarnex::detail::wide
