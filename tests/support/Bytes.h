// Bytes for tests: hexadecimal text and reproducible random bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tarnex::test {

using Bytes = std::vector<std::uint8_t>;

// Lower-case hexadecimal, two digits a byte.
inline std::string Hex(const std::uint8_t* p, std::size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

inline std::string Hex(std::string_view bytes)
{
    return Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

inline std::string Hex(const Bytes& bytes)
{
    return Hex(bytes.data(), bytes.size());
}

// Either case; an odd last digit is ignored.
inline Bytes FromHex(std::string_view hex)
{
    Bytes out(hex.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(std::stoul(std::string(hex.substr(2 * i, 2)), nullptr, 16));
    return out;
}

// The same seed gives the same bytes on every machine, so a failure can be
// replayed; the oracle comparisons need nothing else of them.
class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}

    test::Bytes Bytes(std::size_t n)
    {
        test::Bytes v(n);
        for (auto& b : v)
            b = static_cast<std::uint8_t>(engine_() & 0xFF);
        return v;
    }

    std::string String(std::size_t n)
    {
        std::string s(n, '\0');
        for (auto& c : s)
            c = static_cast<char>(engine_() & 0xFF);
        return s;
    }

    // Uniform in [lo, hi].
    std::size_t Between(std::size_t lo, std::size_t hi)
    {
        return std::uniform_int_distribution<std::size_t>(lo, hi)(engine_);
    }

private:
    std::mt19937_64 engine_;
};

inline std::string RandomBytes(std::size_t n, std::uint64_t seed)
{
    return Random(seed).String(n);
}

} // namespace tarnex::test
