#pragma once

#include <cstdint>

namespace vireo {

// The splitmix64 generator: a fixed algorithm on unsigned 64-bit integers, so the same seed
// gives the same numbers with every compiler and standard library (the standard
// distributions do not promise that).
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed)
        : state_(seed) {}

    std::uint64_t next() {
        state_ += 0x9E3779B97F4A7C15ULL;
        return mix(state_);
    }

    // A whole number in lo..hi inclusive; the tiny modulo bias does not matter for pictures.
    int between(int lo, int hi) {
        const auto span = static_cast<std::uint64_t>(hi - lo + 1);
        return lo + static_cast<int>(next() % span);
    }

    // The splitmix64 output function, also usable as a stateless hash.
    static std::uint64_t mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

} // namespace vireo
