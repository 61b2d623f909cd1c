// libFuzzer target for the frame loader. Each input is written as a frame file picN.bmp in a
// private folder and loaded through moveme(), exactly as the programs load a frame. A refusal
// is an expected answer; anything else that escapes, a crash, a leak, a sanitizer report or a
// broken check below is a finding. The seed corpus in corpus/ is the loader tests' table of
// frame files (tests/support/frame_files.cpp).

#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "recording_surface.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

using vireo::TrackingState;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "vireo-fuzz-loader: %s\n", what);
        std::abort();
    }
}

std::uint32_t u32(const std::uint8_t* p, int bytes = 4) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// A successful load must have accepted only a frame file the loader's contract accepts, and must
// give what a plain reading of the bytes gives: the headers and the pixel data kept, each grey
// level the rounded mean of its pixel, the picture the file's colours.
void checkLoad(const std::uint8_t* data, std::size_t size, const TrackingState& state,
               const vireo::testing::RecordingSurface& picture) {
    check(size >= 54 && data[0] == 'B' && data[1] == 'M', "accepted a file without \"BM\"");
    const std::uint32_t infoSize = u32(data + 14);
    check(infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124,
          "accepted an unsupported information header");
    const std::size_t headers = 14 + infoSize;
    const std::uint32_t offset = u32(data + 10);
    const auto height = static_cast<std::int32_t>(u32(data + 22));
    check(u32(data + 18) == 160 && (height == 120 || height == -120),
          "accepted a picture that is not 160 x 120");
    check(u32(data + 26, 2) == 1 && u32(data + 28, 2) == 24 && u32(data + 30) == 0,
          "accepted planes, bit count or compression it does not read");
    check(offset >= headers && offset + 57600 <= size,
          "accepted pixel data outside the file or inside the header");
    check(state.filebytes.size() == headers + 57600 &&
              std::equal(data, data + headers, state.filebytes.begin()) &&
              std::equal(data + offset, data + offset + 57600, state.filebytes.begin() + headers),
          "the file bytes are not the file's headers and pixel data");
    check(picture.calls.size() == 1 && picture.calls[0].op == "picture",
          "a loaded frame was not shown once");
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const std::uint8_t* p = data + offset + 480 * (height > 0 ? 119 - y : y) + 3 * x;
            check(state.grayimg.at(x, y) == (p[0] + p[1] + p[2] + 1) / 3,
                  "a grey level is not the rounded mean of its pixel");
            check(picture.picture.at(x, y) == vireo::rgb(p[2], p[1], p[0]),
                  "a shown colour is not the file's pixel");
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vireo::testing::TempFolder folder;
    // A pattern in the picture area and some file bytes, so that a refusal that touched
    // anything shows.
    static const TrackingState before = [] {
        TrackingState state;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                state.grayimg.at(x, y) = static_cast<std::uint8_t>(x * 5 + y);
        state.filebytes = {'o', 'l', 'd'};
        return state;
    }();

    vireo::testing::writeFile(folder.path() / "pic3.bmp", {data, data + size});
    TrackingState state = before;
    vireo::testing::RecordingSurface picture;
    const vireo::Expected<void> loaded = vireo::moveme(state, folder.path(), 3, &picture);
    if (loaded) {
        checkLoad(data, size, state, picture);
        return 0;
    }
    const std::string& reason = loaded.error().reason;
    check(loaded.error().subject == "pic3.bmp", "a refusal names another file");
    check(!reason.empty() && reason.back() != '.' && !std::isupper(reason[0]),
          "a reason that is not lower-case without a trailing period");
    check(state.grayimg == before.grayimg && state.filebytes == before.filebytes,
          "a refused file changed the grey frame or the file bytes");
    check(picture.calls.empty(), "a refused file was shown");
    return 0;
}
