// libFuzzer target for opening and decoding recordings. Each input is written as a file and
// opened as a recording, as the programs open a video; a few of its frames are then loaded. A
// refusal is an expected answer; a crash, a hang, a leak, a sanitizer report or a broken check
// below is a finding. scripts/fuzz.sh seeds it with tiny clips made by the ffmpeg tool, and the
// tests replay those seeds (vireo-replay-recording) in every build, the sanitizer pass's too.

#include "bmp_builder.h"
#include "sources/recording.h"

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "vireo-fuzz-recording: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vireo::testing::TempFolder folder;
    const std::filesystem::path clip = folder.path() / "clip";
    vireo::testing::writeFile(clip, {data, data + size});
    auto opened = vireo::openRecording(clip);
    if (!opened) {
        check(opened.error().subject == "clip", "a refusal does not name the file");
        return 0;
    }
    vireo::Recording& recording = **opened;
    check(recording.frameCount() > 0, "opened a recording without frames");
    vireo::TrackingState state;
    const long long last = recording.frameCount() - 1;
    for (long long frame : {0LL, last, last / 2, 1LL, 0LL}) {
        if (frame > last)
            continue;
        const vireo::Expected<void> loaded = recording.loadFrame(state, frame);
        check(loaded || loaded.error().subject == recording.frameName(frame),
              "a refused frame is not named");
        check(!loaded || state.filebytes.size() == 54 + 57600,
              "a loaded frame is not a frame file");
    }
    return 0;
}
