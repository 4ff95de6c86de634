// How the cipher and the digest pick their fastest code: every operation has
// a table of the implementations that can do it, best first, each with the
// instructions it needs beyond plain C++; the CPU's instructions are looked up
// once, and an operation runs the first entry of its table that this CPU
// has everything for. The last entry of every table needs nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnex::detail {

// Instruction-set extensions, one bit each.
using Features = std::uint32_t;
inline constexpr Features kPlain = 0;
inline constexpr Features kBmi = 1u << 0;
inline constexpr Features kAvx2 = 1u << 1;
inline constexpr Features kAvx512F = 1u << 2;
inline constexpr Features kAvx512Bw = 1u << 3;
inline constexpr Features kAvx512Vbmi = 1u << 4;
inline constexpr Features kGfni = 1u << 5;
inline constexpr Features kSse41 = 1u << 6;
inline constexpr Features kSha = 1u << 7;

// What this CPU and its operating system let us run; found on first use.
Features CpuFeatures() noexcept;

// One implementation of one operation. Group is for the bulk CBC paths that
// work on many blocks side by side: such a path only ever takes a whole
// number of groups, and the blocks left over go to the next entry.
template <class Fn>
struct Path {
    const char* Name;
    Features Needs;
    Fn* Run;
    std::size_t Group = 1;
};

template <class Fn>
constexpr bool CanRun(const Path<Fn>& path, Features cpu) noexcept
{
    return (path.Needs & ~cpu) == 0;
}

// The best entry that `cpu` can run and that takes any number of blocks.
template <class Fn>
const Path<Fn>& Best(std::span<const Path<Fn>> paths, Features cpu) noexcept
{
    for (const auto& path : paths)
        if (path.Group == 1 && CanRun(path, cpu))
            return path;
    return paths.back();
}

// The code of the best entry of a table for this CPU. Callers keep it in a
// static, so the table is walked once.
template <class Fn, std::size_t N>
Fn* Choose(const Path<Fn> (&paths)[N]) noexcept
{
    return Best(std::span<const Path<Fn>>(paths), CpuFeatures()).Run;
}

// Checked at compile time for every table: some entry always fits.
template <class Fn, std::size_t N>
constexpr bool EndsWithPlainCode(const Path<Fn> (&paths)[N])
{
    return paths[N - 1].Needs == kPlain && paths[N - 1].Group == 1;
}

} // namespace tarnex::detail
