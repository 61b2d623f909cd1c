#pragma once

#include "errors/error.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

inline constexpr long long kLargestFrameNumber = 2147483647;

// An inclusive run of frame numbers, first <= last.
struct FrameRange {
    int first = 0;
    int last = 0;

    friend bool operator==(const FrameRange&, const FrameRange&) = default;
};

// The frames of a run in the order they are processed. Kept as ranges so that a list such as
// "0-100000" costs no more memory than "0".
using FrameList = std::vector<FrameRange>;

long long frameCount(const FrameList& frames);

// A frame request split against the frame files a folder holds.
struct FramePlan {
    // A run of two or more requested frames without a file, and how many frames of `present`
    // come before it in the request.
    struct MissingRun {
        long long after = 0;
        FrameRange frames;

        friend bool operator==(const MissingRun&, const MissingRun&) = default;
    };
    FrameList present; // the requested frames that have a file, and single ones that have none
    std::vector<MissingRun> missing;
};

// Splits `requested` (in its order) against `existing` (ascending, as findFrames gives it), so
// that a request reaching far past a folder's frames costs no more than the frames it has.
FramePlan planFrames(const FrameList& requested, const FrameList& existing);

// Parses the FRAMES arguments, each a frame number N or an inclusive range A-B with A <= B, in
// decimal digits, 0..2147483647. The first malformed argument gives an error naming it; an empty
// argument list gives an empty list.
Expected<FrameList> parseFrameList(const std::vector<std::string>& arguments);

// N when `name` is exactly "pic" + N + ".bmp" with N in decimal without leading zeros ("pic0.bmp"
// is frame 0, "pic00.bmp" is no frame) and not above 2147483647; nullopt otherwise.
std::optional<int> frameNumberOfFileName(std::string_view name);

// Every frame file of `folder` (the current directory when empty), ascending, with consecutive
// numbers merged into ranges. Only names are examined; whether a file loads is found out later.
// A folder that cannot be read gives an error naming it.
Expected<FrameList> findFrames(const std::filesystem::path& folder);

} // namespace vireo
