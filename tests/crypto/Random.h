// Reproducible random bytes for the oracle comparisons.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace crypto_test {

class Random {
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}

    std::vector<std::uint8_t> Bytes(std::size_t n)
    {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v)
            b = static_cast<std::uint8_t>(engine_());
        return v;
    }

    // Uniform in [lo, hi].
    std::size_t Between(std::size_t lo, std::size_t hi)
    {
        return std::uniform_int_distribution<std::size_t>(lo, hi)(engine_);
    }

private:
    std::mt19937 engine_;
};

} // namespace crypto_test
