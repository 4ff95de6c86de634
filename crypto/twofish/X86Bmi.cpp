// The cipher with x86-64 round code scheduled by hand. Built with BMI1 for
// this file alone, and only called where the CPU has it.
//
// One round as the scheduler should see it: the S-box tables are read with
// one scaled index per byte (T0/T1 and T2/T3 are interleaved, so every lookup
// is base + 8*byte + a constant), bytes 1 and 2 come out in one BEXTR each,
// the four lookups are xored as a balanced tree, and the subkeys are added to
// the second g output, which is ready a cycle before the first (2*T1 + K1 is
// one LEA), so that each of F0 and F1 is a single addition after the first g.
// The second g comes first in the code: its input is ready earlier, and the
// scheduler then starts its loads without delaying the first g's. Written in
// assembly so that this order and these addressing forms are kept.
#include "crypto/twofish/Paths.h"
#include "crypto/twofish/Scalar.h"

namespace tarnex::detail {

namespace {

using Tables = const std::uint32_t (*)[1024];

// Byte-field selectors for BEXTR: 8 bits from bit 8 and from bit 16.
constexpr std::uint32_t kByte1 = 0x0808;
constexpr std::uint32_t kByte2 = 0x0810;

#define TARNEX_TWOFISH_G_PAIR                                                                                    \
    "mov %[y], %[t1]\n\t"                                                                                        \
    "shr $24, %[t1]\n\t"                                                                                         \
    "movzbl %b[y], %[t2]\n\t"                                                                                    \
    "bextr %[s1], %[y], %[t3]\n\t"                                                                               \
    "bextr %[s2], %[y], %[t4]\n\t"                                                                               \
    "mov (%[T],%q[t1],8), %[t1]\n\t"                                                                             \
    "xor 4(%[T],%q[t2],8), %[t1]\n\t"                                                                            \
    "mov 2048(%[T],%q[t3],8), %[t3]\n\t"                                                                         \
    "xor 2052(%[T],%q[t4],8), %[t3]\n\t"                                                                         \
    "xor %[t3], %[t1]\n\t"                                                                                       \
    "movzbl %b[x], %[t0]\n\t"                                                                                    \
    "bextr %[s1], %[x], %[t4]\n\t"                                                                               \
    "bextr %[s2], %[x], %[t2]\n\t"                                                                               \
    "mov %[x], %[t3]\n\t"                                                                                        \
    "shr $24, %[t3]\n\t"                                                                                         \
    "mov (%[T],%q[t0],8), %[t0]\n\t"                                                                             \
    "xor 4(%[T],%q[t4],8), %[t0]\n\t"                                                                            \
    "mov 2048(%[T],%q[t2],8), %[t2]\n\t"                                                                         \
    "xor 2052(%[T],%q[t3],8), %[t2]\n\t"                                                                         \
    "xor %[t2], %[t0]\n\t"                                                                                       \
    "mov %[k1], %[t2]\n\t"                                                                                       \
    "lea (%q[t2],%q[t1],2), %[t2]\n\t"                                                                           \
    "add %[k0], %[t1]\n\t"                                                                                       \
    "add %[t0], %[t1]\n\t"                                                                                       \
    "add %[t0], %[t2]\n\t"

struct BmiRound {
    // u = ROR(u ^ F0, 1), v = ROL(v, 1) ^ F1
    [[gnu::always_inline]] static void EncryptRound(std::uint32_t x, std::uint32_t y, std::uint32_t& u,
                                                    std::uint32_t& v, const std::uint32_t& k0,
                                                    const std::uint32_t& k1, const std::uint32_t* t) noexcept
    {
        std::uint32_t t0, t1, t2, t3, t4;
        asm("rol $1, %[v]\n\t" TARNEX_TWOFISH_G_PAIR "xor %[t1], %[u]\n\t"
            "ror $1, %[u]\n\t"
            "xor %[t2], %[v]\n\t"
            : [u] "+r"(u), [v] "+r"(v), [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3),
              [t4] "=&r"(t4)
            : [x] "r"(x), [y] "r"(y), [T] "r"(t), [k0] "rm"(k0), [k1] "rm"(k1), [s1] "r"(kByte1),
              [s2] "r"(kByte2), "m"(*reinterpret_cast<Tables>(t))
            : "cc");
    }

    // u = ROL(u, 1) ^ F0, v = ROR(v ^ F1, 1)
    [[gnu::always_inline]] static void DecryptRound(std::uint32_t x, std::uint32_t y, std::uint32_t& u,
                                                    std::uint32_t& v, const std::uint32_t& k0,
                                                    const std::uint32_t& k1, const std::uint32_t* t) noexcept
    {
        std::uint32_t t0, t1, t2, t3, t4;
        asm("rol $1, %[u]\n\t" TARNEX_TWOFISH_G_PAIR "xor %[t2], %[v]\n\t"
            "ror $1, %[v]\n\t"
            "xor %[t1], %[u]\n\t"
            : [u] "+r"(u), [v] "+r"(v), [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3),
              [t4] "=&r"(t4)
            : [x] "r"(x), [y] "r"(y), [T] "r"(t), [k0] "rm"(k0), [k1] "rm"(k1), [s1] "r"(kByte1),
              [s2] "r"(kByte2), "m"(*reinterpret_cast<Tables>(t))
            : "cc");
    }
};

#undef TARNEX_TWOFISH_G_PAIR

using Bmi = Scalar<BmiRound>;

} // namespace

void EncryptBlockBmi(const TwofishContext& ctx, const void* in, void* out) noexcept
{
    Bmi::EncryptBlock(ctx, in, out);
}

void DecryptBlockBmi(const TwofishContext& ctx, const void* in, void* out) noexcept
{
    Bmi::DecryptBlock(ctx, in, out);
}

void EncryptCbcBmi(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept
{
    Bmi::EncryptCbc(ctx, in, out, blocks);
}

void DecryptCbcBmi(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept
{
    Bmi::DecryptCbc(ctx, in, out, blocks);
}

void Cfb8Bmi(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
             bool decrypt) noexcept
{
    Bmi::Cfb8(ctx, in, out, count, decrypt);
}

} // namespace tarnex::detail
