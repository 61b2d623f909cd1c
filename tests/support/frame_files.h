#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vireo::testing {

// A frame file that differs from the plain patterned frame in one way.
struct FrameFileCase {
    std::string name; // "refused-planes-0"; the fuzzer's seed file is fuzz/corpus/<name>.bmp
    std::vector<std::uint8_t> bytes;
    // A part of the loader's reason for refusing it; "" when it must load and give the plain
    // file's grey frame; nullopt when either is right (a file the fuzzer found).
    std::optional<std::string> refusal;
};

inline void PrintTo(const FrameFileCase& c, std::ostream* os) {
    *os << c.name;
}

// The one table of frame files the loader accepts or refuses: the loader's tests run it and
// the fuzzer's seed corpus is written from it.
std::vector<FrameFileCase> frameFileCases();

} // namespace vireo::testing
