#pragma once

#include <span>

namespace vireo {

// The instruction sets the engine's two hot loops (grey conversion and edge map) are compiled
// for. Every path computes exactly the same bytes; the fastest one the processor runs is chosen
// once, at the first call, so one program runs on every x86-64 and still uses AVX2 where it is.
enum class SimdPath {
    Portable, // plain C++ for the compiler's baseline (SSE2 on x86-64)
    Ssse3,    // adds byte shuffles
    Avx2,     // 32-byte vectors
};

// Whether this processor can run `path`. Portable always can.
bool runsOn(SimdPath path);

// The fastest path this processor runs.
SimdPath fastestSimdPath();

// Every path this processor runs, Portable first: for tests that compare the paths.
std::span<const SimdPath> runnableSimdPaths();

const char* simdPathName(SimdPath path);

} // namespace vireo
