// CBC decryption sixteen blocks at a time with AVX-512 gathers and
// rotations. Built with AVX-512 F for this file alone, and only called where
// the CPU has it.
#include "crypto/twofish/Avx512Registers.h"
#include "crypto/twofish/Paths.h"
#include "crypto/twofish/WideCbcDecrypt.h"

namespace tarnex::detail {

namespace {

struct Avx512 : Avx512Registers, GatherG<Avx512Registers> {
    static constexpr int Side = 1;
};

} // namespace

void DecryptCbcAvx512(TwofishContext& ctx, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) noexcept
{
    WideDecryptor<Avx512>::Run(ctx, in, out, blocks);
}

} // namespace tarnex::detail
