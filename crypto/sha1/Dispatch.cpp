// The one place that picks the compression function, as for the cipher.
#include "crypto/sha1/Compress.h"

namespace tarnex {

namespace detail {

namespace {

constexpr Path<Sha1CompressFn> kCompress[] = {
#if defined(__x86_64__)
    {"sha extensions", kSha | kSse41, Sha1CompressShaNi},
#endif
    {"portable", kPlain, Sha1CompressPortable},
};

static_assert(EndsWithPlainCode(kCompress));

} // namespace

std::span<const Path<Sha1CompressFn>> Sha1CompressPaths() noexcept { return kCompress; }

} // namespace detail

void Sha1Compress(Sha1Context& ctx) noexcept
{
    static detail::Sha1CompressFn* const run = detail::Choose(detail::kCompress);
    run(ctx);
}

} // namespace tarnex
