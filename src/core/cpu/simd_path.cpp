#include "cpu/simd_path.h"

#include <array>
#include <cstddef>

namespace vireo {

namespace {

bool detect(SimdPath path) {
#if defined(__x86_64__) || defined(__i386__)
    switch (path) {
    case SimdPath::Portable:
        return true;
    case SimdPath::Ssse3:
        return __builtin_cpu_supports("ssse3");
    case SimdPath::Avx2:
        return __builtin_cpu_supports("avx2");
    }
    return false;
#else
    return path == SimdPath::Portable;
#endif
}

struct Runnable {
    std::array<SimdPath, 3> paths{};
    std::size_t count = 0;

    Runnable() {
        for (SimdPath path : {SimdPath::Portable, SimdPath::Ssse3, SimdPath::Avx2})
            if (detect(path))
                paths[count++] = path;
    }
};

const Runnable& runnable() {
    static const Runnable paths;
    return paths;
}

} // namespace

bool runsOn(SimdPath path) {
    for (SimdPath runs : runnableSimdPaths())
        if (runs == path)
            return true;
    return false;
}

SimdPath fastestSimdPath() {
    return runnableSimdPaths().back();
}

std::span<const SimdPath> runnableSimdPaths() {
    const Runnable& all = runnable();
    return {all.paths.data(), all.count};
}

const char* simdPathName(SimdPath path) {
    switch (path) {
    case SimdPath::Portable:
        return "portable";
    case SimdPath::Ssse3:
        return "ssse3";
    case SimdPath::Avx2:
        return "avx2";
    }
    return "unknown";
}

} // namespace vireo
