// The implementations behind Sha1Compress, listed so that the tests can check
// each, not only the one this CPU selects.
#pragma once

#include "crypto/SHA1.h"

#include <span>

namespace tarnex::detail {

void Sha1CompressPortable(Sha1Context& ctx) noexcept;
void Sha1CompressShaNi(Sha1Context& ctx) noexcept; // only where HasShaNi()
bool HasShaNi() noexcept;

struct Sha1Path {
    const char* Name;
    bool (*Available)() noexcept;
    void (*Compress)(Sha1Context& ctx) noexcept;
};

inline bool Sha1Always() noexcept { return true; }

inline constexpr Sha1Path kSha1Paths[] = {
    {"portable", Sha1Always, Sha1CompressPortable},
#if defined(__x86_64__)
    {"sha extensions", HasShaNi, Sha1CompressShaNi},
#endif
};

} // namespace tarnex::detail
