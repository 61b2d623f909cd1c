#include "frame_sets.h"

#include "input/bitmap_loader.h"
#include "tracker/tracker.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

#ifndef VIREO_SAMPLES_DIR
#define VIREO_SAMPLES_DIR "samples"
#endif

namespace vireo::bench {

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr int kStartThreshold = 100;

// A 57,654-byte 24-bit bitmap: file header, 40-byte information header, rows bottom-up.
std::vector<std::uint8_t> encodeBmp(const std::vector<std::array<std::uint8_t, 3>>& bgr) {
    std::vector<std::uint8_t> bytes(54 + 3 * kWidth * kHeight);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, kWidth);
    put32(22, kHeight);
    bytes[26] = 1;  // planes
    bytes[28] = 24; // bit count
    put32(34, 3 * kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const auto& pixel = bgr[static_cast<std::size_t>(y) * kWidth + x];
            const std::size_t at =
                54 + 3 * (static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x);
            bytes[at] = pixel[0];
            bytes[at + 1] = pixel[1];
            bytes[at + 2] = pixel[2];
        }
    return bytes;
}

std::uint8_t clampByte(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Frame n: frames 0..10 a floor shaded from top to bottom with a path whose centre and width
// change with n and per-channel noise; frames 11 and 12 pure noise (an edge almost everywhere).
std::vector<std::array<std::uint8_t, 3>> generatedPicture(int n) {
    std::uint64_t seed = 0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(n + 1);
    auto next = [&seed]() {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return static_cast<int>(seed & 0xFFFF);
    };
    std::vector<std::array<std::uint8_t, 3>> picture(static_cast<std::size_t>(kWidth) * kHeight);
    const bool noiseOnly = n >= 11;
    const bool darkPath = n % 2 == 0;
    const int noise = 4 + 3 * n;
    for (int y = 0; y < kHeight; ++y) {
        const int centre = 80 + (n - 5) * 6 + (y - 60) * (n - 5) / 10;
        const int halfWidth = 4 + y / 8;
        for (int x = 0; x < kWidth; ++x) {
            int level = 90 + y / 2;
            if (x >= centre - halfWidth && x <= centre + halfWidth)
                level = darkPath ? 30 : 220;
            std::array<std::uint8_t, 3> bgr{};
            for (int c = 0; c < 3; ++c)
                bgr[c] = noiseOnly ? static_cast<std::uint8_t>(next() & 0xFF)
                                   : clampByte(level + next() % (2 * noise + 1) - noise);
            picture[static_cast<std::size_t>(y) * kWidth + x] = bgr;
        }
    }
    return picture;
}

std::filesystem::path makeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vireo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error(pattern + ": cannot create a temporary folder");
    return pattern;
}

// Loads all thirteen frames of `folder` as the window shows them after start-up, each with its
// edge map at the start-up threshold; false when one of them does not load.
bool loadAll(FrameSet& set) {
    set.states.clear();
    for (int n = 0; n < kFramesPerSet; ++n) {
        Tracker tracker;
        if (!tracker.startUp(set.folder, kStartThreshold, n))
            return false;
        tracker.displayPicture();
        set.states.push_back(std::make_unique<TrackingState>(tracker.state()));
    }
    return true;
}

// Removes the generated files when the program ends.
struct GeneratedFolder {
    std::filesystem::path path;
    ~GeneratedFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

FrameSet makeGenerated(std::string name) {
    static GeneratedFolder folder{makeTemporaryFolder()};
    FrameSet set;
    set.name = std::move(name);
    set.folder = folder.path;
    for (int n = 0; n < kFramesPerSet; ++n) {
        const auto bytes = encodeBmp(generatedPicture(n));
        std::ofstream out(folder.path / frameFileName(n), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out)
            throw std::runtime_error((folder.path / frameFileName(n)).string() + ": cannot write");
    }
    if (!loadAll(set))
        throw std::runtime_error(folder.path.string() + ": generated frames do not load");
    return set;
}

FrameSet makeBundled() {
    FrameSet set;
    set.name = "bundled";
    set.folder = VIREO_SAMPLES_DIR;
    if (loadAll(set))
        return set;
    return makeGenerated("generated (samples missing)");
}

} // namespace

std::unique_ptr<TrackingState> startedState() {
    Tracker tracker;
    (void)tracker.startUp({}, kStartThreshold, std::nullopt); // loads nothing, cannot fail
    return std::make_unique<TrackingState>(tracker.state());
}

const FrameSet& frameSet(int which) {
    static const FrameSet bundled = makeBundled();
    static const FrameSet generated = makeGenerated("generated");
    return which == 0 ? bundled : generated;
}

} // namespace vireo::bench
