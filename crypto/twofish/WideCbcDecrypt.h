// Many-block CBC decryption on vector registers, written once over the
// operations of a register set: each register holds one word of every block
// in a group, so that sixteen rounds of a group are as many instructions as
// for a single block. Decryption has no chain between blocks, which is what
// lets it go wide. Local to each including file, like Internal.h.
#pragma once

#include "crypto/Twofish.h"

#include <cstddef>
#include <cstdint>

namespace tarnex::detail {
namespace {

// V supplies:
// - registers: type Reg, Lanes (blocks per register = Reg bytes / 16),
//   Load/Store, Set1, Xor, Add, Rol<n>, Ror<n>, Transpose (4x4 dwords within
//   every 128-bit lane), BroadcastBlock, PreviousBlocks(cur, prev) (the block
//   before each block of cur) and StoreLastBlock;
// - the g function: type Keyed (what g needs, made from the context and
//   scrubbed when it goes), G0(keyed, x) = g(x) and G1(keyed, x) = g(ROL(x, 8));
// - Side: how many groups to decrypt side by side, where one group's chain of
//   dependent instructions leaves the core idle.
template <class V>
struct WideDecryptor {
    using Reg = typename V::Reg;
    using Keyed = typename V::Keyed;
    static constexpr std::size_t kGroup = 4 * V::Lanes; // blocks per group

    // N groups; returns the last ciphertext block (in the top lane) for the chain.
    template <int N>
    [[gnu::always_inline]] static Reg Groups(const Keyed& s, const std::uint32_t* k, const std::uint8_t* in,
                                             std::uint8_t* out, Reg chain) noexcept
    {
        auto key = [k](int i) { return V::Set1(k[i]); };
        Reg z[N][4], r0[N], r1[N], r2[N], r3[N];
        for (int n = 0; n < N; ++n) {
            // Loaded one register at a time: as a loop, the compiler makes the
            // loads a copy into memory in 16-byte pieces, read back whole.
            const std::uint8_t* group = in + 16 * kGroup * n;
            r2[n] = z[n][0] = V::Load(group);
            r3[n] = z[n][1] = V::Load(group + 16 * V::Lanes);
            r0[n] = z[n][2] = V::Load(group + 32 * V::Lanes);
            r1[n] = z[n][3] = V::Load(group + 48 * V::Lanes);
            V::Transpose(r2[n], r3[n], r0[n], r1[n]);
            r2[n] = V::Xor(r2[n], key(4));
            r3[n] = V::Xor(r3[n], key(5));
            r0[n] = V::Xor(r0[n], key(6));
            r1[n] = V::Xor(r1[n], key(7));
        }
        for (int r = 14; r >= 0; r -= 2) {
            for (int n = 0; n < N; ++n) {
                const Reg t0 = V::G0(s, r2[n]), t1 = V::G1(s, r3[n]);
                r0[n] = V::Xor(V::template Rol<1>(r0[n]), V::Add(V::Add(t0, t1), key(2 * r + 10)));
                r1[n] = V::template Ror<1>(V::Xor(r1[n], V::Add(V::Add(t0, V::Add(t1, t1)), key(2 * r + 11))));
            }
            for (int n = 0; n < N; ++n) {
                const Reg t0 = V::G0(s, r0[n]), t1 = V::G1(s, r1[n]);
                r2[n] = V::Xor(V::template Rol<1>(r2[n]), V::Add(V::Add(t0, t1), key(2 * r + 8)));
                r3[n] = V::template Ror<1>(V::Xor(r3[n], V::Add(V::Add(t0, V::Add(t1, t1)), key(2 * r + 9))));
            }
        }
        for (int n = 0; n < N; ++n) {
            r0[n] = V::Xor(r0[n], key(0));
            r1[n] = V::Xor(r1[n], key(1));
            r2[n] = V::Xor(r2[n], key(2));
            r3[n] = V::Xor(r3[n], key(3));
            V::Transpose(r0[n], r1[n], r2[n], r3[n]);
            std::uint8_t* o = out + 16 * kGroup * n;
            V::Store(o, V::Xor(r0[n], V::PreviousBlocks(z[n][0], chain)));
            V::Store(o + 16 * V::Lanes, V::Xor(r1[n], V::PreviousBlocks(z[n][1], z[n][0])));
            V::Store(o + 32 * V::Lanes, V::Xor(r2[n], V::PreviousBlocks(z[n][2], z[n][1])));
            V::Store(o + 48 * V::Lanes, V::Xor(r3[n], V::PreviousBlocks(z[n][3], z[n][2])));
            chain = z[n][3];
        }
        return chain;
    }

    // Whole groups only: blocks is a multiple of kGroup.
    static void Run(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept
    {
        const std::size_t groups = blocks / kGroup;
        if (groups == 0)
            return;
        const Keyed s(ctx);
        const std::uint32_t* k = ctx.SubKeys;
        Reg chain = V::BroadcastBlock(ctx.ChainBlock);
        std::size_t g = 0;
        for (; g + V::Side <= groups; g += V::Side, in += 16 * kGroup * V::Side, out += 16 * kGroup * V::Side)
            chain = Groups<V::Side>(s, k, in, out, chain);
        for (; g < groups; ++g, in += 16 * kGroup, out += 16 * kGroup)
            chain = Groups<1>(s, k, in, out, chain);
        V::StoreLastBlock(ctx.ChainBlock, chain);
    }
};

// g by gathers from the context's own tables, for register sets that have a
// dword gather (Gather8: scaled by 8, as T0/T1 and T2/T3 are interleaved).
template <class R>
struct GatherG {
    struct Keyed {
        const char* base;
        explicit Keyed(const TwofishContext& ctx) noexcept : base(reinterpret_cast<const char*>(ctx.SBoxTables)) {}
    };

    static typename R::Reg G0(const Keyed& s, typename R::Reg x) noexcept
    {
        const auto mask = R::Set1(0xFF);
        const auto a = R::Gather8(s.base, R::And(x, mask));
        const auto b = R::Gather8(s.base + 4, R::And(R::template Srl<8>(x), mask));
        const auto c = R::Gather8(s.base + 2048, R::And(R::template Srl<16>(x), mask));
        const auto d = R::Gather8(s.base + 2052, R::template Srl<24>(x));
        return R::Xor(R::Xor3(a, b, c), d);
    }

    // g(ROL(x, 8)) without the rotation.
    static typename R::Reg G1(const Keyed& s, typename R::Reg x) noexcept
    {
        const auto mask = R::Set1(0xFF);
        const auto a = R::Gather8(s.base, R::template Srl<24>(x));
        const auto b = R::Gather8(s.base + 4, R::And(x, mask));
        const auto c = R::Gather8(s.base + 2048, R::And(R::template Srl<8>(x), mask));
        const auto d = R::Gather8(s.base + 2052, R::And(R::template Srl<16>(x), mask));
        return R::Xor(R::Xor3(a, b, c), d);
    }
};

} // namespace
} // namespace tarnex::detail
