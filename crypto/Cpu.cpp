#include "crypto/Cpu.h"

namespace tarnex::detail {

namespace {

Features Detect() noexcept
{
    Features has = kPlain;
#if defined(__x86_64__)
    // The compiler's runtime also asks the operating system whether it saves
    // the vector registers, so a reported AVX or AVX-512 set can be used.
    __builtin_cpu_init();
    const struct {
        bool present;
        Features bit;
    } found[] = {
        {__builtin_cpu_supports("bmi") != 0, kBmi},
        {__builtin_cpu_supports("avx2") != 0, kAvx2},
        {__builtin_cpu_supports("avx512f") != 0, kAvx512F},
        {__builtin_cpu_supports("avx512bw") != 0, kAvx512Bw},
        {__builtin_cpu_supports("avx512vbmi") != 0, kAvx512Vbmi},
        {__builtin_cpu_supports("gfni") != 0, kGfni},
        {__builtin_cpu_supports("sse4.1") != 0, kSse41},
        {__builtin_cpu_supports("sha") != 0, kSha},
    };
    for (const auto& f : found)
        if (f.present)
            has |= f.bit;
#endif
    return has;
}

} // namespace

Features CpuFeatures() noexcept
{
    static const Features has = Detect();
    return has;
}

} // namespace tarnex::detail
