// The key schedule in plain C++: fitting the key, the subkeys and the
// key-dependent tables of full keying.
#include "crypto/Tools.h"
#include "crypto/twofish/Internal.h"
#include "crypto/twofish/Paths.h"

#include <cstring>

namespace tarnex {

using detail::LoadLittleEndian;

namespace {

using detail::kQ;

struct MdsArray {
    std::uint32_t t[4][256];
};

// Multiplication by the MDS matrix entries 0x5B and 0xEF in GF(2^8) mod 0x169,
// in the shift-register form of the cipher's reference code.
constexpr unsigned Lfsr1(unsigned v) { return (v >> 1) ^ ((v & 1) ? 0xB4u : 0u); }
constexpr unsigned Lfsr2(unsigned v) { return (v >> 2) ^ ((v & 2) ? 0xB4u : 0u) ^ ((v & 1) ? 0x5Au : 0u); }
constexpr unsigned MulX(unsigned v) { return v ^ Lfsr2(v); }
constexpr unsigned MulY(unsigned v) { return v ^ Lfsr1(v) ^ Lfsr2(v); }

constexpr std::uint32_t Pack(unsigned b0, unsigned b1, unsigned b2, unsigned b3)
{
    return b0 | (b1 << 8) | (b2 << 16) | (b3 << 24);
}

constexpr MdsArray BuildMds()
{
    MdsArray m{};
    for (unsigned x = 0; x < 256; ++x) {
        const unsigned a = kQ.q0[x], b = kQ.q1[x];
        m.t[0][x] = Pack(b, MulX(b), MulY(b), MulY(b));
        m.t[1][x] = Pack(MulY(a), MulY(a), MulX(a), a);
        m.t[2][x] = Pack(MulX(b), MulY(b), b, MulY(b));
        m.t[3][x] = Pack(MulX(a), a, MulY(a), MulX(a));
    }
    return m;
}

// Built by the compiler, so the tables exist before any code can use them.
constexpr MdsArray kMds = BuildMds();

constexpr unsigned Byte(std::uint32_t x, unsigned j) { return (x >> (8 * j)) & 0xFF; }

// Reed-Solomon remainder of the key bytes, shift-register form.
std::uint32_t RsRemainder(std::uint32_t r) noexcept
{
    const std::uint32_t b = r >> 24;
    std::uint32_t g2 = (b << 1) & 0xFF;
    if (b & 0x80)
        g2 ^= 0x4D;
    std::uint32_t g3 = (b >> 1) ^ g2;
    if (b & 1)
        g3 ^= 0xA6;
    return (r << 8) ^ (g3 << 24) ^ (g2 << 16) ^ (g3 << 8) ^ b;
}

std::uint32_t RsEncode(std::uint32_t even, std::uint32_t odd) noexcept
{
    std::uint32_t r = odd;
    for (int i = 0; i < 4; ++i)
        r = RsRemainder(r);
    r ^= even;
    for (int i = 0; i < 4; ++i)
        r = RsRemainder(r);
    return r;
}

// The q permutations of h, by byte position: the word-3, word-2, word-1 and
// word-0 layers (the final q is folded into the MDS tables).
constexpr const std::uint8_t* kLayer[4][4] = {
    {kQ.q1, kQ.q1, kQ.q0, kQ.q0},
    {kQ.q0, kQ.q1, kQ.q1, kQ.q0},
    {kQ.q0, kQ.q0, kQ.q0, kQ.q1},
    {kQ.q1, kQ.q0, kQ.q1, kQ.q1},
};

// The q layers of h for byte position J with a list of K words, whose byte J
// are l[0..K-1]; returns the index into MDS table J.
template <int K, int J>
inline unsigned Layers(unsigned x, const unsigned* l) noexcept
{
    if constexpr (K == 4)
        x = kLayer[J][0][x] ^ l[3];
    if constexpr (K >= 3)
        x = kLayer[J][1][x] ^ l[2];
    return kLayer[J][3][kLayer[J][2][x] ^ l[1]] ^ l[0];
}

template <int K>
struct ByteLists {
    unsigned b[4][K]; // b[position][word]

    explicit ByteLists(const std::uint32_t* words) noexcept
    {
        for (int j = 0; j < 4; ++j)
            for (int w = 0; w < K; ++w)
                b[j][w] = Byte(words[w], static_cast<unsigned>(j));
    }
};

// h for the key schedule: the same input byte in all four positions.
template <int K>
inline std::uint32_t H(unsigned x, const ByteLists<K>& l) noexcept
{
    return kMds.t[0][Layers<K, 0>(x, l.b[0])] ^ kMds.t[1][Layers<K, 1>(x, l.b[1])] ^
           kMds.t[2][Layers<K, 2>(x, l.b[2])] ^ kMds.t[3][Layers<K, 3>(x, l.b[3])];
}

// The key schedule proper, for k = K words; the key has been fitted already.
template <int K>
void Expand(TwofishContext& ctx, const std::uint32_t (&me)[4], const std::uint32_t (&mo)[4],
            detail::SBoxFn* buildSBoxes) noexcept
{
    for (int i = 0; i < K; ++i)
        ctx.SBoxKey[K - 1 - i] = RsEncode(me[i], mo[i]);

    ByteLists<K> even(me), odd(mo);
    for (unsigned i = 0; i < 20; ++i) {
        const std::uint32_t a = H<K>(2 * i, even);
        const std::uint32_t b = RotateLeft32(H<K>(2 * i + 1, odd), 8);
        ctx.SubKeys[2 * i] = a + b;
        ctx.SubKeys[2 * i + 1] = RotateLeft32(a + 2 * b, 9);
    }
    SecureZero(&even, sizeof even);
    SecureZero(&odd, sizeof odd);

    buildSBoxes(ctx.SBoxKey, K, ctx.SBoxTables);
}

// Full keying: T_j[x] for every byte x, all four positions per pass so that
// their independent lookups overlap. T0/T1 and T2/T3 interleave.
template <int K>
void BuildSBoxesFor(const std::uint32_t* sboxKey, std::uint32_t* t) noexcept
{
    ByteLists<K> sbox(sboxKey);
    for (unsigned x = 0; x < 256; ++x) {
        t[2 * x] = kMds.t[0][Layers<K, 0>(x, sbox.b[0])];
        t[2 * x + 1] = kMds.t[1][Layers<K, 1>(x, sbox.b[1])];
        t[512 + 2 * x] = kMds.t[2][Layers<K, 2>(x, sbox.b[2])];
        t[513 + 2 * x] = kMds.t[3][Layers<K, 3>(x, sbox.b[3])];
    }
    SecureZero(&sbox, sizeof sbox);
}

} // namespace

const std::uint32_t (&MdsTables)[4][256] = kMds.t;

void detail::BuildSBoxesPortable(const std::uint32_t* sboxKey, int k, std::uint32_t* tables) noexcept
{
    if (k == 2)
        BuildSBoxesFor<2>(sboxKey, tables);
    else if (k == 3)
        BuildSBoxesFor<3>(sboxKey, tables);
    else
        BuildSBoxesFor<4>(sboxKey, tables);
}

void detail::SetUp(TwofishContext& ctx, const void* key, std::int32_t length, const void* iv,
                   SBoxFn* buildSBoxes)
{
    if (length <= 0 || length > 32)
        throw Error("Key length must be between 1 and 32 bytes");

    if (iv) {
        std::memcpy(ctx.InitVector, iv, 16);
        std::memcpy(ctx.ChainBlock, iv, 16);
    } else {
        std::memset(ctx.InitVector, 0, 16);
        std::memset(ctx.ChainBlock, 0, 16);
    }

    std::uint8_t padded[32] = {};
    std::memcpy(padded, key, static_cast<std::size_t>(length));
    ctx.KeyBits = length <= 16 ? 128 : length <= 24 ? 192 : 256;
    const int k = ctx.KeyBits / 64;

    std::uint32_t me[4] = {}, mo[4] = {};
    for (int i = 0; i < k; ++i) {
        me[i] = LoadLittleEndian(padded + 8 * i);
        mo[i] = LoadLittleEndian(padded + 8 * i + 4);
    }
    if (k == 2)
        Expand<2>(ctx, me, mo, buildSBoxes);
    else if (k == 3)
        Expand<3>(ctx, me, mo, buildSBoxes);
    else
        Expand<4>(ctx, me, mo, buildSBoxes);

    SecureZero(padded, sizeof padded);
    SecureZero(me, sizeof me);
    SecureZero(mo, sizeof mo);
}

} // namespace tarnex
